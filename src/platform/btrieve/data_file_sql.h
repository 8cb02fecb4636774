// Internal to DataFile: the statements each open file caches, and the small SQLite
// helpers its reading and writing halves share.
#pragma once

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/data_file.h"

namespace orb::btr {

inline constexpr int kCacheKiB = 16 * 1024;
inline constexpr int kBulkCacheKiB = 512 * 1024;

enum ScanKind { kAscFrom, kAscAfter, kAscAfterPlace, kAscAll,
                kDescTo, kDescBefore, kDescBeforePlace, kDescAll, kScanKinds };

// The table of a key.
inline std::string Table(int key) { return "key" + std::to_string(key); }

inline int Run(sqlite3_stmt* stmt) {
  if (stmt == nullptr) return SQLITE_ERROR;
  int rc = sqlite3_step(stmt);
  while (rc == SQLITE_ROW) rc = sqlite3_step(stmt);
  sqlite3_reset(stmt);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

inline int16_t MapStatus(int rc) {
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

// As MapStatus, for a failure of the file system underneath: the system's error number
// tells a full disk and a refused access from any other read or write failure.
inline int16_t MapFailure(sqlite3* db, int rc) {
  const int base = rc & 0xFF;
  if ((base == SQLITE_IOERR || base == SQLITE_CANTOPEN) && db != nullptr) {
    switch (sqlite3_system_errno(db)) {
      case ENOSPC: case EDQUOT: return kBtrDiskFull;
      case EACCES: case EPERM: case EROFS: return kBtrAccessDenied;
      default: break;
    }
  }
  return MapStatus(rc);
}

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

}  // namespace orb::btr
