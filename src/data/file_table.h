// FileTable: the program's open data files, named by the caller's 16-bit file numbers,
// and the read operations on them (by key, stepping along a key, by physical position,
// with optional record locks), all through the record manager. Entries 1..40 hold
// files; entry 0's position block is the scratch block for Reset.
//
// Promises: no read writes more than the caller's RecordArea holds, nor more than the
// file's record length; a bad file number, key number, dictionary or data file gives
// a status, never a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/session.h"

namespace orb {

// Status codes of this layer, besides the record manager's own.
enum DataStatus : int16_t {
  kDataFileNotOpen = 3, kDataAlreadyOpen = 1002, kDataNoFreeEntry = 1003,
  kDataNoSuchKey = 1004,
};

// What the data layer needs from the screen and the program: the open-failure message
// (a box, a beep, a key) and the end of the program that follows it, and the lock
// message shown while a locked record is waited for.
class DataMessages {
 public:
  virtual ~DataMessages() = default;
  // Shows the text in a message box at the given row and leaves it on screen.
  virtual void ShowMessage(int16_t row, const std::string& text) = 0;
  // Removes the box shown last.
  virtual void HideMessage() = 0;
  virtual void Beep() = 0;
  // Discards pending key presses and waits for one key.
  virtual void WaitForKey() = 0;
  // Closes the program's plain files and ends the program with exit code 0. May
  // return (in tests); the caller then carries on with the failure status.
  virtual void EndProgram() = 0;
  // Waits (the open retry and the lock retry pauses).
  virtual void Sleep(int32_t milliseconds) = 0;
  // Asked before each pause while another program holds the file `name` (an open that
  // finds it in use, a read in lock mode 1 that finds its record locked); `waited_ms`
  // is how long this operation has waited so far. False gives up: the open then fails
  // as any open does, the read returns the busy status. By default the wait has no end.
  virtual bool KeepWaiting(const std::string& /*name*/, int32_t /*waited_ms*/) { return true; }
  // The file `name` was missing and has been created empty from its dictionary.
  virtual void FileCreated(const std::string& /*name*/) {}
};

// The record manager as the table reaches it: the BTRCALL shape. The program's own is
// BtrieveRecordManager (below); tests hand in scripted ones.
class RecordManager {
 public:
  virtual ~RecordManager() = default;
  virtual int16_t Call(uint16_t operation, void* position_block, void* data_buffer,
                       uint32_t* data_length, void* key_buffer, uint8_t key_length,
                       int8_t key_number) = 0;
};

// Passes every call to BTRCALL.
class BtrieveRecordManager : public RecordManager {
 public:
  int16_t Call(uint16_t operation, void* position_block, void* data_buffer,
               uint32_t* data_length, void* key_buffer, uint8_t key_length,
               int8_t key_number) override;
};

// Uniform random fractions in [0, 1), for the pauses between lock retries.
using RandomFraction = std::function<double()>;

// The caller's record storage for a file: every read copies the record here, never
// more than `size` bytes.
struct RecordArea {
  uint8_t* data = nullptr;
  size_t size = 0;
};

// The open-failure and lock messages for a session language ("SPA", "GLG", "OCI",
// anything else Catalan), code page 850.
std::string OpenFailureText(std::string_view language);
std::string LockWaitText(std::string_view language);

// How a data file name splits: directory (up to and including the last ':', '\' or
// '/'), base name, and extension (from the first dot of the last component; ".dat"
// when there is none).
struct DataFileName {
  std::string directory;
  std::string base;
  std::string extension;
};
DataFileName SplitDataFileName(std::string_view name);

class FileTable {
 public:
  static constexpr int16_t kEntries = 41;

  // Uses BTRCALL and a random source seeded from the host.
  FileTable(const Session& session, DataMessages& messages);
  // Uses the given record manager and random source; both must outlive the table.
  FileTable(const Session& session, DataMessages& messages, RecordManager& manager,
            RandomFraction random);
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // Index 1..40 of the entry holding file_no; else minus the highest free index, or 0.
  int16_t FindFileEntry(int16_t file_no) const;

  // Opens `name` (without extension: ".dat" is added) as file_no, creating it from
  // root + "ddf\" + base name + ".xdf" when missing. A failure shows the message and
  // ends the program.
  void OpenDataFile(int16_t file_no, std::string_view name, RecordArea area,
                    int16_t& status);
  void ResetDataFiles(int16_t& status);
  void GetKeyInfo(int16_t file_no, int16_t key_no, int16_t& key_length,
                  int16_t& record_length);

  // mode 0: equal; > 0: greater or equal; < 0: less or equal.
  void GetByKey(int16_t file_no, int16_t key_no, std::string_view key_value, int16_t mode,
                int16_t& status);
  void StepRecords(int16_t file_no, int16_t count, int16_t& status);
  // Position 0: the current record's physical position (0 when none). Otherwise reads
  // the record at that position and returns the status.
  int32_t PositionRecord(int16_t file_no, int32_t position);
  // Letters: D/A/B set the lock mode, "+" saves it, "-" restores it.
  void SetLockMode(int16_t file_no, std::string_view letters, int16_t& status);
  std::string KeyImage(std::string_view value, int16_t file_no);
  std::string CurrentKeyImage(int16_t file_no);

  // The single place where a read that fills the record area reaches the record
  // manager: adds the lock bias to `operation` when the lock mode asks for it, waits
  // and retries in lock mode 1. GetByKey and StepRecords read through it.
  void LockedGet(int16_t entry, uint16_t& operation, int16_t& status);

  // What the entry of file_no holds now (tests and the browse list look at these).
  std::string CurrentKeyValue(int16_t file_no) const;
  int16_t CurrentKeyNumber(int16_t file_no) const;
  int16_t CurrentLockMode(int16_t file_no) const;
  int32_t RecordLength(int16_t file_no) const;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace orb
