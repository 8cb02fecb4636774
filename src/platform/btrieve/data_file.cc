#include "platform/btrieve/data_file.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <vector>

#include "platform/btrieve/btrieve.h"

namespace orb::btr {
namespace {

constexpr int kApplicationId = 0x4F524231;  // "ORB1": one of our data files
constexpr int kFormatVersion = 1;
constexpr int kBusyTimeoutMs = 10000;
constexpr int kCacheKiB = 16 * 1024;
constexpr int kBulkCacheKiB = 512 * 1024;
constexpr int64_t kMapBytes = int64_t{1} << 30;  // reads straight from the mapped file
// Reads share one read transaction (one snapshot) for at most this long: starting one
// costs several system calls, and a read sees others' changes no later than this.
constexpr int64_t kSnapshotMs = 100;

enum ScanKind { kAscFrom, kAscAfter, kAscAfterPlace, kAscAll,
                kDescTo, kDescBefore, kDescBeforePlace, kDescAll, kScanKinds };

ScanKind KindOf(Seek seek) {
  switch (seek) {
    case Seek::kEqual: case Seek::kGreaterOrEqual: return kAscFrom;
    case Seek::kGreater: return kAscAfter;
    case Seek::kNext: return kAscAfterPlace;
    case Seek::kFirst: return kAscAll;
    case Seek::kLessOrEqual: return kDescTo;
    case Seek::kLess: return kDescBefore;
    case Seek::kPrevious: return kDescBeforePlace;
    case Seek::kLast: return kDescAll;
  }
  return kAscAll;
}

int64_t NowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

std::string Table(int key) { return "key" + std::to_string(key); }

int Run(sqlite3_stmt* stmt) {
  if (stmt == nullptr) return SQLITE_ERROR;
  int rc = sqlite3_step(stmt);
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

int16_t MapStatus(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_OK: case SQLITE_DONE: case SQLITE_ROW: return kBtrOk;
    case SQLITE_BUSY: case SQLITE_LOCKED: return kBtrFileInUse;
    case SQLITE_FULL: return kBtrDiskFull;
    case SQLITE_READONLY: case SQLITE_PERM: case SQLITE_AUTH: return kBtrAccessDenied;
    case SQLITE_NOTADB: return kBtrNotABtrieveFile;
    case SQLITE_CONSTRAINT: return kBtrDuplicateKey;  // a unique key's primary key
    default: return kBtrIoError;
  }
}

std::string SchemaSql(const FileLayout& layout) {
  std::string sql =
      "PRAGMA page_size=8192;PRAGMA application_id=" + std::to_string(kApplicationId) + ";"
      "PRAGMA user_version=" + std::to_string(kFormatVersion) + ";"
      "CREATE TABLE layout(id INTEGER PRIMARY KEY CHECK (id = 1), format INTEGER NOT NULL,"
      " bytes BLOB NOT NULL, next_position INTEGER NOT NULL,"
      " record_count INTEGER NOT NULL);"
      "CREATE TABLE records(position INTEGER PRIMARY KEY, data BLOB NOT NULL);"
      "";
  // A unique key's image is its row's whole primary key, so the table itself refuses
  // a duplicate; duplicates are told apart, and ordered, by their position.
  for (size_t k = 0; k < layout.keys.size(); ++k) {
    sql += "CREATE TABLE " + Table(static_cast<int>(k)) +
           "(image BLOB NOT NULL, position INTEGER NOT NULL" +
           (k == 0 ? ", data BLOB NOT NULL" : "") +
           (layout.keys[k].duplicates ? ", PRIMARY KEY (image, position)"
                                      : ", PRIMARY KEY (image)") +
           ") WITHOUT ROWID;";
  }
  return sql;
}

}  // namespace

struct DataFile::Statements {
  std::vector<std::array<sqlite3_stmt*, kScanKinds>> scan;
  std::vector<sqlite3_stmt*> unique, insert_key, delete_key;
  sqlite3_stmt* update_key0 = nullptr;
  sqlite3_stmt* record_by_position = nullptr;
  sqlite3_stmt* insert_record = nullptr;
  sqlite3_stmt* update_record = nullptr;
  sqlite3_stmt* delete_record = nullptr;
  sqlite3_stmt* load_counters = nullptr;
  sqlite3_stmt* store_counters = nullptr;
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* begin_read = nullptr;
  sqlite3_stmt* commit = nullptr;
  sqlite3_stmt* rollback = nullptr;

