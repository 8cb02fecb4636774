#include "platform/btrieve/data_file.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/data_file_sql.h"

namespace orb::btr {
namespace {

constexpr int kApplicationId = 0x4F524231;  // "ORB1": one of our data files
constexpr int kFormatVersion = 1;
constexpr int kBusyTimeoutMs = 10000;
constexpr int64_t kMapBytes = int64_t{1} << 30;  // reads straight from the mapped file
// Reads share one read transaction (one snapshot) for at most this long: starting one
// costs several system calls, and a read sees others' changes no later than this.
constexpr int64_t kSnapshotMs = 100;

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

// Blobs compare as SQLite compares them: bytewise, then the shorter first.
int CompareImages(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

// A search forward along an open scan steps at most this many rows before it seeks.
constexpr int kMaxSearchSteps = 8;

int64_t NowMs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
  return int64_t{ts.tv_sec} * 1000 + ts.tv_nsec / 1000000;
}

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

// The file can be written and its log and shared memory files made beside it.
bool Writable(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  return ::access(path.c_str(), W_OK) == 0 && ::access(dir.c_str(), W_OK) == 0;
}

bool HasLog(const std::string& path) {
  struct stat st{};
  return ::stat((path + "-wal").c_str(), &st) == 0 && st.st_size > 0;
}

// A SQLite URI naming the file, read-only and immutable: no lock, no log, no shared
// memory file, for a file that nobody can write from here and whose log is empty.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  for (const char c : path) {
    if (c == '%' || c == '?' || c == '#') {
      static const char kHex[] = "0123456789ABCDEF";
      uri += '%';
      uri += kHex[static_cast<unsigned char>(c) >> 4];
      uri += kHex[static_cast<unsigned char>(c) & 0xF];
    } else {
      uri += c;
    }
  }
  return uri + "?immutable=1";
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
  cannot_write_ = locks_->ReadOnly() || !Writable(path);
  if (cannot_write_ && mode == OpenMode::kExclusive) return kBtrAccessDenied;
  int rc;
  if (!cannot_write_) {
    rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                         nullptr);
  } else if (HasLog(path)) {
    // Changes still in the log: read through it (SQLite reads a log it cannot write
    // the shared memory of, too).
    rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                         nullptr);
  } else {
    rc = sqlite3_open_v2(ImmutableUri(path).c_str(), &db_,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX,
                         nullptr);
  }
  if (rc != SQLITE_OK) {
    const int16_t status = Status(rc);
    return cannot_write_ && status == kBtrIoError ? int16_t{kBtrAccessDenied} : status;
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  const std::string pragmas = "PRAGMA cache_size=-" + std::to_string(kCacheKiB) +
                              ";PRAGMA synchronous=NORMAL;PRAGMA mmap_size=" +
                              std::to_string(kMapBytes);
  sqlite3_exec(db_, pragmas.c_str(), nullptr, nullptr, nullptr);

  // Anything that is not one of our files, or whose layout does not read back, is
  // "not a data file" (30) rather than a fault later on. A file that cannot be read or
  // written (a full disk, an I/O error, no access, another program's lock) says so.
  auto not_ours = [this](int code) {
    switch (code & 0xFF) {
      case SQLITE_NOTADB: case SQLITE_CORRUPT: case SQLITE_ERROR: case SQLITE_FORMAT:
      case SQLITE_SCHEMA: case SQLITE_MISMATCH: case SQLITE_RANGE:
        return int16_t{kBtrNotABtrieveFile};
      default:
        return Status(code);
    }
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
  if (!wal && !cannot_write_) {
    sqlite3_exec(db_, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  }

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
  AbandonBulk();
  EndRead();
  stmts_.reset();
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

int16_t DataFile::Status(int sqlite_rc) const { return MapFailure(db_, sqlite_rc); }

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
  before_known_ = false;
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
    if (read_change_count_ == locks_->ChangeCount() &&
        NowMs() - read_started_ms_ < kSnapshotMs) {
      return kBtrOk;
    }
    EndRead();
  }
  // The count is taken before the snapshot: a commit it misses bumps it afterwards.
  read_change_count_ = locks_->ChangeCount();
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

void DataFile::Idle() {
  if (!bulk_) EndRead();
}

int16_t DataFile::Get(Seek seek, int key, const uint8_t* key_value, bool lock) {
  const bool stepping = seek == Seek::kNext || seek == Seek::kPrevious;
  if (stepping) {
    if (!positioned_) return kBtrInvalidPositioning;
    key = key_;
  }
  if (lock && cannot_write_) return kBtrAccessDenied;
  if (int16_t s = BeginRead()) return s;
  const ScanKind kind = KindOf(seek);
  const KeyDef& def = layout_.keys[static_cast<size_t>(key)];
  if (kind == kAscFrom || kind == kAscAfter || kind == kDescTo || kind == kDescBefore) {
    MakeKeyImage(layout_, def, key_value, scratch_image_);
  }
  // A walk that searches its way forward (each search a little past the last record
  // read) goes on along the open scan instead of seeking again.
  if (!lock && (kind == kAscFrom || kind == kAscAfter) && cursor_ != nullptr &&
      cursor_forward_ && cursor_key_ == key) {
    int16_t status = kBtrOk;
    if (SearchAlongCursor(seek, key, status)) return status;
  }
  sqlite3_stmt* stmt = nullptr;
  const bool along = stepping && !lock && CursorUsable(seek, key);
  if (along) {
    stmt = cursor_;
  } else {
    ResetCursor();
    stmt = ScanStatement(key, seek);
    if (stmt == nullptr) return kBtrIoError;
    switch (kind) {
      case kAscFrom: case kAscAfter: case kDescTo: case kDescBefore:
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
    cursor_forward_ = kind < kDescTo;
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
  // What the rows before this one are known to lie below.
  before_known_ = true;
  switch (kind) {
    case kAscFrom: before_inclusive_ = false; before_image_ = scratch_image_; break;
    case kAscAfter: before_inclusive_ = true; before_image_ = scratch_image_; break;
    case kAscAll: before_inclusive_ = false; before_image_.clear(); break;
    case kAscAfterPlace: before_inclusive_ = true; before_image_ = image_; break;
    default: before_known_ = false; break;
  }
  return TakeRow(stmt, key, lock);
}

bool DataFile::SearchAlongCursor(Seek seek, int key, int16_t& status) {
  if (!before_known_ || !on_record_) return false;
  const std::string_view target = scratch_image_;
  const bool after = seek == Seek::kGreater;
  // The rows the scan passed must all lie before the answer.
  const int before = CompareImages(before_image_, target);
  if (after || !before_inclusive_ ? before > 0 : before >= 0) return false;
  std::string_view image = image_;
  for (int steps = 0;; ++steps) {
    const int c = CompareImages(image, target);
    if (after ? c > 0 : c >= 0) {
      if (seek == Seek::kEqual && c != 0) {
        if (steps > 0) ResetCursor();  // the scan has left the current record
        status = kBtrKeyNotFound;
        return true;
      }
      if (steps == 0) {
        status = kBtrOk;  // the current record
        return true;
      }
      status = TakeRow(cursor_, key, false);
      return true;
    }
    if (steps == kMaxSearchSteps) {
      ResetCursor();
      return false;
    }
    // Step on; the row left behind becomes the bound of the rows passed.
    before_image_.assign(image);
    before_inclusive_ = true;
    const int rc = sqlite3_step(cursor_);
    if (rc != SQLITE_ROW) {
      ResetCursor();
      status = rc != SQLITE_DONE           ? Status(rc)
               : seek == Seek::kEqual ? int16_t{kBtrKeyNotFound}
                                      : int16_t{kBtrEndOfFile};
      return true;
    }
    image = std::string_view(static_cast<const char*>(sqlite3_column_blob(cursor_, 0)),
                             static_cast<size_t>(sqlite3_column_bytes(cursor_, 0)));
  }
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
  if (lock && cannot_write_) return kBtrAccessDenied;
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

}  // namespace orb::btr
