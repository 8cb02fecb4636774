// PgFile: one server data file opened into one position block, over a connection of its
// own. Reads along a key go through what the block has read ahead (KeyRows): a search
// or step inside rows already fetched costs no round trip; one that runs off them
// fetches the next batch in key order (keyset pagination, batches doubling up to a few
// thousand rows). What was read ahead is dropped when the file changes: at once for
// changes made through this process's engine, and for other connections' changes as
// soon as their change notice arrives (checked at most every millisecond, without a
// round trip). Locking reads and every write ask the server. Bulk loads gather their
// records and send them in key 0 order in one COPY, in one transaction that only
// EndBulk commits.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/btrieve/file_engine.h"
#include "platform/btrieve/postgres/pg_connection.h"
#include "platform/btrieve/postgres/read_ahead.h"

namespace orb::btr::pg {

struct EngineShared;

struct FileIdentity {
  int64_t id = 0;     // the catalogue's id
  uint32_t oid = 0;   // the table's OID: the record locks' key base, the change channel
  std::string table;  // orb_file_<id>
};

class PgFile final : public OpenFile {
 public:
  PgFile(std::unique_ptr<PgConnection> connection, FileIdentity identity, FileLayout layout,
         OpenMode mode, std::shared_ptr<EngineShared> shared);
  ~PgFile() override;

  const FileLayout& layout() const override { return layout_; }
  bool HasRecord() const override { return on_record_; }
  bool Positioned() const override { return positioned_; }
  int CurrentKey() const override { return key_; }
  uint32_t CurrentPosition() const override { return position_; }
  const std::string& CurrentRecord() const override { return record_; }

  int16_t Get(Seek seek, int key, const uint8_t* key_value, bool lock) override;
  int16_t GetDirect(uint32_t position, int key, bool lock) override;
  int16_t Insert(const uint8_t* record, int key) override;
  int16_t Update(const uint8_t* record) override;
  int16_t Delete() override;
  int16_t RecordCount(uint32_t& count) override;
  void Unlock() override;
  void AbandonAfterFork() override;
  int16_t BeginBulk() override;
  int16_t EndBulk() override;
  bool ReadOnly() const override { return mode_ == OpenMode::kReadOnly; }
  // Reads run outside transactions; only what was read ahead is let go.
  void Idle() override;

 private:
  // The row a search found, or none: one read ahead (valid until the next read) or one
  // the search fetched itself (kept in `own`).
  struct Found {
    bool found = false;
    const Row* row = nullptr;
    Row own;
  };

  int16_t Check(int16_t status);
  void Refresh();
  void DropReadAhead();
  int16_t Search(int key, bool forward, const Place& target, Found& out);
  int16_t SearchLocked(int key, bool forward, const Place& target, bool exact, Found& out);
  // Fetches a batch from `from`: it joins the stretch when `join` finds nothing between
  // them, continues it with `extend` (from is then just past its end), else replaces it;
  // `continued` says whether the stretch went on.
  int16_t Fetch(int key, bool forward, const Place& from, bool join, KeyRows& rows,
                bool extend = false, bool* continued = nullptr);
  int16_t DecodeRow(const PgResult& result, int row, int key, Row& out) const;
  int16_t ReadByPosition(uint32_t position, std::string& out, bool& found);
  int16_t TakeLock(uint32_t position);
  void ReleaseLock();
  int64_t LockKey(uint32_t position) const;
  void SetPlace(int key, const uint8_t* record);
  void Images(const uint8_t* record, std::vector<std::string>& images,
              std::vector<bool>& indexed);
  void AddImages(PgParams& params, const std::vector<std::string>& images,
                 const std::vector<bool>& indexed) const;
  void NoteWrite();
  int16_t BeginBulkWrite();
  int16_t EndBulkWrite(int16_t status);
  // Bulk loads.
  int16_t BufferInsert(const uint8_t* record, int key);
  int16_t FlushBulk();
  int16_t ReservePosition(int64_t& position);
  int16_t StopBuffering();

  std::unique_ptr<PgConnection> db_;
  FileIdentity id_;
  FileLayout layout_;
  OpenMode mode_;
  std::shared_ptr<EngineShared> shared_;
  std::shared_ptr<uint64_t> version_;  // changes through this engine
  bool broken_ = false;                // the connection is gone: every call gets 20

  // The place along key_: (image_, position_), and the record read there.
  bool positioned_ = false;
  bool on_record_ = false;
  int key_ = 0;
  std::string image_;
  uint32_t position_ = 0;
  std::string record_;

  // Read ahead, one run of rows per key, valid while version_ stays at seen_version_.
  std::vector<KeyRows> read_ahead_;
  std::vector<size_t> batch_;
  uint64_t seen_version_ = 0;
  std::chrono::steady_clock::time_point next_notice_check_{};

  bool has_lock_ = false;
  uint32_t locked_position_ = 0;

  // Bulk load state.
  bool bulk_ = false;
  bool bulk_failed_ = false;
  bool buffering_ = false;       // inserts are gathered for one COPY
  int64_t bulk_added_ = 0;       // records the load adds to the count
  std::string copy_rows_;        // the gathered rows in COPY's binary tuple form
  struct Gathered {
    std::string key0;
    int64_t position;
    size_t offset, length;
  };
  std::vector<Gathered> gathered_;
  std::vector<std::unordered_set<std::string>> unique_seen_;
  std::vector<int64_t> reserved_;  // positions taken from the sequence, not yet used

  std::string scratch_key_, scratch_image_;
  std::vector<std::string> images_, old_images_;
  std::vector<bool> indexed_, old_indexed_;
};

}  // namespace orb::btr::pg