  explicit Statements(size_t keys)
      : scan(keys), unique(keys, nullptr), insert_key(keys, nullptr),
        delete_key(keys, nullptr) {
    for (auto& row : scan) row.fill(nullptr);
  }
  ~Statements() {
    for (auto& row : scan) for (sqlite3_stmt* s : row) sqlite3_finalize(s);
    for (auto* list : {&unique, &insert_key, &delete_key}) {
      for (sqlite3_stmt* s : *list) sqlite3_finalize(s);
    }
    for (sqlite3_stmt* s : {update_key0, record_by_position, insert_record, update_record,
                            delete_record, load_counters, store_counters, begin, begin_read, commit,
                            rollback}) {
      sqlite3_finalize(s);
    }
  }
};

int16_t DataFile::Create(const std::string& path, const FileLayout& layout, bool overwrite) {
  if (!overwrite && FileExists(path)) return kBtrFileAlreadyExists;
  std::unique_ptr<LockFile> guard;
  if (int16_t s = LockFile::Acquire(path, LockFile::Mode::kExclusive, guard)) {
    return s == kBtrFileInUse ? s : (FileExists(path) ? s : int16_t{kBtrFileNotFound});
  }
  if (!overwrite && FileExists(path)) return kBtrFileAlreadyExists;

  const std::string temp = path + ".new" + std::to_string(::getpid());
  ::unlink(temp.c_str());
  ::unlink((temp + "-journal").c_str());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temp.c_str(), &db,
                           SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc == SQLITE_OK) {
    const std::string sql = "BEGIN;" + SchemaSql(layout);
    rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK) {
    sqlite3_stmt* insert = nullptr;
    rc = sqlite3_prepare_v2(db,
                            "INSERT INTO layout(id, format, bytes, next_position, "
                            "record_count) VALUES (1, ?1, ?2, 1, 0)",
                            -1, &insert, nullptr);
    if (rc == SQLITE_OK) {
      sqlite3_bind_int(insert, 1, kFormatVersion);
      sqlite3_bind_blob(insert, 2, layout.bytes.data(), static_cast<int>(layout.bytes.size()),
                        SQLITE_STATIC);
      rc = Run(insert);
    }
    sqlite3_finalize(insert);
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }
  const int close_rc = sqlite3_close_v2(db);
  if (rc == SQLITE_OK) rc = close_rc;
  // Files of an earlier file of this name must not be replayed into the new one.
  if (rc == SQLITE_OK) {
    ::unlink((path + "-wal").c_str());
    ::unlink((path + "-shm").c_str());
    if (::rename(temp.c_str(), path.c_str()) != 0) rc = SQLITE_IOERR;
  }
  if (rc != SQLITE_OK) {
    ::unlink(temp.c_str());
    ::unlink((temp + "-journal").c_str());
    ::unlink((temp + "-wal").c_str());
    return (rc & 0xFF) == SQLITE_FULL ? kBtrDiskFull : kBtrCreateIoError;
  }
  return kBtrOk;
}

int16_t DataFile::Open(const std::string& path, OpenMode mode,
                       std::unique_ptr<DataFile>& out) {
  out.reset();
  std::unique_ptr<LockFile> locks;
  const auto lock_mode =
      mode == OpenMode::kExclusive ? LockFile::Mode::kExclusive : LockFile::Mode::kShared;
  if (int16_t s = LockFile::Acquire(path, lock_mode, locks)) {
    if (s == kBtrFileInUse) return s;
    return FileExists(path) ? s : int16_t{kBtrFileNotFound};
  }
  if (!FileExists(path)) return kBtrFileNotFound;
  std::unique_ptr<DataFile> file(new DataFile());
  file->locks_ = std::move(locks);
  if (int16_t s = file->SetUp(path, mode)) return s;
  out = std::move(file);
  return kBtrOk;
}

