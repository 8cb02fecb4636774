#include "platform/btrieve/sqlite_files.h"

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/data_file.h"
#include "platform/btrieve/file_system.h"
#include "platform/btrieve/lock_file.h"
#include "platform/host_path.h"

namespace orb::btr {

int16_t SqliteFiles::CheckFileSystem(const std::string& path) {
  std::string refusal = NetworkFileSystemRefusal(path);
  if (refusal.empty()) return kBtrOk;
  last_refusal_ = std::move(refusal);
  return kBtrNetworkFileSystem;
}

int16_t SqliteFiles::Create(const std::string& name, const FileLayout& layout,
                            bool overwrite) {
  const std::optional<std::string> path = HostPath(name);
  if (!path) return kBtrFileNotFound;
  if (int16_t s = CheckFileSystem(*path)) return s;
  return DataFile::Create(*path, layout, overwrite);
}

int16_t SqliteFiles::Open(const std::string& name, OpenMode mode,
                          std::unique_ptr<OpenFile>& out) {
  const std::optional<std::string> path = HostPath(name);
  if (!path) return kBtrFileNotFound;
  if (FileExists(*path)) {
    if (int16_t s = CheckFileSystem(*path)) return s;
  }
  std::unique_ptr<DataFile> file;
  if (int16_t s = DataFile::Open(*path, mode, file)) return s;
  out = std::move(file);
  return kBtrOk;
}

int16_t SqliteFiles::Remove(const std::string& name) {
  const std::optional<std::string> path = HostPath(name);
  if (!path || !FileExists(*path)) return kBtrFileNotFound;
  std::unique_ptr<LockFile> guard;
  if (int16_t s = LockFile::Acquire(*path, LockFile::Mode::kExclusive, guard)) return s;
  for (const char* suffix : {"-wal", "-shm", ""}) RemoveFile(*path + suffix);
  guard.reset();
  RemoveFile(*path + ".lck");
  return kBtrOk;
}

}  // namespace orb::btr
