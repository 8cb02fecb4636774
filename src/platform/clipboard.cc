#include "platform/clipboard.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/cp850.h"
#include "platform/host_path.h"

namespace orb {
namespace {

constexpr size_t kMaxPasteBytes = 64 * 1024;

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    uint32_t n = (uint8_t(bytes[i]) << 16) | (uint8_t(bytes[i + 1]) << 8) | uint8_t(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out += kDigits[(n >> s) & 63];
  }
  if (i < bytes.size()) {
    uint32_t n = uint8_t(bytes[i]) << 16;
    if (i + 1 < bytes.size()) n |= uint8_t(bytes[i + 1]) << 8;
    out += kDigits[(n >> 18) & 63];
    out += kDigits[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::string_view dirs(path);
  while (!dirs.empty()) {
    size_t colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) break;
    dirs.remove_prefix(colon + 1);
  }
  return false;
}

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// The output of a clipboard program, or nothing when none could be run.
bool ReadProgramOutput(const char* command, std::string& out) {
  std::FILE* pipe = popen(command, "r");
  if (pipe == nullptr) return false;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    if (out.size() < kMaxPasteBytes) out.append(buffer, n);
  }
  return pclose(pipe) == 0;
}

}  // namespace

std::string Osc52Sequence(std::string_view utf8_text) {
  return "\x1b]52;c;" + Base64(utf8_text) + "\x07";
}

void SystemClipboard::Copy(std::string_view cp850_text) {
  std::string utf8 = cp850::ToUtf8(cp850_text);
  if (raw_output_) raw_output_(Osc52Sequence(utf8));
  WriteFile(file_, utf8);
}

std::string SystemClipboard::Paste() {
  std::string utf8;
  bool got = false;
  if (EnvSet("WAYLAND_DISPLAY") && OnPath("wl-paste")) {
    got = ReadProgramOutput("wl-paste --no-newline 2>/dev/null", utf8);
  }
  if (!got && EnvSet("DISPLAY") && OnPath("xclip")) {
    utf8.clear();
    got = ReadProgramOutput("xclip -o -selection clipboard 2>/dev/null", utf8);
  }
  if (!got) {
    utf8.clear();
    if (!ReadFile(file_, utf8, kMaxPasteBytes)) return "";
  }
  if (utf8.size() > kMaxPasteBytes) utf8.resize(kMaxPasteBytes);
  return cp850::FromUtf8(utf8, '\0');
}

}  // namespace orb