int16_t DataFile::SetUp(const std::string& path, OpenMode mode) {
  mode_ = mode;
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc != SQLITE_OK) return MapStatus(rc) == kBtrIoError ? int16_t{kBtrAccessDenied} : MapStatus(rc);
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  const std::string pragmas = "PRAGMA cache_size=-" + std::to_string(kCacheKiB) +
                              ";PRAGMA synchronous=NORMAL;PRAGMA mmap_size=" +
                              std::to_string(kMapBytes);
  sqlite3_exec(db_, pragmas.c_str(), nullptr, nullptr, nullptr);

  // Anything that is not one of our files, or whose layout does not read back, is
  // "not a data file" (30) rather than a fault later on.
  auto not_ours = [](int code) {
    const int16_t s = MapStatus(code);
    return (s == kBtrFileInUse || s == kBtrAccessDenied) ? s : int16_t{kBtrNotABtrieveFile};
  };
  sqlite3_stmt* stmt = nullptr;
  rc = sqlite3_prepare_v2(db_, "PRAGMA application_id", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
  const bool ours = rc == SQLITE_ROW && sqlite3_column_int(stmt, 0) == kApplicationId;
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW) return not_ours(rc);
  if (!ours) return kBtrNotABtrieveFile;

  stmt = nullptr;
  rc = sqlite3_prepare_v2(db_, "SELECT format, bytes FROM layout WHERE id = 1", -1, &stmt,
                          nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
  int16_t parsed = kBtrNotABtrieveFile;
  if (rc == SQLITE_ROW && sqlite3_column_int(stmt, 0) == kFormatVersion) {
    const auto* bytes = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, 1));
    parsed = ParseFileLayout(bytes, static_cast<size_t>(sqlite3_column_bytes(stmt, 1)),
                             layout_);
  }
  sqlite3_finalize(stmt);
  if (rc != SQLITE_ROW) return not_ours(rc);
  if (parsed != kBtrOk) return kBtrNotABtrieveFile;

  stmt = nullptr;
  rc = sqlite3_prepare_v2(db_, "PRAGMA journal_mode", -1, &stmt, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(stmt);
  const bool wal = rc == SQLITE_ROW &&
                   sqlite3_stricmp(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                   "wal") == 0;
  sqlite3_finalize(stmt);
  if (!wal) sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);

  stmts_ = std::make_unique<Statements>(layout_.keys.size());
  for (size_t k = 0; k < layout_.keys.size(); ++k) {
    if (ScanStatement(static_cast<int>(k), Seek::kFirst) == nullptr) {
      return kBtrNotABtrieveFile;
    }
  }
  if (Prepare(stmts_->record_by_position,
              "SELECT data FROM records WHERE position = ?1") == nullptr) {
    return kBtrNotABtrieveFile;
  }
  return kBtrOk;
}

DataFile::~DataFile() {
  if (bulk_) EndBulk();
  EndRead();
  stmts_.reset();
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

int16_t DataFile::Status(int sqlite_rc) const { return MapStatus(sqlite_rc); }

sqlite3_stmt* DataFile::Prepare(sqlite3_stmt*& slot, const std::string& sql) {
  if (slot == nullptr) {
    if (sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &slot,
                           nullptr) != SQLITE_OK) {
      sqlite3_finalize(slot);
      slot = nullptr;
    }
  }
  return slot;
}

sqlite3_stmt* DataFile::ScanStatement(int key, Seek seek) {
  const ScanKind kind = KindOf(seek);
  std::string sql, img, pos;
  if (key == 0) {
    sql = "SELECT image, position, data FROM key0 ";
    img = "image";
    pos = "position";
  } else {
    sql = "SELECT k.image, k.position, r.data FROM " + Table(key) +
          " AS k CROSS JOIN records AS r ON r.position = k.position ";
    img = "k.image";
    pos = "k.position";
  }
  const std::string place = "(" + img + ", " + pos + ")";
  switch (kind) {
    case kAscFrom: sql += "WHERE " + img + " >= ?1 "; break;
    case kAscAfter: sql += "WHERE " + img + " > ?1 "; break;
    case kAscAfterPlace: sql += "WHERE " + place + " > (?1, ?2) "; break;
    case kDescTo: sql += "WHERE " + img + " <= ?1 "; break;
    case kDescBefore: sql += "WHERE " + img + " < ?1 "; break;
    case kDescBeforePlace: sql += "WHERE " + place + " < (?1, ?2) "; break;
    default: break;
  }
  if (kind < kDescTo) {
    sql += "ORDER BY " + img + ", " + pos;
  } else {
    sql += "ORDER BY " + img + " DESC, " + pos + " DESC";
  }
  return Prepare(stmts_->scan[static_cast<size_t>(key)][kind], sql);
}

void DataFile::ResetCursor() {
  if (cursor_ != nullptr) {
    sqlite3_reset(cursor_);
    sqlite3_clear_bindings(cursor_);
    cursor_ = nullptr;
  }
}

bool DataFile::CursorUsable(Seek seek, int key) const {
  return cursor_ != nullptr && cursor_key_ == key && cursor_forward_ == (seek == Seek::kNext);
}

// Reads run in a read transaction kept open across calls, renewed when it is older than
// kSnapshotMs or when a block of this process wrote to the file meanwhile. The open
// scan statement lives inside it, so renewing it closes the scan (the next step seeks
// again from the current place). A bulk load's reads use its own transaction.
int16_t DataFile::BeginRead() {
  if (bulk_) return kBtrOk;
  if (reading_) {
    if (read_generation_ == locks_->ChangeCount() &&
        NowMs() - read_started_ms_ < kSnapshotMs) {
      return kBtrOk;
    }
    EndRead();
  }
  // The count is taken before the snapshot: a commit it misses bumps it afterwards.
  read_generation_ = locks_->ChangeCount();
  if (int16_t s = Status(Run(Prepare(stmts_->begin_read, "BEGIN")))) return s;
  reading_ = true;
  read_started_ms_ = NowMs();
  return kBtrOk;
}

