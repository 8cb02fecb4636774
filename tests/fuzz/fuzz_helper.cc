#include "fuzz_helper.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace orb::fuzz {
namespace {

std::string* work_dir = nullptr;

void RemoveWorkDir() {
  std::error_code ignored;
  if (work_dir != nullptr) std::filesystem::remove_all(*work_dir, ignored);
}

}  // namespace

const std::string& WorkDir() {
  if (work_dir == nullptr) {
    std::string pattern = (std::filesystem::temp_directory_path() / "orbfuzzXXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("orbfuzz: mkdtemp");
      std::abort();
    }
    work_dir = new std::string(pattern + "/");
    std::atexit(RemoveWorkDir);
  }
  return *work_dir;
}

std::string PutFile(std::string_view relative, const uint8_t* data, size_t size) {
  std::string host(relative);
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  const std::filesystem::path path = std::filesystem::path(WorkDir()) / host;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return WorkDir() + std::string(relative);
}

Session WorkSession(std::string_view language) {
  Session session;
  session.RootDir = WorkDir();
  session.TempDir = WorkDir();
  session.TerminalDir = WorkDir();
  session.Language = std::string(language);
  return session;
}

SplitInput SplitAtLineFeed(const uint8_t* data, size_t size) {
  const std::string_view all(reinterpret_cast<const char*>(data), size);
  const size_t at = all.find('\n');
  if (at == std::string_view::npos) return {all, {}};
  return {all.substr(0, at), all.substr(at + 1)};
}

}  // namespace orb::fuzz
