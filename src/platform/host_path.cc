#include "platform/host_path.h"

#include <algorithm>
#include <filesystem>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/cp850.h"

namespace orb {
namespace {

// A file name folded for comparison without regard to case: ASCII and the Latin-1
// letters (À..Þ, the names code page 850 can hold) lower-cased. Bytes that are not
// well-formed UTF-8 stand for themselves, so any name folds to something.
std::u32string FoldName(std::string_view name) {
  std::u32string out;
  out.reserve(name.size());
  size_t i = 0;
  while (i < name.size()) {
    const auto b0 = static_cast<unsigned char>(name[i]);
    char32_t ch = 0xDC00 + b0;  // a stray byte
    size_t used = 1;
    if (b0 < 0x80) {
      ch = b0;
    } else if ((b0 & 0xE0) == 0xC0 && i + 1 < name.size() &&
               (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80) {
      ch = ((b0 & 0x1Fu) << 6) | (static_cast<unsigned char>(name[i + 1]) & 0x3Fu);
      used = 2;
    } else if ((b0 & 0xF0) == 0xE0 && i + 2 < name.size() &&
               (static_cast<unsigned char>(name[i + 1]) & 0xC0) == 0x80 &&
               (static_cast<unsigned char>(name[i + 2]) & 0xC0) == 0x80) {
      ch = ((b0 & 0x0Fu) << 12) | ((static_cast<unsigned char>(name[i + 1]) & 0x3Fu) << 6) |
           (static_cast<unsigned char>(name[i + 2]) & 0x3Fu);
      used = 3;
    }
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7)) ch += 0x20;
    out.push_back(ch);
    i += used;
  }
  return out;
}

void SetReason(std::string* reason, int error) {
  if (reason != nullptr) *reason = std::strerror(error);
}

// Why a suite name gives no host path.
void SetNoPathReason(std::string* reason, std::string_view suite_name) {
  if (reason == nullptr) return;
  *reason = HasDrivePrefix(suite_name) ? "a drive letter means nothing on this host"
                                       : "not a file name";
}

bool Exists(const std::string& path) {
  struct stat st{};
  return ::lstat(path.c_str(), &st) == 0;
}

// The entry of `dir` whose name equals `name` without regard to case, if any. When
// several do, the first in byte order is taken, so the choice does not depend on the
// order the directory lists them in.
std::optional<std::string> FindWithoutCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return std::nullopt;
  const std::u32string wanted = FoldName(name);
  std::optional<std::string> found;
  while (dirent* entry = ::readdir(d)) {
    const std::string_view entry_name = entry->d_name;
    if (entry_name == "." || entry_name == "..") continue;
    if (FoldName(entry_name) == wanted && (!found || entry_name < *found)) {
      found = std::string(entry_name);
    }
  }
  ::closedir(d);
  return found;
}

}  // namespace

bool HasDrivePrefix(std::string_view suite_name) {
  if (suite_name.size() < 2 || suite_name[1] != ':') return false;
  const char c = suite_name[0];
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::optional<std::string> HostPath(std::string_view suite_name) {
  if (suite_name.empty() || HasDrivePrefix(suite_name)) return std::nullopt;
  std::string utf8 = cp850::ToUtf8(suite_name);
  for (char& c : utf8) {
    if (c == '\\') c = '/';
  }
  if (utf8.find('\0') != std::string::npos) return std::nullopt;

  const bool absolute = utf8.front() == '/';
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t slash = utf8.find('/', start);
    if (slash == std::string::npos) slash = utf8.size();
    if (slash > start) parts.push_back(utf8.substr(start, slash - start));
    start = slash + 1;
  }
  const bool trailing_slash = utf8.back() == '/';

  std::string path = absolute ? "/" : "";
  bool matching = true;  // stop looking once a component matched nothing
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    std::string candidate = path + part;
    if (matching && part != "." && part != ".." && !Exists(candidate)) {
      if (auto found = FindWithoutCase(path, part)) {
        candidate = path + *found;
      } else {
        matching = false;
      }
    }
    path = candidate;
    if (i + 1 < parts.size() || trailing_slash) path += '/';
  }
  if (path.empty()) path = absolute ? "/" : ".";
  return path;
}

std::FILE* OpenFile(std::string_view suite_name, const char* mode, std::string* reason) {
  auto path = HostPath(suite_name);
  if (!path) {
    SetNoPathReason(reason, suite_name);
    return nullptr;
  }
  std::FILE* file = std::fopen(path->c_str(), mode);
  if (file == nullptr) SetReason(reason, errno);
  return file;
}

bool RemoveFile(std::string_view suite_name) {
  auto path = HostPath(suite_name);
  return path && ::unlink(path->c_str()) == 0;
}

