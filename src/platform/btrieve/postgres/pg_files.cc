#include "platform/btrieve/postgres/pg_files.h"

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/installation_name.h"
#include "platform/btrieve/postgres/pg_connection.h"
#include "platform/btrieve/postgres/pg_file.h"
#include "platform/btrieve/postgres/pg_sql.h"

namespace orb::btr::pg {
namespace {

// The file lock of a name: the pair (kFileLockClass, hash of schema and name), so that
// a file is guarded before it exists and installations in other schemas do not meet.
constexpr char kFileLockKey[] = "hashtext(current_schema() || '/' || $1)";

}  // namespace

std::shared_ptr<uint64_t> EngineShared::VersionOf(uint32_t oid) {
  std::shared_ptr<uint64_t>& v = versions[oid];
  if (!v) v = std::make_shared<uint64_t>(0);
  return v;
}

PgFiles::PgFiles(std::string conninfo, bool prepare_database)
    : conninfo_(std::move(conninfo)), prepare_(prepare_database),
      shared_(std::make_shared<EngineShared>()) {}

PgFiles::~PgFiles() = default;

void PgFiles::AbandonAfterFork() {
  if (utility_) utility_->Abandon();
}

int16_t PgFiles::Fail(int16_t status, const std::string& text) {
  shared_->last_error = text;
  return status;
}

int16_t PgFiles::Connect(std::unique_ptr<PgConnection>& out) {
  std::string error;
  const int16_t status = PgConnection::Connect(conninfo_, out, error);
  if (status != kBtrOk) return Fail(status, error);
  return kBtrOk;
}

int16_t PgFiles::NoCatalogue(const PgConnection& connection) {
  return Fail(kBtrServerUnavailable,
              connection.Server() +
                  ": the database holds no data files (no table orb_files); "
                  "put an installation's files there with orbdata copy");
}

int16_t PgFiles::Utility() {
  if (utility_ && !utility_->Alive()) utility_.reset();
  if (!utility_) {
    if (int16_t s = Connect(utility_)) return s;
    utility_->Exec("SET lock_timeout = 10000");
  }
  return kBtrOk;
}

int16_t PgFiles::List(std::vector<std::string>& names) {
  names.clear();
  if (int16_t s = Utility()) return s;
  PgResult result;
  PgParams none;
  if (int16_t s = utility_->Run(nullptr, "SELECT name FROM orb_files ORDER BY name_key", none,
                                result)) {
    if (utility_->LastState() == "42P01") return NoCatalogue(*utility_);
    shared_->last_error = utility_->LastError();
    return s;
  }
  for (int r = 0; r < result.Rows(); ++r) names.emplace_back(result.Bytes(r, 0));
  return kBtrOk;
}

// Under the file's exclusive lock, in one transaction: the table (and its sequence)
// and the catalogue row go together.
int16_t PgFiles::Remove(const std::string& name) {
  if (int16_t s = Utility()) return s;
  PgConnection& db = *utility_;
  PgParams params;
  params.Text(NameKey(name));
  PgResult result;
  int16_t status = db.Exec("BEGIN");
  if (status == kBtrOk) {
    status = db.Run(nullptr,
                    std::string("SELECT pg_try_advisory_xact_lock(") +
                        std::to_string(kFileLockClass) + ", " + kFileLockKey +
                        "), (SELECT id FROM orb_files WHERE name_key = $1)",
                    params, result);
  }
  if (status == kBtrOk && !result.Bool(0, 0)) status = kBtrFileInUse;
  if (status == kBtrOk && result.IsNull(0, 1)) status = kBtrFileNotFound;
  if (status == kBtrOk) {
    const int64_t id = result.Int64(0, 1);
    status = db.Exec("DROP TABLE IF EXISTS " + TableName(id) +
                     " CASCADE; DELETE FROM orb_files WHERE id = " + std::to_string(id));
  }
  if (status == kBtrOk) status = db.Exec("COMMIT");
  if (status != kBtrOk) {
    if (db.LastState() == "42P01") status = kBtrFileNotFound;
    db.Exec("ROLLBACK");
  }
  return status;
}

int16_t PgFiles::Create(const std::string& name, const FileLayout& layout, bool overwrite) {
  if (int16_t s = Utility()) return s;
  PgConnection& db = *utility_;
  const std::string key = NameKey(name);
  auto fail = [&](int16_t status) {
    if (status == kBtrServerUnavailable || status == kBtrIoError) {
      shared_->last_error = db.LastError();
    }
    db.Exec("ROLLBACK");
    return status;
  };
  if (int16_t s = db.Exec("BEGIN")) return fail(s);
  PgResult result;
  if (prepare_) {
    if (int16_t s = db.Exec(CatalogueSql())) return fail(s);
  }
  PgParams params;
  params.Text(key);
  if (int16_t s = db.Run(nullptr,
                         std::string("SELECT pg_try_advisory_xact_lock(") +
                             std::to_string(kFileLockClass) + ", " + kFileLockKey + ")",
                         params, result)) {
    return fail(s);
  }
  if (!result.Bool(0, 0)) return fail(kBtrFileInUse);
  const int16_t found =
      db.Run(nullptr, "SELECT id FROM orb_files WHERE name_key = $1 FOR UPDATE", params, result);
  if (found != kBtrOk) {
    if (db.LastState() == "42P01") {
      db.Exec("ROLLBACK");
      return NoCatalogue(db);
    }
    return fail(found);
  }
  if (result.Rows() > 0) {
    if (!overwrite) return fail(kBtrFileAlreadyExists);
    const int64_t old = result.Int64(0, 0);
    if (int16_t s = db.Exec("DROP TABLE IF EXISTS " + TableName(old) +
                            " CASCADE; DELETE FROM orb_files WHERE id = " +
                            std::to_string(old))) {
      return fail(s);
    }
  }
  params.Clear();
  params.Text(name).Text(key).Int32(kFormatVersion).Bytes(layout.bytes);
  if (int16_t s = db.Run(nullptr,
                         "INSERT INTO orb_files (name, name_key, format, layout)"
                         " VALUES ($1, $2, $3, $4) RETURNING id",
                         params, result)) {
    return fail(s);
  }
  const int64_t id = result.Int64(0, 0);
  if (int16_t s = db.Exec(FileTableSql(id, layout))) return fail(s);
  if (int16_t s = db.Exec("COMMIT")) return fail(s);
  return kBtrOk;
}

int16_t PgFiles::Open(const std::string& name, OpenMode mode, std::unique_ptr<OpenFile>& out) {
  out.reset();
  std::unique_ptr<PgConnection> db;
  if (int16_t s = Connect(db)) return s;
  const std::string key = NameKey(name);
  const bool exclusive = mode == OpenMode::kExclusive;
  const std::string lock = std::string(exclusive ? "pg_try_advisory_lock("
                                                 : "pg_try_advisory_lock_shared(") +
                           std::to_string(kFileLockClass) + ", " + kFileLockKey + ")";
  PgParams params;
  params.Text(key);
  PgResult result;
  const int16_t status = db->Run(
      nullptr,
      "SELECT " + lock + ", f.id, f.format, f.layout, to_regclass('orb_file_' || f.id)::oid"
      " FROM (SELECT 1) AS one LEFT JOIN orb_files f ON f.name_key = $1",
      params, result);
  if (status != kBtrOk) {
    if (db->LastState() == "42P01") {
      return prepare_ ? int16_t{kBtrFileNotFound} : NoCatalogue(*db);
    }
    if (status == kBtrServerUnavailable || status == kBtrIoError) {
      shared_->last_error = db->LastError();
    }
    return status;
  }
  if (!result.Bool(0, 0)) return kBtrFileInUse;
  if (result.IsNull(0, 1)) return kBtrFileNotFound;  // the lock ends with the connection
  FileLayout layout;
  const std::string_view bytes = result.Bytes(0, 3);
  if (result.Int32(0, 2) != kFormatVersion || result.IsNull(0, 4) ||
      ParseFileLayout(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), layout) !=
          kBtrOk) {
    return kBtrNotABtrieveFile;
  }
  FileIdentity identity;
  identity.id = result.Int64(0, 1);
  identity.oid = static_cast<uint32_t>(result.Int32(0, 4));
  identity.table = TableName(identity.id);
  // A write that waits for a lock (a bulk load's transaction) gives up after 10 s.
  if (int16_t s = db->Exec("SET lock_timeout = 10000; LISTEN " + ChangeChannel(identity.oid))) {
    shared_->last_error = db->LastError();
    return s;
  }
  out = std::make_unique<PgFile>(std::move(db), std::move(identity), std::move(layout), mode,
                                 shared_);
  return kBtrOk;
}

}  // namespace orb::btr::pg