void DataFile::EndRead() {
  ResetCursor();
  if (!reading_) return;
  reading_ = false;
  if (Run(Prepare(stmts_->commit, "COMMIT")) != SQLITE_OK) {
    Run(Prepare(stmts_->rollback, "ROLLBACK"));
  }
}

int16_t DataFile::Get(Seek seek, int key, const uint8_t* key_value, bool lock) {
  const bool stepping = seek == Seek::kNext || seek == Seek::kPrevious;
  if (stepping) {
    if (!positioned_) return kBtrInvalidPositioning;
    key = key_;
  }
  if (int16_t s = BeginRead()) return s;
  sqlite3_stmt* stmt = nullptr;
  if (stepping && !lock && CursorUsable(seek, key)) {
    stmt = cursor_;
  } else {
    ResetCursor();
    stmt = ScanStatement(key, seek);
    if (stmt == nullptr) return kBtrIoError;
    const KeyDef& def = layout_.keys[static_cast<size_t>(key)];
    switch (KindOf(seek)) {
      case kAscFrom: case kAscAfter: case kDescTo: case kDescBefore:
        MakeKeyImage(layout_, def, key_value, scratch_image_);
        sqlite3_bind_blob(stmt, 1, scratch_image_.data(),
                          static_cast<int>(scratch_image_.size()), SQLITE_TRANSIENT);
        break;
      case kAscAfterPlace: case kDescBeforePlace:
        sqlite3_bind_blob(stmt, 1, image_.data(), static_cast<int>(image_.size()),
                          SQLITE_TRANSIENT);
        sqlite3_bind_int64(stmt, 2, position_);
        break;
      default: break;
    }
    cursor_ = stmt;
    cursor_forward_ = KindOf(seek) < kDescTo;
    cursor_key_ = key;
  }
  const int rc = sqlite3_step(stmt);
  if (rc != SQLITE_ROW) {
    ResetCursor();
    if (rc != SQLITE_DONE) return Status(rc);
    return seek == Seek::kEqual ? kBtrKeyNotFound : kBtrEndOfFile;
  }
  if (seek == Seek::kEqual) {
    const int n = sqlite3_column_bytes(stmt, 0);
    const void* found = sqlite3_column_blob(stmt, 0);
    if (static_cast<size_t>(n) != scratch_image_.size() ||
        (n > 0 && std::memcmp(found, scratch_image_.data(), static_cast<size_t>(n)) != 0)) {
      ResetCursor();
      return kBtrKeyNotFound;
    }
  }
  return TakeRow(stmt, key, lock);
}

int16_t DataFile::TakeRow(sqlite3_stmt* stmt, int key, bool lock) {
  const int64_t position = sqlite3_column_int64(stmt, 1);
  const int image_size = sqlite3_column_bytes(stmt, 0);
  const void* image = sqlite3_column_blob(stmt, 0);
  const int data_size = sqlite3_column_bytes(stmt, 2);
  const void* data = sqlite3_column_blob(stmt, 2);
  if (position <= 0 || position > int64_t{UINT32_MAX} || data == nullptr ||
      data_size != layout_.record_length ||
      image_size != layout_.keys[static_cast<size_t>(key)].length) {
    ResetCursor();
    return kBtrIoError;  // a damaged row
  }
  const auto pos = static_cast<uint32_t>(position);
  if (lock) {
    if (!locks_->LockRecord(pos)) {
      ResetCursor();
      return kBtrRecordInUse;
    }
    if (has_lock_ && locked_position_ != pos) locks_->UnlockRecord(locked_position_);
    has_lock_ = true;
    locked_position_ = pos;
  }
  positioned_ = true;
  on_record_ = true;
  key_ = key;
  image_.assign(static_cast<const char*>(image), static_cast<size_t>(image_size));
  position_ = pos;
  record_.assign(static_cast<const char*>(data), static_cast<size_t>(data_size));
  return lock ? RefreshLocked(key) : int16_t{kBtrOk};
}

// The row was read before the lock was taken: read the record again, now that no
// other block can change it, so the caller holds what is stored.
int16_t DataFile::RefreshLocked(int key) {
  EndRead();
  if (int16_t s = BeginRead()) return s;
  bool found = false;
  if (int16_t s = ReadRecord(position_, record_, found)) return s;
  if (!found) {
    locks_->UnlockRecord(position_);
    has_lock_ = false;
    on_record_ = false;
    return kBtrConflict;
  }
  SetPlace(key, reinterpret_cast<const uint8_t*>(record_.data()));
  return kBtrOk;
}

