// The writing half of DataFile: Insert, Update, Delete and bulk loads.
#include "platform/btrieve/data_file.h"

#include <sqlite3.h>

#include <vector>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/data_file_sql.h"

namespace orb::btr {

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
    status = WriteRecordRow(stmts_->insert_record,
                            "INSERT INTO records(position, data) VALUES (?1, ?2)", position,
                            record, length);
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
    status = WriteRecordRow(stmts_->update_record,
                            "UPDATE records SET data = ?2 WHERE position = ?1", position, record,
                            length);
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
  int16_t status = bulk_failed_ ? int16_t{kBtrIoError} : StoreCounters();
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

void DataFile::AbandonBulk() {
  if (!bulk_) return;
  ResetCursor();
  bulk_ = false;
  bulk_failed_ = false;
  Run(Prepare(stmts_->rollback, "ROLLBACK"));
  const std::string cache = "PRAGMA cache_size=-" + std::to_string(kCacheKiB);
  sqlite3_exec(db_, cache.c_str(), nullptr, nullptr, nullptr);
}

int16_t DataFile::WriteRecordRow(sqlite3_stmt*& slot, const char* sql, int64_t position,
                                 const void* record, int length) {
  sqlite3_stmt* stmt = Prepare(slot, sql);
  if (stmt == nullptr) return kBtrIoError;
  sqlite3_bind_int64(stmt, 1, position);
  sqlite3_bind_blob(stmt, 2, record, length, SQLITE_STATIC);
  return Status(Run(stmt));
}

}  // namespace orb::btr
