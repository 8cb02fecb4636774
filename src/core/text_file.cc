#include "core/text_file.h"

#include "platform/cp850.h"

namespace orb {

std::string TextFileAsCp850(std::string_view bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    return cp850::TextFromUtf8(bytes.substr(kByteOrderMark.size()));
  }
  bool above_127 = false;
  for (const char c : bytes) {
    if (static_cast<unsigned char>(c) > 127) {
      above_127 = true;
      break;
    }
  }
  if (above_127 && cp850::IsUtf8(bytes)) return cp850::TextFromUtf8(bytes);
  return std::string(bytes);
}

std::string WithCrLfLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace orb
