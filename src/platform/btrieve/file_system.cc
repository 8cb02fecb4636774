#include "platform/btrieve/file_system.h"

#include <sys/vfs.h>

#include <cstdlib>
#include <cstring>

namespace orb::btr {
namespace {

std::optional<int64_t> StatfsType(const std::string& path) {
  struct statfs st{};
  if (::statfs(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.f_type) & 0xFFFFFFFF;
}

FileSystemTypeProbe probe = StatfsType;

// The directory holding `path`: the file itself may not exist yet (a create).
std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool NetworkAllowed() {
  const char* allow = std::getenv("ORBSQLITENETWORK");
  return allow != nullptr && std::strcmp(allow, "1") == 0;
}

}  // namespace

FileSystemTypeProbe SetFileSystemTypeProbe(FileSystemTypeProbe replacement) {
  FileSystemTypeProbe previous = probe;
  probe = replacement != nullptr ? replacement : StatfsType;
  return previous;
}

std::string NetworkFileSystemName(int64_t type) {
  switch (type & 0xFFFFFFFF) {
    case 0x6969: return "NFS";
    case 0x517B: return "SMB";
    case 0xFF534D42: return "CIFS";
    case 0xFE534D42: return "SMB2";
    case 0x01021997: return "9p";
    case 0x5346414F: case 0x6B414653: return "AFS";
    case 0x00C36400: return "Ceph";
    case 0x73757245: return "Coda";
    case 0x564C: return "NCP";
    case 0x0BD00BD0: return "Lustre";
    default: return "";
  }
}

std::string NetworkFileSystemRefusal(const std::string& path) {
  if (NetworkAllowed()) return "";
  const std::optional<int64_t> type = probe(DirectoryOf(path));
  if (!type) return "";
  const std::string name = NetworkFileSystemName(*type);
  if (name.empty()) return "";
  return "the data file " + path + " is on a network file system (" + name +
         "), where SQLite's locking cannot be trusted and the file may be corrupted: "
         "keep the data files on a local disk, or share them through the data server "
         "([Dades] Servidor in Vora.ini, or ORBDATABASE); ORBSQLITENETWORK=1 opens "
         "them there at your own risk";
}

}  // namespace orb::btr
