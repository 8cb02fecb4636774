// DataFile: one data file opened into one position block — its SQLite connection (see
// SCHEMA.md), its cached statements, its place along a key and its locks. It promises
// Btrieve semantics over that schema: records ordered along each key by (key image,
// physical position), physical positions that never change and are never reused,
// single-record locks that conflict with every other position block, and statuses
// instead of SQLite errors ("database is locked" becomes 85 after the busy timeout).
// Reads share a read transaction (a snapshot) while no process has committed to the
// file since it began (the sidecar's commit count says so without a system call), for
// at most 100 ms; stepping along a key keeps one statement open between calls.
// A file the user may not write (its file, its folder or its sidecar read-only) is
// opened read-only, as a snapshot when its log cannot be used: reads work, writes and
// locking reads get 46.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/btrieve/file_engine.h"
#include "platform/btrieve/key_layout.h"
#include "platform/btrieve/lock_file.h"

struct sqlite3;
struct sqlite3_stmt;

namespace orb::btr {

class DataFile final : public OpenFile {
 public:
  using OpenMode = btr::OpenMode;

  // Creates the file at host path `path` from a layout. Without `overwrite` an
  // existing file gives 59; a file open anywhere gives 85. The new file appears whole
  // or not at all.
  static int16_t Create(const std::string& path, const FileLayout& layout, bool overwrite);

  // Opens the file: 12 when missing, 85 when held exclusively (or, for kExclusive, open
  // elsewhere), 30 when it is not one of our data files.
  static int16_t Open(const std::string& path, OpenMode mode, std::unique_ptr<DataFile>& out);

  // Rolls back a bulk load that EndBulk did not commit, releases the locks and closes
  // the connection.
  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  const FileLayout& layout() const { return layout_; }
  // A record is current (a get, an insert or an update made it so).
  bool HasRecord() const { return on_record_; }
  // The key along which the place was set, valid while positioned (also after a
  // delete, when Get Next and Get Previous go on from the deleted record's place).
  bool Positioned() const { return positioned_; }
  int CurrentKey() const { return key_; }
  uint32_t CurrentPosition() const { return position_; }
  const std::string& CurrentRecord() const { return record_; }

  // Moves to the record the seek names along `key` (a valid key number) and reads it.
  // key_value (key length bytes) is read for kEqual .. kLessOrEqual. With `lock`, takes
  // this block's single-record lock on it first (84, nothing moves, when another block
  // holds it). Statuses: 4 (equal not found), 9 (nothing that way), 8 (next or
  // previous without a place), 84, 85, 2.
  int16_t Get(Seek seek, int key, const uint8_t* key_value, bool lock);
  // Reads the record at a physical position and sets the place along `key` there.
  int16_t GetDirect(uint32_t position, int key, bool lock);
  // Adds a record (layout.record_length bytes). A key number >= 0 makes it current.
  int16_t Insert(const uint8_t* record, int key);
  // Replaces the current record; 8 without one, 80 when another block changed it
  // since it was read, 84 when another block locks it, 10 and 5 for key faults.
  int16_t Update(const uint8_t* record);
  // Removes the current record, keeping its place for Get Next / Get Previous.
  int16_t Delete();
  int16_t RecordCount(uint32_t& count);
  void Unlock();
  // In a forked child: drops the inherited lock descriptor, touching nothing else.
  void AbandonAfterFork() { locks_->Abandon(); }
  int16_t BeginBulk();
  int16_t EndBulk();
  // Gives up a bulk load in progress: none of its changes stay.
  void AbandonBulk();
  bool ReadOnly() const { return mode_ == OpenMode::kReadOnly || cannot_write_; }
  void Idle() override;

 private:
  struct Statements;
  DataFile() = default;

  int16_t SetUp(const std::string& path, OpenMode mode);
  int16_t Status(int sqlite_rc) const;
  sqlite3_stmt* Prepare(sqlite3_stmt*& slot, const std::string& sql);
  sqlite3_stmt* ScanStatement(int key, Seek seek);
  sqlite3_stmt* InsertKeyStatement(size_t key);
  // Runs `sql` (cached in `slot`) with the record's position as ?1 and its bytes as ?2.
  int16_t WriteRecordRow(sqlite3_stmt*& slot, const char* sql, int64_t position,
                         const void* record, int length);
  bool CursorUsable(Seek seek, int key) const;
  // A search forward along the open forward scan from the current record (the target
  // image is in scratch_image_); false when the scan cannot tell and the search must
  // seek, else the status in `status`.
  bool SearchAlongCursor(Seek seek, int key, int16_t& status);
  void ResetCursor();
  int16_t BeginRead();
  void EndRead();
  int16_t TakeRow(sqlite3_stmt* stmt, int key, bool lock);
  int16_t RefreshLocked(int key);
  int16_t BeginWrite();
  int16_t EndWrite(int16_t status);
  int16_t LoadCounters();
  int16_t StoreCounters();
  int16_t CheckUnique(int key, const std::string& image, int64_t except_position);
  int16_t CheckCurrentUnchanged(bool& locked_here);
  int16_t ReadRecord(uint32_t position, std::string& out, bool& found);
  void SetPlace(int key, const uint8_t* record);

  sqlite3* db_ = nullptr;
  std::unique_ptr<LockFile> locks_;
  std::unique_ptr<Statements> stmts_;
  FileLayout layout_;
  OpenMode mode_ = OpenMode::kNormal;
  bool cannot_write_ = false;  // the user may only read the file

  // The place along key_: (image_, position_), and the record read there.
  bool positioned_ = false;
  bool on_record_ = false;
  int key_ = 0;
  std::string image_;
  uint32_t position_ = 0;
  std::string record_;

  // The open scan statement and what it was opened for.
  sqlite3_stmt* cursor_ = nullptr;
  bool cursor_forward_ = true;
  int cursor_key_ = 0;
  // For a forward scan: every row it passed before the current one has an image below
  // before_image_ (or at most it, when before_inclusive_), so that a search for a
  // target beyond that can be answered by stepping on.
  bool before_known_ = false;
  bool before_inclusive_ = false;
  std::string before_image_;

  // The read transaction the reads share.
  bool reading_ = false;
  int64_t read_started_ms_ = 0;
  uint64_t read_change_count_ = 0;

  bool has_lock_ = false;
  uint32_t locked_position_ = 0;

  bool bulk_ = false;
  bool bulk_failed_ = false;  // a write of the bulk load failed half-way
  bool wrote_ = false;        // the write in progress has changed something
  int64_t next_position_ = 1;
  int64_t record_count_ = 0;

  std::string scratch_key_;
  std::string scratch_image_;
  std::vector<std::string> old_images_, new_images_;
  std::vector<bool> old_indexed_, new_indexed_;
};

}  // namespace orb::btr