bool FileExists(std::string_view suite_name) {
  auto path = HostPath(suite_name);
  struct stat st{};
  return path && ::stat(path->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(std::string_view suite_name) {
  auto path = HostPath(suite_name);
  struct stat st{};
  return path && ::stat(path->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<int64_t> FileSize(std::string_view suite_name) {
  auto path = HostPath(suite_name);
  struct stat st{};
  if (!path || ::stat(path->c_str(), &st) != 0) return std::nullopt;
  return static_cast<int64_t>(st.st_size);
}

bool ChangeDirectory(std::string_view suite_name) {
  auto path = HostPath(suite_name);
  return path && ::chdir(path->c_str()) == 0;
}

bool ReadFile(std::string_view suite_name, std::string& out, size_t max_bytes,
              std::string* reason) {
  out.clear();
  std::FILE* f = OpenFile(suite_name, "rb", reason);
  if (f == nullptr) return false;
  char buffer[65536];
  size_t got;
  while (out.size() < max_bytes && (got = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    out.append(buffer, std::min(got, max_bytes - out.size()));
  }
  // A directory opens but cannot be read; neither can a file on a failing disk.
  const bool read_failed = std::ferror(f) != 0;
  const int error = errno;
  std::fclose(f);
  if (read_failed) {
    SetReason(reason, error);
    out.clear();
    return false;
  }
  return true;
}

bool WriteFile(std::string_view suite_name, std::string_view content, std::string* reason) {
  std::FILE* f = OpenFile(suite_name, "wb", reason);
  if (f == nullptr) return false;
  const bool written = WriteToFile(f, content, reason);
  const bool closed = CloseFile(f, written ? reason : nullptr);
  return written && closed;
}

bool WriteToFile(std::FILE* file, std::string_view bytes, std::string* reason) {
  if (bytes.empty()) return true;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) return true;
  SetReason(reason, errno);
  return false;
}

bool CloseFile(std::FILE* file, std::string* reason) {
  if (std::fclose(file) == 0) return true;
  SetReason(reason, errno);
  return false;
}

bool IsUsableWorkDirectory(std::string_view suite_name, std::string& reason) {
  std::optional<std::string> path = suite_name.empty() ? std::optional<std::string>(".")
                                                       : HostPath(suite_name);
  if (!path) {
    SetNoPathReason(&reason, suite_name);
    return false;
  }
  struct stat st{};
  if (::stat(path->c_str(), &st) != 0) {
    SetReason(&reason, errno);
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    SetReason(&reason, ENOTDIR);
    return false;
  }
  // Creating and removing a file needs both write and search permission.
  if (::access(path->c_str(), W_OK | X_OK) != 0) {
    SetReason(&reason, errno);
    return false;
  }
  return true;
}

bool RenameFile(std::string_view from_suite_name, std::string_view to_suite_name) {
  const auto from = HostPath(from_suite_name);
  const auto to = HostPath(to_suite_name);
  return from && to && std::rename(from->c_str(), to->c_str()) == 0;
}

ResolvedDirectory::ResolvedDirectory(std::string_view suite_name) {
  const auto path = HostPath(suite_name);
  if (!path) return;
  host_dir_ = *path;
  if (host_dir_.empty() || host_dir_.back() != '/') host_dir_ += '/';
  valid_ = true;
}

std::string ResolvedDirectory::Path(std::string_view name) const {
  return host_dir_ + cp850::ToUtf8(name);
}

bool ResolvedDirectory::WriteFile(std::string_view name, std::string_view content) const {
  if (!valid_ || name.find_first_of("/\\") != std::string_view::npos) return false;
  std::FILE* f = std::fopen(Path(name).c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  return std::fclose(f) == 0 && ok;
}

bool ResolvedDirectory::RenameFile(std::string_view from, std::string_view to) const {
  if (!valid_ || from.find_first_of("/\\") != std::string_view::npos ||
      to.find_first_of("/\\") != std::string_view::npos)
    return false;
  return std::rename(Path(from).c_str(), Path(to).c_str()) == 0;
}

bool ResolvedDirectory::RemoveFile(std::string_view name) const {
  if (!valid_ || name.find_first_of("/\\") != std::string_view::npos) return false;
  return ::unlink(Path(name).c_str()) == 0;
}

std::vector<std::string> FilesUnder(std::string_view suite_dir) {
  std::vector<std::string> out;
  const std::optional<std::string> dir = HostPath(suite_dir);
  if (!dir) return out;
  std::error_code error;
  std::filesystem::recursive_directory_iterator it(*dir, error), end;
  for (; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) {
      out.push_back(std::filesystem::relative(it->path(), *dir, error).generic_string());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

bool CreateDirectories(std::string_view suite_dir) {
  const std::optional<std::string> dir = HostPath(suite_dir);
  if (!dir) return false;
  std::error_code error;
  std::filesystem::create_directories(*dir, error);
  return std::filesystem::is_directory(*dir, error);
}

std::string GetEnv(const char* name) {
  const char* value = std::getenv(name);
  return value ? cp850::FromUtf8(value) : std::string();
}

}  // namespace orb
