// LockFile: the locks of one open position block, kept as open-file-description locks
// (F_OFD_SETLK) on a sidecar file beside the data file (data path + ".lck"). Each
// LockFile owns its own descriptor, so its locks conflict with every other position
// block, in this process or another, and vanish when the LockFile is destroyed or its
// process ends, however it ends. Byte 0 is the file lock: shared while the file is open,
// exclusive while it is being created or is open exclusively. Record locks are single
// bytes at kRecordLockBase + physical position. The sidecar's first 8 bytes, mapped
// shared, count the commits made to the file by every process, so that a reader can
// tell without a system call whether its snapshot is still the latest.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace orb::btr {

class LockFile {
 public:
  enum class Mode { kShared, kExclusive };

  // Opens (creating if need be) the sidecar of data_path and takes the file lock.
  // Returns 0, 85 when the lock is held against the mode, or 2 when the sidecar cannot
  // be opened.
  static int16_t Acquire(const std::string& data_path, Mode mode,
                         std::unique_ptr<LockFile>& out);
  ~LockFile();
  LockFile(const LockFile&) = delete;
  LockFile& operator=(const LockFile&) = delete;

  // Takes the record lock without waiting; false when another block holds it.
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
  explicit LockFile(int fd);
  int fd_;
  void* map_ = nullptr;     // the sidecar's first page, when it could be mapped
  uint64_t own_count_ = 0;  // this block's own count otherwise
};

}  // namespace orb::btr