int16_t DataFile::ReadRecord(uint32_t position, std::string& out, bool& found) {
  found = false;
  sqlite3_stmt* stmt =
      Prepare(stmts_->record_by_position, "SELECT data FROM records WHERE position = ?1");
  if (stmt == nullptr) return kBtrIoError;
  sqlite3_bind_int64(stmt, 1, position);
  const int rc = sqlite3_step(stmt);
  int16_t status = kBtrOk;
  if (rc == SQLITE_ROW) {
    const int n = sqlite3_column_bytes(stmt, 0);
    const void* data = sqlite3_column_blob(stmt, 0);
    if (n != layout_.record_length || data == nullptr) {
      status = kBtrIoError;
    } else {
      out.assign(static_cast<const char*>(data), static_cast<size_t>(n));
      found = true;
    }
  } else if (rc != SQLITE_DONE) {
    status = Status(rc);
  }
  sqlite3_reset(stmt);
  return status;
}

void DataFile::SetPlace(int key, const uint8_t* record) {
  const KeyDef& def = layout_.keys[static_cast<size_t>(key)];
  ExtractKey(def, record, scratch_key_);
  MakeKeyImage(layout_, def, reinterpret_cast<const uint8_t*>(scratch_key_.data()), image_);
  key_ = key;
  positioned_ = true;
}

int16_t DataFile::GetDirect(uint32_t position, int key, bool lock) {
  ResetCursor();
  if (position == 0) return kBtrInvalidRecordAddress;
  if (int16_t s = BeginRead()) return s;
  std::string record;
  bool found = false;
  if (int16_t s = ReadRecord(position, record, found)) return s;
  if (!found) return kBtrInvalidRecordAddress;
  if (lock) {
    if (!locks_->LockRecord(position)) return kBtrRecordInUse;
    if (has_lock_ && locked_position_ != position) locks_->UnlockRecord(locked_position_);
    has_lock_ = true;
    locked_position_ = position;
    EndRead();
    if (int16_t s = BeginRead()) return s;
    if (int16_t s = ReadRecord(position, record, found)) return s;
    if (!found) {
      locks_->UnlockRecord(position);
      has_lock_ = false;
      return kBtrInvalidRecordAddress;
    }
  }
  record_ = std::move(record);
  position_ = position;
  on_record_ = true;
  SetPlace(key, reinterpret_cast<const uint8_t*>(record_.data()));
  return kBtrOk;
}

int16_t DataFile::LoadCounters() {
  sqlite3_stmt* stmt = Prepare(stmts_->load_counters,
                               "SELECT next_position, record_count FROM layout WHERE id = 1");
  if (stmt == nullptr) return kBtrIoError;
  const int rc = sqlite3_step(stmt);
  int16_t status = kBtrOk;
  if (rc == SQLITE_ROW) {
    next_position_ = sqlite3_column_int64(stmt, 0);
    record_count_ = sqlite3_column_int64(stmt, 1);
    if (next_position_ <= 0 || record_count_ < 0) status = kBtrIoError;
  } else {
    status = rc == SQLITE_DONE ? int16_t{kBtrIoError} : Status(rc);
  }
  sqlite3_reset(stmt);
  return status;
}

int16_t DataFile::StoreCounters() {
  sqlite3_stmt* stmt =
      Prepare(stmts_->store_counters,
              "UPDATE layout SET next_position = ?1, record_count = ?2 WHERE id = 1");
  if (stmt == nullptr) return kBtrIoError;
  sqlite3_bind_int64(stmt, 1, next_position_);
  sqlite3_bind_int64(stmt, 2, record_count_);
  return Status(Run(stmt));
}

int16_t DataFile::RecordCount(uint32_t& count) {
  if (!bulk_) {
    if (int16_t s = BeginRead()) return s;
    if (int16_t s = LoadCounters()) return s;
  }
  count = record_count_ > int64_t{UINT32_MAX} ? UINT32_MAX
                                               : static_cast<uint32_t>(record_count_);
  return kBtrOk;
}

// Every write runs in its own immediate transaction, so that a failed write leaves
// nothing behind. Inside a bulk load the writes share its transaction: every refusal is
// decided before the first change, and a failure after one makes EndBulk roll the whole
// load back (a savepoint per write would copy every page it touches).
int16_t DataFile::BeginWrite() {
  EndRead();
  wrote_ = false;
  if (bulk_) return bulk_failed_ ? kBtrIoError : kBtrOk;
  if (int16_t s = Status(Run(Prepare(stmts_->begin, "BEGIN IMMEDIATE")))) return s;
  if (int16_t s = LoadCounters()) {
    Run(Prepare(stmts_->rollback, "ROLLBACK"));
    return s;
  }
  return kBtrOk;
}

