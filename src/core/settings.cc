#include "core/settings.h"

#include "core/text_file.h"
#include "platform/host_path.h"

namespace orb {
namespace {

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The next line of text from `at` without its line end, moving past the line end (a
// line feed, with a carriage return before it dropped); false at the end of the text.
// NUL bytes are kept as data.
bool NextLine(std::string_view text, size_t& at, std::string_view& line) {
  if (at >= text.size()) return false;
  size_t end = text.find('\n', at);
  if (end == std::string_view::npos) end = text.size();
  line = text.substr(at, end - at);
  at = end < text.size() ? end + 1 : end;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

}  // namespace

std::string IniUpper(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    const auto c = static_cast<unsigned char>(ch);
    unsigned char u = c;
    if (c >= 'a' && c <= 'z') u = static_cast<unsigned char>(c - 'a' + 'A');
    else if (c == 0x84) u = 0x8E;  // ä
    else if (c == 0x94) u = 0x99;  // ö
    else if (c == 0x81) u = 0x9A;  // ü
    else if (c == 0x82) u = 0x90;  // é
    else if (c == 0xA4) u = 0xA5;  // ñ
    else if (c == 0x86) u = 0x8F;  // å
    else if (c == 0x87) u = 0x80;  // ç
    ch = static_cast<char>(u);
  }
  return out;
}

std::string ReadIniValue(std::string_view file, std::string_view section,
                         std::string_view key) {
  std::string bytes;
  if (!ReadFile(file, bytes, kMaxSettingsFileBytes)) return std::string();
  return IniValueInText(TextFileAsCp850(bytes), section, key);
}

std::string IniValueInText(std::string_view text, std::string_view section,
                           std::string_view key) {
  const std::string wanted_section = IniUpper(TrimSpaces(section));
  const std::string wanted_key = IniUpper(TrimSpaces(key));
  bool in_section = false;
  std::string value;
  size_t at = 0;
  std::string_view line;
  while (NextLine(text, at, line)) {
    const size_t semicolon = line.find(';');
    if (semicolon != std::string_view::npos) line = line.substr(0, semicolon);
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (TrimSpaces(line).empty()) continue;

    if (!in_section) {
      if (line.front() == '[') {
        std::string_view name = line.substr(1);
        const size_t close = name.find(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        if (IniUpper(TrimSpaces(name)) == wanted_section) in_section = true;
      }
      continue;
    }
    if (line.front() == '[') break;  // the wanted section has ended
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = line.substr(0, equals);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (IniUpper(name) == wanted_key) {
      value = std::string(line.substr(equals + 1));
      break;
    }
  }

  if (value.size() > 1 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace orb
