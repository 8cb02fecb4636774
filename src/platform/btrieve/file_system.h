// Where a SQLite data file may live. SQLite's locks are not to be trusted on network
// file systems (NFS, SMB/CIFS, 9p, AFS, Ceph, Coda, NCP, Lustre): two hosts writing one
// file through them can corrupt it. A file there is refused unless ORBSQLITENETWORK=1
// says the user takes the risk; the server engine is the way to share data files
// between hosts. The file system type comes from a probe that tests replace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orb::btr {

// The type of the file system holding `path` (statfs's f_type), or none when it
// cannot be told.
using FileSystemTypeProbe = std::optional<int64_t> (*)(const std::string& path);
// Replaces the probe (nullptr: statfs again); returns the one replaced.
FileSystemTypeProbe SetFileSystemTypeProbe(FileSystemTypeProbe probe);

// The name of the network file system of this type ("NFS", "SMB/CIFS", ...), empty
// for any other.
std::string NetworkFileSystemName(int64_t type);

// Whether a SQLite data file may be opened or created at `path`: empty when it may;
// otherwise the reason, naming the file and its file system and pointing to the
// data server.
std::string NetworkFileSystemRefusal(const std::string& path);

}  // namespace orb::btr
