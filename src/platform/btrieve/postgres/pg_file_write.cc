// The writing half of PgFile: Insert, Update, Delete and bulk loads. Each write outside
// a bulk load is one statement, so one round trip and one transaction: the record, its
// key images, the catalogue's record count and the change notice go together or not at
// all. Another block's record lock is tested inside the statement with a transaction
// lock on the same key, so a write never slips past a lock being taken.
#include <endian.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/postgres/pg_file.h"
#include "platform/btrieve/postgres/pg_files.h"
#include "platform/btrieve/postgres/pg_sql.h"

namespace orb::btr::pg {
namespace {

constexpr size_t kGatherBytes = size_t{512} << 20;  // a bulk load sends at least this often
constexpr int kReserveBatch = 4096;
constexpr int64_t kAnalyzeAfter = 1000;

void PutBe16(std::string& out, int16_t v) {
  const uint16_t be = htobe16(static_cast<uint16_t>(v));
  out.append(reinterpret_cast<const char*>(&be), 2);
}
void PutBe32(std::string& out, int32_t v) {
  const uint32_t be = htobe32(static_cast<uint32_t>(v));
  out.append(reinterpret_cast<const char*>(&be), 4);
}
void PutBe64(std::string& out, int64_t v) {
  const uint64_t be = htobe64(static_cast<uint64_t>(v));
  out.append(reinterpret_cast<const char*>(&be), 8);
}
void PutField(std::string& out, std::string_view bytes) {
  PutBe32(out, static_cast<int32_t>(bytes.size()));
  out.append(bytes);
}

std::string Columns(size_t keys) {
  std::string columns = "position, data";
  for (size_t k = 0; k < keys; ++k) columns += ", " + KeyColumn(k);
  return columns;
}

}  // namespace

void PgFile::NoteWrite() { ++*version_; }

// An update or delete inside a bulk load runs under a savepoint, so that a refusal (a
// duplicate key) leaves the load as it was instead of ending its transaction.
int16_t PgFile::BeginBulkWrite() {
  if (!bulk_) return kBtrOk;
  const int16_t status = Check(db_->Exec("SAVEPOINT orb_write"));
  if (status != kBtrOk) bulk_failed_ = true;
  return status;
}

int16_t PgFile::EndBulkWrite(int16_t status) {
  if (!bulk_) return status;
  const int16_t end =
      db_->Exec(status == kBtrOk ? "RELEASE SAVEPOINT orb_write"
                                 : "ROLLBACK TO SAVEPOINT orb_write");
  if (end != kBtrOk) bulk_failed_ = true;
  return status == kBtrOk ? end : status;
}

void PgFile::Images(const uint8_t* record, std::vector<std::string>& images,
                    std::vector<bool>& indexed) {
  const size_t keys = layout_.keys.size();
  images.resize(keys);
  indexed.assign(keys, false);
  for (size_t k = 0; k < keys; ++k) {
    ExtractKey(layout_.keys[k], record, scratch_key_);
    const auto* value = reinterpret_cast<const uint8_t*>(scratch_key_.data());
    indexed[k] = k == 0 || !IsNullKey(layout_.keys[k], value);
    MakeKeyImage(layout_, layout_.keys[k], value, images[k]);
  }
}

void PgFile::AddImages(PgParams& params, const std::vector<std::string>& images,
                       const std::vector<bool>& indexed) const {
  for (size_t k = 0; k < images.size(); ++k) {
    if (indexed[k]) {
      params.Bytes(images[k]);
    } else {
      params.Null();
    }
  }
}

int16_t PgFile::Insert(const uint8_t* record, int key) {
  if (broken_) return kBtrServerUnavailable;
  if (ReadOnly()) return kBtrAccessDenied;
  if (bulk_ && bulk_failed_) return kBtrIoError;
  if (bulk_ && buffering_) return BufferInsert(record, key);
  Images(record, images_, indexed_);
  const size_t keys = layout_.keys.size();
  const std::string_view data(reinterpret_cast<const char*>(record), layout_.record_length);
  PgParams params;
  params.Bytes(data);
  AddImages(params, images_, indexed_);
  std::string values = "nextval('" + SequenceName(id_.id) + "'), $1";
  for (size_t k = 0; k < keys; ++k) values += ", $" + std::to_string(k + 2);
  const std::string insert =
      "INSERT INTO " + id_.table + " (" + Columns(keys) + ") VALUES (" + values + ")";
  PgResult result;
  int16_t status;
  if (bulk_) {
    // Inside the load's transaction: a duplicate must not abort it.
    status = db_->Run("bulk_insert", insert + " ON CONFLICT DO NOTHING RETURNING position",
                      params, result);
    if (status == kBtrOk && result.Rows() == 0) return kBtrDuplicateKey;
    if (status != kBtrOk) bulk_failed_ = true;
  } else {
    status = db_->Run("insert",
                      "WITH ins AS (" + insert + " RETURNING position),"
                      " cnt AS (UPDATE orb_files SET record_count = record_count + 1"
                      " WHERE id = " + std::to_string(id_.id) + ")"
                      " SELECT position, pg_notify('" + ChangeChannel(id_.oid) +
                          "', '') FROM ins",
                      params, result);
  }
  if (int16_t s = Check(status)) return s;
  if (result.Rows() != 1) return kBtrIoError;
  const int64_t position = result.Int64(0, 0);
  if (bulk_) ++bulk_added_;
  NoteWrite();
  if (key >= 0) {
    record_.assign(data);
    position_ = static_cast<uint32_t>(position);
    on_record_ = true;
    SetPlace(key, record);
  }
  return kBtrOk;
}

int16_t PgFile::Update(const uint8_t* record) {
  if (broken_) return kBtrServerUnavailable;
  if (ReadOnly()) return kBtrAccessDenied;
  if (!on_record_) return kBtrInvalidPositioning;
  if (bulk_ && bulk_failed_) return kBtrIoError;
  Images(reinterpret_cast<const uint8_t*>(record_.data()), old_images_, old_indexed_);
  Images(record, images_, indexed_);
  for (size_t k = 0; k < layout_.keys.size(); ++k) {
    if (old_images_[k] != images_[k] && !layout_.keys[k].modifiable) {
      return kBtrKeyNotModifiable;
    }
  }
  if (bulk_ && buffering_) {
    if (int16_t s = StopBuffering()) return s;
  }
  const size_t keys = layout_.keys.size();
  const bool release = has_lock_ && locked_position_ == position_;
  const std::string_view data(reinterpret_cast<const char*>(record), layout_.record_length);
  PgParams params;
  params.Int64(LockKey(position_)).Int64(position_).Bytes(record_).Int32(release ? 1 : 0)
      .Bytes(data);
  AddImages(params, images_, indexed_);
  std::string sets = "data = $5";
  for (size_t k = 0; k < keys; ++k) {
    sets += ", " + KeyColumn(k) + " = $" + std::to_string(k + 6);
  }
  PgResult result;
  if (int16_t s = BeginBulkWrite()) return s;
  const int16_t status = db_->Run(
      "update",
      "WITH free AS (SELECT pg_try_advisory_xact_lock($1) AS ok),"
      " upd AS (UPDATE " + id_.table + " SET " + sets +
          " WHERE position = $2 AND data = $3 AND (SELECT ok FROM free) RETURNING position),"
          " note AS (SELECT pg_notify('" + ChangeChannel(id_.oid) + "', '') FROM upd),"
          " rel AS (SELECT pg_advisory_unlock($1) FROM upd WHERE $4 = 1)"
          " SELECT (SELECT ok FROM free), (SELECT count(*) FROM upd),"
          " (SELECT count(*) FROM note), (SELECT count(*) FROM rel)",
      params, result);
  if (int16_t s = Check(EndBulkWrite(status))) return s;
  if (!result.Bool(0, 0)) return kBtrRecordInUse;
  if (result.Int64(0, 1) != 1) return kBtrConflict;
  if (release) has_lock_ = false;
  NoteWrite();
  record_.assign(data);
  SetPlace(key_, record);
  return kBtrOk;
}

int16_t PgFile::Delete() {
  if (broken_) return kBtrServerUnavailable;
  if (ReadOnly()) return kBtrAccessDenied;
  if (!on_record_) return kBtrInvalidPositioning;
  if (bulk_ && bulk_failed_) return kBtrIoError;
  if (bulk_ && buffering_) {
    if (int16_t s = StopBuffering()) return s;
  }
  const bool release = has_lock_ && locked_position_ == position_;
  PgParams params;
  params.Int64(LockKey(position_)).Int64(position_).Bytes(record_).Int32(release ? 1 : 0);
  PgResult result;
  if (int16_t s = BeginBulkWrite()) return s;
  const int16_t status = db_->Run(
      "delete",
      "WITH free AS (SELECT pg_try_advisory_xact_lock($1) AS ok),"
      " del AS (DELETE FROM " + id_.table +
          " WHERE position = $2 AND data = $3 AND (SELECT ok FROM free) RETURNING position),"
          " cnt AS (UPDATE orb_files SET record_count = record_count - 1 WHERE id = " +
          std::to_string(id_.id) + " AND EXISTS (SELECT 1 FROM del)),"
          " note AS (SELECT pg_notify('" + ChangeChannel(id_.oid) + "', '') FROM del),"
          " rel AS (SELECT pg_advisory_unlock($1) FROM del WHERE $4 = 1)"
          " SELECT (SELECT ok FROM free), (SELECT count(*) FROM del),"
          " (SELECT count(*) FROM note), (SELECT count(*) FROM rel)",
      params, result);
  if (int16_t s = Check(EndBulkWrite(status))) return s;
  if (!result.Bool(0, 0)) return kBtrRecordInUse;
  if (result.Int64(0, 1) != 1) return kBtrConflict;
  if (release) has_lock_ = false;
  NoteWrite();
  on_record_ = false;  // the place (image_, position_) stays for Get Next / Previous
  return kBtrOk;
}

// A bulk load is one transaction on this block's connection. Into a file that was
// empty, the records are gathered (duplicates of a unique key refused as they come)
// and sent sorted along key 0 in one COPY, so that the table's rows lie in key 0 order.
// Anything else (a read, an update, a file that already held records) sends what was
// gathered and goes on record by record inside the transaction.
int16_t PgFile::BeginBulk() {
  if (broken_) return kBtrServerUnavailable;
  if (ReadOnly()) return kBtrAccessDenied;
  if (bulk_) return kBtrOk;
  if (int16_t s = Check(db_->Exec("BEGIN"))) return s;
  PgResult result;
  PgParams none;
  if (int16_t s = Check(db_->Run(nullptr,
                                 "SELECT NOT EXISTS (SELECT 1 FROM " + id_.table + ")", none,
                                 result))) {
    db_->Exec("ROLLBACK");
    return s;
  }
  bulk_ = true;
  bulk_failed_ = false;
  buffering_ = result.Bool(0, 0);
  bulk_added_ = 0;
  copy_rows_.clear();
  gathered_.clear();
  reserved_.clear();
  unique_seen_.assign(layout_.keys.size(), {});
  return kBtrOk;
}

int16_t PgFile::ReservePosition(int64_t& position) {
  if (reserved_.empty()) {
    PgResult result;
    PgParams none;
    if (int16_t s = Check(db_->Run(
            "reserve",
            "SELECT nextval('" + SequenceName(id_.id) + "') FROM generate_series(1, " +
                std::to_string(kReserveBatch) + ")",
            none, result))) {
      return s;
    }
    for (int r = result.Rows() - 1; r >= 0; --r) reserved_.push_back(result.Int64(r, 0));
    if (reserved_.empty()) return kBtrIoError;
  }
  position = reserved_.back();
  reserved_.pop_back();
  return kBtrOk;
}

int16_t PgFile::BufferInsert(const uint8_t* record, int key) {
  Images(record, images_, indexed_);
  for (size_t k = 0; k < layout_.keys.size(); ++k) {
    if (!indexed_[k] || layout_.keys[k].duplicates) continue;
    if (unique_seen_[k].count(images_[k]) > 0) return kBtrDuplicateKey;
  }
  int64_t position = 0;
  if (int16_t s = ReservePosition(position)) {
    bulk_failed_ = true;
    return s;
  }
  for (size_t k = 0; k < layout_.keys.size(); ++k) {
    if (indexed_[k] && !layout_.keys[k].duplicates) unique_seen_[k].insert(images_[k]);
  }
  const std::string_view data(reinterpret_cast<const char*>(record), layout_.record_length);
  const size_t offset = copy_rows_.size();
  PutBe16(copy_rows_, static_cast<int16_t>(2 + layout_.keys.size()));
  PutBe32(copy_rows_, 8);
  PutBe64(copy_rows_, position);
  PutField(copy_rows_, data);
  for (size_t k = 0; k < layout_.keys.size(); ++k) {
    if (indexed_[k]) {
      PutField(copy_rows_, images_[k]);
    } else {
      PutBe32(copy_rows_, -1);
    }
  }
  gathered_.push_back({images_[0], position, offset, copy_rows_.size() - offset});
  ++bulk_added_;
  NoteWrite();
  if (key >= 0) {
    record_.assign(data);
    position_ = static_cast<uint32_t>(position);
    on_record_ = true;
    SetPlace(key, record);
  }
  if (copy_rows_.size() >= kGatherBytes) {
    if (int16_t s = FlushBulk()) return s;
  }
  return kBtrOk;
}

int16_t PgFile::FlushBulk() {
  if (gathered_.empty()) return kBtrOk;
  std::vector<size_t> order(gathered_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(), [this](size_t a, size_t b) {
    const Gathered& x = gathered_[a];
    const Gathered& y = gathered_[b];
    return x.key0 != y.key0 ? x.key0 < y.key0 : x.position < y.position;
  });
  std::string stream("PGCOPY\n\377\r\n\0", 11);
  PutBe32(stream, 0);  // flags
  PutBe32(stream, 0);  // header extension
  stream.reserve(stream.size() + copy_rows_.size() + 2);
  for (size_t i : order) stream.append(copy_rows_, gathered_[i].offset, gathered_[i].length);
  PutBe16(stream, -1);
  copy_rows_.clear();
  copy_rows_.shrink_to_fit();
  gathered_.clear();
  const int16_t status = Check(db_->Copy(
      "COPY " + id_.table + " (" + Columns(layout_.keys.size()) + ") FROM STDIN (FORMAT binary)",
      stream));
  if (status != kBtrOk) bulk_failed_ = true;
  return status;
}

int16_t PgFile::StopBuffering() {
  buffering_ = false;
  unique_seen_.assign(layout_.keys.size(), {});
  return FlushBulk();
}

int16_t PgFile::EndBulk() {
  if (!bulk_) return kBtrOk;
  int16_t status = bulk_failed_ ? int16_t{kBtrIoError} : FlushBulk();
  bulk_ = false;
  buffering_ = false;
  unique_seen_.clear();
  reserved_.clear();
  PgResult result;
  if (status == kBtrOk && bulk_added_ != 0) {
    PgParams params;
    params.Int64(bulk_added_).Int64(id_.id);
    status = Check(db_->Run(nullptr,
                            "UPDATE orb_files SET record_count = record_count + $1"
                            " WHERE id = $2",
                            params, result));
  }
  if (status == kBtrOk) {
    status = Check(db_->Exec("SELECT pg_notify('" + ChangeChannel(id_.oid) + "', '')"));
  }
  if (status == kBtrOk) status = Check(db_->Exec("COMMIT"));
  if (status != kBtrOk) {
    if (!broken_) db_->Exec("ROLLBACK");
    status = kBtrIoError;
  } else if (bulk_added_ >= kAnalyzeAfter) {
    db_->Exec("ANALYZE " + id_.table);  // the planner learns the new table's size
  }
  bulk_failed_ = false;
  bulk_added_ = 0;
  NoteWrite();
  return status;
}

}  // namespace orb::btr::pg
