// The reading half of PgFile: searches and steps through what was read ahead, locking
// reads, reads by position.
#include "platform/btrieve/postgres/pg_file.h"

#include <algorithm>
#include <cstring>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/postgres/pg_files.h"
#include "platform/btrieve/postgres/pg_sql.h"

namespace orb::btr::pg {
namespace {

constexpr size_t kFirstBatch = 16;
constexpr size_t kLargestBatch = 16384;
constexpr size_t kMostRowsKept = 65536;
constexpr auto kNoticeInterval = std::chrono::milliseconds(1);
constexpr int64_t kAfterEveryPosition = int64_t{1} << 32;

std::string Name(const char* what, size_t key) { return what + std::to_string(key); }

}  // namespace

PgFile::PgFile(std::unique_ptr<PgConnection> connection, FileIdentity identity,
               FileLayout layout, OpenMode mode, std::shared_ptr<EngineShared> shared)
    : db_(std::move(connection)), id_(std::move(identity)), layout_(std::move(layout)),
      mode_(mode), shared_(std::move(shared)), version_(shared_->VersionOf(id_.oid)),
      read_ahead_(layout_.keys.size()), batch_(layout_.keys.size(), kFirstBatch) {
  seen_version_ = *version_;
}

// Closing the connection ends the session: its locks go, and a bulk load that was not
// ended is rolled back by the server.
PgFile::~PgFile() = default;

void PgFile::AbandonAfterFork() { db_->Abandon(); }

// A status from the server: a connection that is gone stays gone for this block (its
// locks went with it), and the failure is kept for messages.
int16_t PgFile::Check(int16_t status) {
  if (status == kBtrServerUnavailable || !db_->Alive()) {
    broken_ = true;
    status = kBtrServerUnavailable;
  }
  if (status == kBtrServerUnavailable || status == kBtrIoError) {
    shared_->last_error = db_->LastError();
  }
  return status;
}

void PgFile::Idle() {
  if (!bulk_) DropReadAhead();
}

void PgFile::DropReadAhead() {
  for (KeyRows& rows : read_ahead_) rows.Clear();
  seen_version_ = *version_;
}

// Learns of changes: this engine's own at once, other connections' through their
// notices, looked for at most every kNoticeInterval.
void PgFile::Refresh() {
  const auto now = std::chrono::steady_clock::now();
  if (now >= next_notice_check_) {
    next_notice_check_ = now + kNoticeInterval;
    const int notices = db_->TakeNotices();
    if (notices < 0) {
      broken_ = true;
      shared_->last_error = db_->Server() + ": the connection to the server was lost";
    } else if (notices > 0) {
      ++*version_;
    }
  }
  if (seen_version_ != *version_) DropReadAhead();
}

int64_t PgFile::LockKey(uint32_t position) const {
  return static_cast<int64_t>((uint64_t{id_.oid} << 32) | position);
}

int16_t PgFile::DecodeRow(const PgResult& result, int row, int key, Row& out) const {
  const std::string_view image = result.Bytes(row, 0);
  const int64_t position = result.Int64(row, 1);
  const std::string_view data = result.Bytes(row, 2);
  if (position <= 0 || position > int64_t{UINT32_MAX} ||
      data.size() != layout_.record_length ||
      image.size() != layout_.keys[static_cast<size_t>(key)].length) {
    return kBtrIoError;  // a damaged row
  }
  out.image.assign(image);
  out.position = static_cast<uint32_t>(position);
  out.data.assign(data);
  return kBtrOk;
}

int16_t PgFile::Fetch(int key, bool forward, const Place& from, bool join, KeyRows& rows,
                      bool extend, bool* continued) {
  const auto k = static_cast<size_t>(key);
  const KeyDef& def = layout_.keys[k];
  Place beyond;
  // Only a target past the stretch read on can join it.
  join = join && forward && rows.Beyond(true, beyond) &&
         ComparePlaces(from.image, from.position, beyond) >= 0;
  const size_t limit = batch_[k];
  PgParams params;
  params.Bytes(from.image).Int64(from.position).Int64(static_cast<int64_t>(limit));
  if (join) params.Bytes(beyond.image).Int64(beyond.position);
  PgResult result;
  const std::string name = Name(join ? "join" : forward ? "next" : "prev", k);
  const std::string sql =
      join ? JoinedScanSql(id_.table, def, k) : ScanSql(id_.table, def, k, forward);
  if (int16_t s = Check(db_->Run(name.c_str(), sql, params, result))) return s;
  std::deque<Row> fetched;
  bool joined = false;
  for (int r = 0; r < result.Rows(); ++r) {
    if (result.IsNull(r, 2)) {  // the marker: the first row beyond the earlier stretch
      const std::string_view image = result.Bytes(r, 0);
      joined = ComparePlaces(image, result.Int64(r, 1), from) >= 0;
      continue;
    }
    Row row;
    if (int16_t s = DecodeRow(result, r, key, row)) return s;
    fetched.push_back(std::move(row));
  }
  const bool complete = fetched.size() < limit;
  // Nothing beyond the earlier stretch at all also joins it.
  if (join && !joined && result.Rows() == static_cast<int>(fetched.size())) joined = true;
  if (continued != nullptr) *continued = (join && joined) || extend;
  if ((join && joined) || extend) {
    rows.Append(forward, std::move(fetched), complete);
  } else {
    rows.Replace(from, forward, std::move(fetched), complete);
  }
  rows.Trim(kMostRowsKept, forward);
  return kBtrOk;
}

int16_t PgFile::Search(int key, bool forward, const Place& target, Found& out) {
  out.found = false;
  Refresh();
  if (broken_) return kBtrServerUnavailable;
  KeyRows& rows = read_ahead_[static_cast<size_t>(key)];
  size_t& batch = batch_[static_cast<size_t>(key)];
  for (int round = 0; round < 64; ++round) {
    const KeyRows::Lookup look = forward ? rows.Forward(target) : rows.Backward(target);
    switch (look.answer) {
      case KeyRows::Answer::kRow:
        out.found = true;
        out.row = &rows.At(look.index);
        return kBtrOk;
      case KeyRows::Answer::kNone:
        return kBtrOk;
      case KeyRows::Answer::kExtend: {
        // The rows just past the stretch: they continue it, so that a walk that turns
        // back a little (the report, from one owner to the next) still finds its rows.
        Place from;
        rows.Beyond(forward, from);
        batch = std::min(batch * 2, kLargestBatch);
        if (int16_t s = Fetch(key, forward, from, false, rows, true)) return s;
        break;
      }
      case KeyRows::Answer::kFetch: {
        bool continued = false;
        if (int16_t s = Fetch(key, forward, target, true, rows, false, &continued)) return s;
        // A search that joined the stretch read on is part of a walk: batches grow. One
        // elsewhere (a lookup at random) starts small again.
        batch = continued ? std::min(batch * 2, kLargestBatch) : kFirstBatch;
        break;
      }
    }
  }
  return kBtrIoError;
}

// Asks the server for the row and takes its lock in the same statement, then reads the
// record again: a change committed between the statement's snapshot and the lock must
// not be missed. The lock held before moves to the new record.
int16_t PgFile::SearchLocked(int key, bool forward, const Place& target, bool exact,
                             Found& out) {
  out.found = false;
  if (broken_) return kBtrServerUnavailable;
  const auto k = static_cast<size_t>(key);
  PgParams params;
  params.Bytes(target.image).Int64(target.position).Int64(id_.oid)
      .Int64(has_lock_ ? LockKey(locked_position_) : 0).Int32(exact ? 1 : 0);
  PgResult result;
  const std::string name = Name(forward ? "lnext" : "lprev", k);
  if (int16_t s = Check(db_->Run(name.c_str(),
                                 LockedScanSql(id_.table, layout_.keys[k], k, forward),
                                 params, result))) {
    return s;
  }
  if (result.Rows() == 0) return kBtrOk;
  Row row;
  if (int16_t s = DecodeRow(result, 0, key, row)) return s;
  if (result.IsNull(0, 3)) return kBtrOk;  // not the key asked for: nothing locked
  if (!result.Bool(0, 3)) return kBtrRecordInUse;
  has_lock_ = true;
  locked_position_ = row.position;
  bool found = false;
  if (int16_t s = ReadByPosition(row.position, row.data, found)) return s;
  if (!found) {
    ReleaseLock();
    return kBtrConflict;
  }
  out.found = true;
  out.own = std::move(row);
  out.row = &out.own;
  return kBtrOk;
}

int16_t PgFile::Get(Seek seek, int key, const uint8_t* key_value, bool lock) {
  if (broken_) return kBtrServerUnavailable;
  const bool stepping = seek == Seek::kNext || seek == Seek::kPrevious;
  if (stepping) {
    if (!positioned_) return kBtrInvalidPositioning;
    key = key_;
  }
  if (bulk_ && buffering_) {
    if (int16_t s = StopBuffering()) return s;
  }
  const KeyDef& def = layout_.keys[static_cast<size_t>(key)];
  Place target;
  bool forward = true;
  switch (seek) {
    case Seek::kEqual: case Seek::kGreaterOrEqual: case Seek::kGreater:
    case Seek::kLess: case Seek::kLessOrEqual:
      MakeKeyImage(layout_, def, key_value, target.image);
      break;
    default: break;
  }
  switch (seek) {
    case Seek::kEqual: case Seek::kGreaterOrEqual: target.position = 0; break;
    case Seek::kGreater: target.position = kAfterEveryPosition; break;
    case Seek::kNext: target = {image_, int64_t{position_} + 1}; break;
    case Seek::kFirst: target = {std::string(), 0}; break;
    case Seek::kLessOrEqual: target.position = kAfterEveryPosition; forward = false; break;
    case Seek::kLess: target.position = 0; forward = false; break;
    case Seek::kPrevious: target = {image_, int64_t{position_} - 1}; forward = false; break;
    case Seek::kLast:
      target = {std::string(def.length + 1u, '\xFF'), 0};
      forward = false;
      break;
  }
  Found found;
  const int16_t status =
      lock ? SearchLocked(key, forward, target, seek == Seek::kEqual, found)
           : Search(key, forward, target, found);
  if (status != kBtrOk) return status;
  if (!found.found) return seek == Seek::kEqual ? kBtrKeyNotFound : kBtrEndOfFile;
  if (seek == Seek::kEqual && found.row->image != target.image) return kBtrKeyNotFound;
  positioned_ = true;
  on_record_ = true;
  key_ = key;
  image_.assign(found.row->image);
  position_ = found.row->position;
  record_.assign(found.row->data);
  if (lock) SetPlace(key, reinterpret_cast<const uint8_t*>(record_.data()));
  return kBtrOk;
}

int16_t PgFile::ReadByPosition(uint32_t position, std::string& out, bool& found) {
  found = false;
  PgParams params;
  params.Int64(position);
  PgResult result;
  if (int16_t s = Check(db_->Run("direct",
                                 "SELECT data FROM " + id_.table + " WHERE position = $1",
                                 params, result))) {
    return s;
  }
  if (result.Rows() == 0) return kBtrOk;
  const std::string_view data = result.Bytes(0, 0);
  if (data.size() != layout_.record_length) return kBtrIoError;
  out.assign(data);
  found = true;
  return kBtrOk;
}

int16_t PgFile::TakeLock(uint32_t position) {
  if (has_lock_ && locked_position_ == position) return kBtrOk;
  PgParams params;
  params.Int64(LockKey(position)).Int64(has_lock_ ? LockKey(locked_position_) : 0);
  PgResult result;
  if (int16_t s = Check(db_->Run(
          "lock",
          "SELECT CASE WHEN pg_try_advisory_lock($1) THEN (CASE WHEN $2 <> 0 THEN "
          "pg_advisory_unlock($2) IS NOT NULL ELSE true END) ELSE false END",
          params, result))) {
    return s;
  }
  if (!result.Bool(0, 0)) return kBtrRecordInUse;
  has_lock_ = true;
  locked_position_ = position;
  return kBtrOk;
}

void PgFile::ReleaseLock() {
  if (!has_lock_) return;
  has_lock_ = false;
  if (broken_) return;
  PgParams params;
  params.Int64(LockKey(locked_position_));
  PgResult result;
  Check(db_->Run("unlock", "SELECT pg_advisory_unlock($1)", params, result));
}

void PgFile::Unlock() { ReleaseLock(); }

int16_t PgFile::GetDirect(uint32_t position, int key, bool lock) {
  if (broken_) return kBtrServerUnavailable;
  if (position == 0) return kBtrInvalidRecordAddress;
  if (bulk_ && buffering_) {
    if (int16_t s = StopBuffering()) return s;
  }
  std::string record;
  bool found = false;
  if (int16_t s = ReadByPosition(position, record, found)) return s;
  if (!found) return kBtrInvalidRecordAddress;
  if (lock) {
    if (int16_t s = TakeLock(position)) return s;
    if (int16_t s = ReadByPosition(position, record, found)) return s;
    if (!found) {
      ReleaseLock();
      return kBtrInvalidRecordAddress;
    }
  }
  record_ = std::move(record);
  position_ = position;
  on_record_ = true;
  SetPlace(key, reinterpret_cast<const uint8_t*>(record_.data()));
  return kBtrOk;
}

void PgFile::SetPlace(int key, const uint8_t* record) {
  const KeyDef& def = layout_.keys[static_cast<size_t>(key)];
  ExtractKey(def, record, scratch_key_);
  MakeKeyImage(layout_, def, reinterpret_cast<const uint8_t*>(scratch_key_.data()), image_);
  key_ = key;
  positioned_ = true;
}

int16_t PgFile::RecordCount(uint32_t& count) {
  if (broken_) return kBtrServerUnavailable;
  if (bulk_ && buffering_) {
    if (int16_t s = StopBuffering()) return s;
  }
  PgParams params;
  params.Int64(id_.id);
  PgResult result;
  if (int16_t s = Check(db_->Run("count", "SELECT record_count FROM orb_files WHERE id = $1",
                                 params, result))) {
    return s;
  }
  if (result.Rows() == 0) return kBtrIoError;
  const int64_t n = result.Int64(0, 0) + (bulk_ ? bulk_added_ : 0);
  count = n < 0 ? 0 : n > int64_t{UINT32_MAX} ? UINT32_MAX : static_cast<uint32_t>(n);
  return kBtrOk;
}

}  // namespace orb::btr::pg
