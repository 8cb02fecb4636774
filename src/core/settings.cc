#include "core/settings.h"

#include <cstdio>

#include "platform/host_path.h"

namespace orb {
namespace {

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Reads one line without its line end; false at end of file with nothing read.
// Carriage returns before the line feed are dropped, NUL bytes are kept as data.
bool ReadLine(std::FILE* f, std::string& line) {
  line.clear();
  int c;
  bool any = false;
  while ((c = std::fgetc(f)) != EOF) {
    any = true;
    if (c == '\n') break;
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return any;
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
  std::FILE* f = OpenFile(file, "rb");
  if (f == nullptr) return std::string();

  const std::string wanted_section = IniUpper(TrimSpaces(section));
  const std::string wanted_key = IniUpper(TrimSpaces(key));
  bool in_section = false;
  std::string value;
  std::string line;
  while (ReadLine(f, line)) {
    std::string_view text = line;
    const size_t semicolon = text.find(';');
    if (semicolon != std::string_view::npos) text = text.substr(0, semicolon);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (TrimSpaces(text).empty()) continue;

    if (!in_section) {
      if (text.front() == '[') {
        std::string_view name = text.substr(1);
        const size_t close = name.find(']');
        if (close != std::string_view::npos) name = name.substr(0, close);
        if (IniUpper(TrimSpaces(name)) == wanted_section) in_section = true;
      }
      continue;
    }
    if (text.front() == '[') break;  // the wanted section has ended
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view name = text.substr(0, equals);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (IniUpper(name) == wanted_key) {
      value = std::string(text.substr(equals + 1));
      break;
    }
  }
  std::fclose(f);

  if (value.size() > 1 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace orb
