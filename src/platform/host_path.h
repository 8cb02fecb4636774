// Host paths: the program names files the way the suite writes them, with backslashes
// ("DADES\PropietV.dat", root + "FORMS\RPTCARRY.OPN"), in code page 850. Every file
// operation goes through here, where such a name becomes a path of this host:
// backslashes become slashes, the name is converted to UTF-8, and each component that
// does not exist as written is matched against its directory without regard to case.
// A name with a drive prefix ("C:\TMP\x") means nothing here and resolves to no path.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

// True when the name begins with a drive letter and a colon.
bool HasDrivePrefix(std::string_view suite_name);

// The host path for a suite file name, or nothing when the name cannot name a file here.
// Components are matched without regard to case when the exact name does not exist; a
// component that matches nothing is kept as written (so new files can be created).
std::optional<std::string> HostPath(std::string_view suite_name);

// File operations by suite name. They fail as the host call fails, and also when the
// name resolves to no path. Where a `reason` is asked for, a failure puts there why, in
// the system's words ("No space left on device"), for the message that names the file.
std::FILE* OpenFile(std::string_view suite_name, const char* mode,
                    std::string* reason = nullptr);
bool RemoveFile(std::string_view suite_name);
bool FileExists(std::string_view suite_name);
bool DirectoryExists(std::string_view suite_name);
std::optional<int64_t> FileSize(std::string_view suite_name);
bool ChangeDirectory(std::string_view suite_name);
// Reads a whole file (at most max_bytes of it) into out; false when it cannot be opened
// or read.
bool ReadFile(std::string_view suite_name, std::string& out,
              size_t max_bytes = size_t{1} << 30, std::string* reason = nullptr);
// Writes out as the whole content of the file (created or emptied); false unless every
// byte reached the file.
bool WriteFile(std::string_view suite_name, std::string_view content,
               std::string* reason = nullptr);
// Writes bytes to an open file; false when not all of them were taken.
bool WriteToFile(std::FILE* file, std::string_view bytes, std::string* reason = nullptr);
// Closes an open file; false when what was still buffered could not be written.
bool CloseFile(std::FILE* file, std::string* reason = nullptr);

// Renames a file, replacing the target at once when it exists (both in one directory
// tree of the same file system): readers see the old file or the new one, never part.
bool RenameFile(std::string_view from_suite_name, std::string_view to_suite_name);

// Files the program names itself inside one directory (statements "0012.pdf" and the
// like): the directory is resolved once, and the names inside it are taken exactly as
// written, without matching case, so that writing thousands of files does not read the
// directory for each one. Names are plain file names in code page 850, without slashes.
class ResolvedDirectory {
 public:
  explicit ResolvedDirectory(std::string_view suite_name);
  // False when the name resolved to no directory path.
  bool Valid() const { return valid_; }
  bool WriteFile(std::string_view name, std::string_view content) const;
  bool RenameFile(std::string_view from, std::string_view to) const;
  bool RemoveFile(std::string_view name) const;

 private:
  std::string Path(std::string_view name) const;
  std::string host_dir_;  // ends with "/"
  bool valid_ = false;
};

// A directory the program keeps work files in: true when it exists and files can be
// created and removed in it; otherwise false with the reason. The empty name is the
// current directory.
bool IsUsableWorkDirectory(std::string_view suite_name, std::string& reason);

// The regular files under a directory and its subdirectories, as paths relative to
// it with '/' between components, sorted; empty when the directory cannot be read.
std::vector<std::string> FilesUnder(std::string_view suite_dir);

// Creates a directory and the directories above it that are missing.
bool CreateDirectories(std::string_view suite_dir);

// Environment variable converted to code page 850, empty when unset.
std::string GetEnv(const char* name);

}  // namespace orb