int16_t DataFile::EndWrite(int16_t status) {
  if (bulk_) {
    // Refusals (duplicate key, conflicts, locks) come before the first change; a
    // failure after it leaves a partial write, so the whole bulk load is given up.
    if (status != kBtrOk && wrote_) bulk_failed_ = true;
    return status;
  }
  if (status == kBtrOk) status = StoreCounters();
  if (status == kBtrOk) {
    status = Status(Run(Prepare(stmts_->commit, "COMMIT")));
    if (status == kBtrOk) {
      locks_->NoteChange();
      return kBtrOk;
    }
  }
  Run(Prepare(stmts_->rollback, "ROLLBACK"));
  return status;
}

int16_t DataFile::CheckUnique(int key, const std::string& image, int64_t except_position) {
  sqlite3_stmt* stmt = Prepare(stmts_->unique[static_cast<size_t>(key)],
                               "SELECT 1 FROM " + Table(key) +
                                   " WHERE image = ?1 AND position <> ?2 LIMIT 1");
  if (stmt == nullptr) return kBtrIoError;
  sqlite3_bind_blob(stmt, 1, image.data(), static_cast<int>(image.size()), SQLITE_STATIC);
  sqlite3_bind_int64(stmt, 2, except_position);
  const int rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  if (rc == SQLITE_ROW) return kBtrDuplicateKey;
  return rc == SQLITE_DONE ? int16_t{kBtrOk} : Status(rc);
}

namespace {

int16_t InsertKeyRow(sqlite3_stmt* stmt, const std::string& image, int64_t position,
                     const uint8_t* record, int record_length) {
  if (stmt == nullptr) return kBtrIoError;
  sqlite3_bind_blob(stmt, 1, image.data(), static_cast<int>(image.size()), SQLITE_STATIC);
  sqlite3_bind_int64(stmt, 2, position);
  if (record != nullptr) sqlite3_bind_blob(stmt, 3, record, record_length, SQLITE_STATIC);
  return MapStatus(Run(stmt));
}

int16_t DeleteKeyRow(sqlite3_stmt* stmt, const std::string& image, int64_t position) {
  if (stmt == nullptr) return kBtrIoError;
  sqlite3_bind_blob(stmt, 1, image.data(), static_cast<int>(image.size()), SQLITE_STATIC);
  sqlite3_bind_int64(stmt, 2, position);
  return MapStatus(Run(stmt));
}

}  // namespace

sqlite3_stmt* DataFile::InsertKeyStatement(size_t key) {
  sqlite3_stmt*& slot = stmts_->insert_key[key];
  if (slot != nullptr) return slot;
  return Prepare(slot, key == 0 ? "INSERT INTO key0(image, position, data) VALUES (?1, ?2, ?3)"
                                : "INSERT INTO " + Table(static_cast<int>(key)) +
                                      "(image, position) VALUES (?1, ?2)");
}

int16_t DataFile::Insert(const uint8_t* record, int key) {
  if (ReadOnly()) return kBtrAccessDenied;
  const size_t keys = layout_.keys.size();
  std::vector<std::string>& images = new_images_;
  std::vector<bool>& indexed = new_indexed_;
  images.resize(keys);
  indexed.assign(keys, false);
  for (size_t k = 0; k < keys; ++k) {
    ExtractKey(layout_.keys[k], record, scratch_key_);
    const auto* value = reinterpret_cast<const uint8_t*>(scratch_key_.data());
    indexed[k] = k == 0 || !IsNullKey(layout_.keys[k], value);
    MakeKeyImage(layout_, layout_.keys[k], value, images[k]);
  }
  if (int16_t s = BeginWrite()) return s;
  const int64_t saved_next = next_position_, saved_count = record_count_;
  // The first unique key's row goes in first and is its own duplicate check (its
  // table's primary key is the image alone); the other unique keys are checked before
  // anything changes.
  size_t first_unique = keys;
  int16_t status = kBtrOk;
  for (size_t k = 0; k < keys && status == kBtrOk; ++k) {
    if (!indexed[k] || layout_.keys[k].duplicates) continue;
    if (first_unique == keys) {
      first_unique = k;
    } else {
      status = CheckUnique(static_cast<int>(k), images[k], -1);
    }
  }
  if (status == kBtrOk && next_position_ > int64_t{UINT32_MAX}) status = kBtrDiskFull;
  const int64_t position = next_position_;
  const int length = layout_.record_length;
  auto insert_key = [&](size_t k) {
    return InsertKeyRow(InsertKeyStatement(k), images[k], position,
                        k == 0 ? record : nullptr, length);
  };
  if (status == kBtrOk && first_unique < keys) status = insert_key(first_unique);
  if (status == kBtrOk) {
    wrote_ = true;
    sqlite3_stmt* stmt = Prepare(stmts_->insert_record,
                                 "INSERT INTO records(position, data) VALUES (?1, ?2)");
    if (stmt == nullptr) {
      status = kBtrIoError;
    } else {
      sqlite3_bind_int64(stmt, 1, position);
      sqlite3_bind_blob(stmt, 2, record, length, SQLITE_STATIC);
      status = Status(Run(stmt));
    }
  }
  for (size_t k = 0; k < keys && status == kBtrOk; ++k) {
    if (indexed[k] && k != first_unique) status = insert_key(k);
  }
  if (status == kBtrOk) {
    ++next_position_;
    ++record_count_;
  }
  status = EndWrite(status);
  if (status != kBtrOk) {
    next_position_ = saved_next;
    record_count_ = saved_count;
    return status;
  }
  if (key >= 0) {
    record_.assign(reinterpret_cast<const char*>(record), static_cast<size_t>(length));
    position_ = static_cast<uint32_t>(position);
    on_record_ = true;
    SetPlace(key, record);
  }
  return kBtrOk;
}

