// LockFile: the locks of one open position block, kept as open-file-description locks
// (F_OFD_SETLK) on a sidecar file beside the data file (data path + ".lck"). Each
// LockFile owns its own descriptor, so its locks conflict with every other position
// block, in this process or another, and vanish when the LockFile is destroyed or its
// process ends, however it ends. Byte 0 is the file lock: shared while the file is open,
// exclusive while it is being created or is open exclusively. Record locks are single
// bytes at kRecordLockBase + physical position. The sidecar's first 8 bytes, mapped
// shared, count the commits made to the file by every process, so that a reader can
// tell without a system call whether its snapshot is still the latest.
// Where the sidecar cannot be written (a directory or file the user may only read), a
// shared open takes its file lock through a read-only descriptor, or, with no sidecar
// to open, goes without one: such a file is only read, and record locks are refused.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orb::btr {

class LockFile {
 public:
  enum class Mode { kShared, kExclusive };

  // Opens (creating if need be) the sidecar of data_path and takes the file lock.
  // Returns 0, 85 when the lock is held against the mode, 46 for an exclusive lock on
  // a sidecar that cannot be written, or 2 when the sidecar cannot be opened.
  static int16_t Acquire(const std::string& data_path, Mode mode,
                         std::unique_ptr<LockFile>& out);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // The sidecar could not be opened for writing: only reads may follow.
  bool ReadOnly() const { return read_only_; }

  // Takes the record lock without waiting; false when another block holds it (or the
  // sidecar is read-only).
  bool LockRecord(uint32_t position);
  void UnlockRecord(uint32_t position);

  // In a forked child: lets go of the inherited descriptor without unlocking, so that
  // the parent's locks end when the parent closes (the child holding the shared open
  // file description would otherwise keep them alive).
  void Abandon();

  // The file's commit count, and its increment after a commit.
  uint64_t ChangeCount() const;
  void NoteChange();

 private:
  LockFile(int fd, bool read_only);
  int fd_;
  bool read_only_ = false;
  void* map_ = nullptr;     // the sidecar's first page, when it could be mapped
  uint64_t own_count_ = 0;  // this block's own count otherwise
};

}  // namespace orb::btr
