#include "platform/btrieve/lock_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/btrieve/btrieve.h"

namespace orb::btr {
namespace {

constexpr off_t kRecordLockBase = off_t{1} << 32;
constexpr size_t kMapSize = 4096;

bool SetLock(int fd, short type, off_t start) {
  struct flock fl{};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = 1;
  fl.l_pid = 0;
  int rc;
  do {
    rc = ::fcntl(fd, F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

}  // namespace

int16_t LockFile::Acquire(const std::string& data_path, Mode mode,
                          std::unique_ptr<LockFile>& out) {
  out.reset();
  const std::string path = data_path + ".lck";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  bool read_only = false;
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    if (mode == Mode::kExclusive) return kBtrAccessDenied;
    read_only = true;
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    // No sidecar, and none can be made: nobody here can write the file either.
    if (fd < 0 && errno == ENOENT) {
      out.reset(new LockFile(-1, true));
      return kBtrOk;
    }
  }
  if (fd < 0) return kBtrIoError;
  const short type = mode == Mode::kShared ? F_RDLCK : F_WRLCK;
  if (!SetLock(fd, type, 0)) {
    ::close(fd);
    return kBtrFileInUse;
  }
  out.reset(new LockFile(fd, read_only));
  return kBtrOk;
}

LockFile::LockFile(int fd, bool read_only) : fd_(fd), read_only_(read_only) {
  struct stat st{};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return;
  if (st.st_size < static_cast<off_t>(kMapSize) &&
      (read_only_ || ::ftruncate(fd_, static_cast<off_t>(kMapSize)) != 0)) {
    return;
  }
  // Read-only, the count of other processes' commits is still seen.
  const int protection = read_only_ ? PROT_READ : PROT_READ | PROT_WRITE;
  void* map = ::mmap(nullptr, kMapSize, protection, MAP_SHARED, fd_, 0);
  if (map != MAP_FAILED) map_ = map;
}

LockFile::~LockFile() { Abandon(); }

void LockFile::Abandon() {
  if (map_ != nullptr) ::munmap(map_, kMapSize);
  map_ = nullptr;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

uint64_t LockFile::ChangeCount() const {
  if (map_ == nullptr) return own_count_;
  return __atomic_load_n(static_cast<uint64_t*>(map_), __ATOMIC_ACQUIRE);
}

void LockFile::NoteChange() {
  if (map_ == nullptr || read_only_) {
    ++own_count_;
    return;
  }
  __atomic_fetch_add(static_cast<uint64_t*>(map_), 1, __ATOMIC_ACQ_REL);
}

bool LockFile::LockRecord(uint32_t position) {
  if (read_only_) return false;
  return SetLock(fd_, F_WRLCK, kRecordLockBase + position);
}

void LockFile::UnlockRecord(uint32_t position) {
  if (read_only_) return;
  SetLock(fd_, F_UNLCK, kRecordLockBase + position);
}

}  // namespace orb::btr