// Before a change to the current record: it must still be as this block read it, and no
// other block may hold its lock. locked_here tells the caller to let go of a lock taken
// just for the change.
int16_t DataFile::CheckCurrentUnchanged(bool& locked_here) {
  locked_here = false;
  std::string stored;
  bool found = false;
  if (int16_t s = ReadRecord(position_, stored, found)) return s;
  if (!found || stored != record_) return kBtrConflict;
  if (!(has_lock_ && locked_position_ == position_)) {
    if (!locks_->LockRecord(position_)) return kBtrRecordInUse;
    locked_here = true;
  }
  return kBtrOk;
}

int16_t DataFile::Update(const uint8_t* record) {
  if (ReadOnly()) return kBtrAccessDenied;
  if (!on_record_) return kBtrInvalidPositioning;
  const size_t keys = layout_.keys.size();
  std::vector<std::string>& old_images = old_images_;
  std::vector<std::string>& new_images = new_images_;
  std::vector<bool>& old_indexed = old_indexed_;
  std::vector<bool>& new_indexed = new_indexed_;
  old_images.resize(keys);
  new_images.resize(keys);
  old_indexed.assign(keys, false);
  new_indexed.assign(keys, false);
  const auto* old_record = reinterpret_cast<const uint8_t*>(record_.data());
  for (size_t k = 0; k < keys; ++k) {
    const KeyDef& def = layout_.keys[k];
    ExtractKey(def, old_record, scratch_key_);
    auto* value = reinterpret_cast<const uint8_t*>(scratch_key_.data());
    old_indexed[k] = k == 0 || !IsNullKey(def, value);
    MakeKeyImage(layout_, def, value, old_images[k]);
    ExtractKey(def, record, scratch_key_);
    value = reinterpret_cast<const uint8_t*>(scratch_key_.data());
    new_indexed[k] = k == 0 || !IsNullKey(def, value);
    MakeKeyImage(layout_, def, value, new_images[k]);
    if (old_images[k] != new_images[k] && !def.modifiable) return kBtrKeyNotModifiable;
  }
  if (int16_t s = BeginWrite()) return s;
  bool locked_here = false;
  int16_t status = CheckCurrentUnchanged(locked_here);
  const int64_t position = position_;
  const int length = layout_.record_length;
  for (size_t k = 0; k < keys && status == kBtrOk; ++k) {
    if (new_indexed[k] && !layout_.keys[k].duplicates && new_images[k] != old_images[k]) {
      status = CheckUnique(static_cast<int>(k), new_images[k], position);
    }
  }
  if (status == kBtrOk) {
    wrote_ = true;
    sqlite3_stmt* stmt = Prepare(stmts_->update_record,
                                 "UPDATE records SET data = ?2 WHERE position = ?1");
    if (stmt == nullptr) {
      status = kBtrIoError;
    } else {
      sqlite3_bind_int64(stmt, 1, position);
      sqlite3_bind_blob(stmt, 2, record, length, SQLITE_STATIC);
      status = Status(Run(stmt));
    }
  }
  for (size_t k = 0; k < keys && status == kBtrOk; ++k) {
    const std::string table = Table(static_cast<int>(k));
    if (k == 0 && old_images[0] == new_images[0]) {
      status = InsertKeyRow(
          Prepare(stmts_->update_key0,
                  "UPDATE key0 SET data = ?3 WHERE image = ?1 AND position = ?2"),
          new_images[0], position, record, length);
      continue;
    }
    if (old_images[k] == new_images[k] && old_indexed[k] == new_indexed[k]) continue;
    if (old_indexed[k]) {
      status = DeleteKeyRow(
          Prepare(stmts_->delete_key[k],
                  "DELETE FROM " + table + " WHERE image = ?1 AND position = ?2"),
          old_images[k], position);
    }
    if (status == kBtrOk && new_indexed[k]) {
      status = InsertKeyRow(InsertKeyStatement(k), new_images[k], position,
                            k == 0 ? record : nullptr, length);
    }
  }
  status = EndWrite(status);
  if (locked_here) locks_->UnlockRecord(position_);
  if (status != kBtrOk) return status;
  if (has_lock_ && locked_position_ == position_) {
    locks_->UnlockRecord(position_);
    has_lock_ = false;
  }
  record_.assign(reinterpret_cast<const char*>(record), static_cast<size_t>(length));
  SetPlace(key_, record);
  return kBtrOk;
}

