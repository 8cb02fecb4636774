// The two sides of a record manager engine as RecordEngine sees them: a FileEngine
// keeps data files somewhere (SQLite files on disk, tables on a PostgreSQL server) and
// creates and opens them by name; an OpenFile is one data file opened into one position
// block. Every engine keeps the same promises: records ordered along each key by (key
// image, physical position); positions that never change and are never reused;
// single-record locks that conflict with every other position block, released when the
// block, its process or its connection ends; and statuses, never exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/btrieve/key_layout.h"

namespace orb::btr {

enum class Seek : uint8_t {
  kEqual, kGreater, kGreaterOrEqual, kLess, kLessOrEqual, kFirst, kLast, kNext, kPrevious,
};

enum class OpenMode { kNormal, kReadOnly, kExclusive };

class OpenFile {
 public:
  virtual ~OpenFile() = default;

  virtual const FileLayout& layout() const = 0;
  // A record is current (a get, an insert or an update made it so).
  virtual bool HasRecord() const = 0;
  // The key along which the place was set, valid while positioned (also after a
  // delete, when Get Next and Get Previous go on from the deleted record's place).
  virtual bool Positioned() const = 0;
  virtual int CurrentKey() const = 0;
  virtual uint32_t CurrentPosition() const = 0;
  virtual const std::string& CurrentRecord() const = 0;

  // Moves to the record the seek names along `key` (a valid key number) and reads it.
  // key_value (key length bytes) is read for kEqual .. kLessOrEqual. With `lock`, takes
  // this block's single-record lock on it first (84, nothing moves, when another block
  // holds it). Statuses: 4 (equal not found), 9 (nothing that way), 8 (next or
  // previous without a place), 84, 85, 2, 20 (the server cannot be reached).
  virtual int16_t Get(Seek seek, int key, const uint8_t* key_value, bool lock) = 0;
  // Reads the record at a physical position and sets the place along `key` there.
  virtual int16_t GetDirect(uint32_t position, int key, bool lock) = 0;
  // Adds a record (layout.record_length bytes). A key number >= 0 makes it current.
  virtual int16_t Insert(const uint8_t* record, int key) = 0;
  // Replaces the current record; 8 without one, 80 when another block changed it
  // since it was read, 84 when another block locks it, 10 and 5 for key faults.
  virtual int16_t Update(const uint8_t* record) = 0;
  // Removes the current record, keeping its place for Get Next / Get Previous.
  virtual int16_t Delete() = 0;
  virtual int16_t RecordCount(uint32_t& count) = 0;
  virtual void Unlock() = 0;
  // In a forked child: lets go of what was inherited (descriptors, connections) without
  // touching the parent's locks or sessions.
  virtual void AbandonAfterFork() = 0;
  virtual int16_t BeginBulk() = 0;
  virtual int16_t EndBulk() = 0;
  virtual bool ReadOnly() const = 0;
  // The caller goes idle (it waits for a person): ends the read snapshot and closes
  // the scan the block keeps open, and drops what it read ahead, so that nothing this
  // block holds stops other programs' changes from being checkpointed or hides them
  // from its next read. The place stays: Get Next goes on from the same record. A bulk
  // load and the block's record lock are kept.
  virtual void Idle() = 0;
};

class FileEngine {
 public:
  virtual ~FileEngine() = default;
  // Creates the file `name` from a layout. Without `overwrite` an existing file gives
  // 59; a file open anywhere gives 85. The new file appears whole or not at all.
  virtual int16_t Create(const std::string& name, const FileLayout& layout,
                         bool overwrite) = 0;
  // Opens the file: 12 when missing, 85 when held exclusively (or, for kExclusive, open
  // elsewhere), 30 when it is not one of our data files.
  virtual int16_t Open(const std::string& name, OpenMode mode,
                       std::unique_ptr<OpenFile>& out) = 0;
  // Removes the file `name`: 12 when there is none, 85 when it is open anywhere.
  virtual int16_t Remove(const std::string& name) = 0;
  // In a forked child: as OpenFile::AbandonAfterFork, for what the engine itself holds.
  virtual void AbandonAfterFork() {}
};

}  // namespace orb::btr