int16_t DataFile::Delete() {
  if (ReadOnly()) return kBtrAccessDenied;
  if (!on_record_) return kBtrInvalidPositioning;
  if (int16_t s = BeginWrite()) return s;
  const int64_t saved_count = record_count_;
  bool locked_here = false;
  int16_t status = CheckCurrentUnchanged(locked_here);
  const int64_t position = position_;
  const auto* record = reinterpret_cast<const uint8_t*>(record_.data());
  if (status == kBtrOk) {
    wrote_ = true;
    sqlite3_stmt* stmt =
        Prepare(stmts_->delete_record, "DELETE FROM records WHERE position = ?1");
    if (stmt == nullptr) {
      status = kBtrIoError;
    } else {
      sqlite3_bind_int64(stmt, 1, position);
      status = Status(Run(stmt));
    }
  }
  for (size_t k = 0; k < layout_.keys.size() && status == kBtrOk; ++k) {
    const KeyDef& def = layout_.keys[k];
    ExtractKey(def, record, scratch_key_);
    const auto* value = reinterpret_cast<const uint8_t*>(scratch_key_.data());
    if (k != 0 && IsNullKey(def, value)) continue;
    MakeKeyImage(layout_, def, value, scratch_image_);
    status = DeleteKeyRow(
        Prepare(stmts_->delete_key[k], "DELETE FROM " + Table(static_cast<int>(k)) +
                                           " WHERE image = ?1 AND position = ?2"),
        scratch_image_, position);
  }
  if (status == kBtrOk) --record_count_;
  status = EndWrite(status);
  if (locked_here) locks_->UnlockRecord(position_);
  if (status != kBtrOk) {
    record_count_ = saved_count;
    return status;
  }
  if (has_lock_ && locked_position_ == position_) {
    locks_->UnlockRecord(position_);
    has_lock_ = false;
  }
  on_record_ = false;  // the place (image_, position_) stays for Get Next / Previous
  return kBtrOk;
}

void DataFile::Unlock() {
  if (has_lock_) {
    locks_->UnlockRecord(locked_position_);
    has_lock_ = false;
  }
}

int16_t DataFile::BeginBulk() {
  if (ReadOnly()) return kBtrAccessDenied;
  if (bulk_) return kBtrOk;
  EndRead();
  if (int16_t s = Status(Run(Prepare(stmts_->begin, "BEGIN IMMEDIATE")))) return s;
  if (int16_t s = LoadCounters()) {
    Run(Prepare(stmts_->rollback, "ROLLBACK"));
    return s;
  }
  const std::string cache = "PRAGMA cache_size=-" + std::to_string(kBulkCacheKiB);
  sqlite3_exec(db_, cache.c_str(), nullptr, nullptr, nullptr);
  bulk_ = true;
  bulk_failed_ = false;
  return kBtrOk;
}

int16_t DataFile::EndBulk() {
  if (!bulk_) return kBtrOk;
  ResetCursor();
  bulk_ = false;
  int16_t status = bulk_failed_ ? kBtrIoError : StoreCounters();
  bulk_failed_ = false;
  if (status == kBtrOk) status = Status(Run(Prepare(stmts_->commit, "COMMIT")));
  if (status != kBtrOk) {
    Run(Prepare(stmts_->rollback, "ROLLBACK"));
    status = kBtrIoError;
  }
  locks_->NoteChange();
  const std::string cache = "PRAGMA cache_size=-" + std::to_string(kCacheKiB);
  sqlite3_exec(db_, cache.c_str(), nullptr, nullptr, nullptr);
  return status;
}

}  // namespace orb::btr
