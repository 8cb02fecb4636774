#include "orbprint/print_document.h"

namespace orb::print {
namespace {

std::string BlankControls(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 32 || b == 127 || b == 255) c = ' ';
  }
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A justification code: C, D, A, E, or N, a number in print form, and a mask.
bool ValidJustifyCode(std::string_view code) {
  if (code == "C" || code == "D" || code == "A" || code == "E") return true;
  if (code.empty() || code.front() != 'N') return false;
  code.remove_prefix(1);
  if (code.empty() || code.front() != ' ') return false;
  code.remove_prefix(1);
  size_t digits = 0;
  while (digits < code.size() && code[digits] >= '0' && code[digits] <= '9') ++digits;
  return digits > 0 && digits < code.size() && code[digits] == ' ';
}

ParseResult Error(int line, std::string message) {
  ParseResult r;
  r.error_line = line;
  r.error = std::move(message);
  return r;
}

}  // namespace

bool ParsePrintNumber(std::string_view text, int32_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  int32_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > 32768) return false;
  }
  if (!negative && magnitude > 32767) return false;
  value = negative ? -magnitude : magnitude;
  return true;
}

ParseResult ParsePrintDocument(std::string_view bytes, PrintDocument& out) {
  out = PrintDocument{};
  if (bytes.empty()) return Error(0, "the print file is empty");
  int line_no = 0;
  size_t pos = 0;
  while (pos < bytes.size()) {
    ++line_no;
    size_t end = bytes.find('\n', pos);
    std::string_view line = bytes.substr(pos, end == std::string_view::npos ? end : end - pos);
    pos = end == std::string_view::npos ? bytes.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    if (line_no == 1) {
      if (!StartsWith(line, "DEVICE")) return Error(1, "the first line must be DEVICE<device>");
      out.device = BlankControls(line.substr(6));
      continue;
    }
    Instruction in;
    in.line = line_no;
    if (line.empty()) return Error(line_no, "empty line");
    if (StartsWith(line, "DEVICE")) return Error(line_no, "DEVICE may only be the first line");
    if (StartsWith(line, "PAGE")) {
      in.kind = Instruction::Kind::kPage;
      if (!ParsePrintNumber(line.substr(4), in.number)) {
        return Error(line_no, "PAGE needs a page length of -32768 to 32767");
      }
    } else if (line.front() == '*') {
      in.kind = Instruction::Kind::kCommand;
      in.text = BlankControls(line.substr(1));
    } else if (StartsWith(line, "JUS")) {
      in.kind = Instruction::Kind::kJustify;
      in.text = BlankControls(line.substr(3));
      if (!ValidJustifyCode(in.text)) {
        return Error(line_no, "unknown justification code (C, D, A, E or N n mask)");
      }
    } else {
      in.kind = Instruction::Kind::kItem;
      const size_t first = line.find(',');
      const size_t last = line.rfind(',');
      if (first == std::string_view::npos || first == last) {
        return Error(line_no, "not an item line (column,text,advance)");
      }
      if (!ParsePrintNumber(line.substr(0, first), in.number)) {
        return Error(line_no, "item column is not a number of -32768 to 32767");
      }
      if (!ParsePrintNumber(line.substr(last + 1), in.advance)) {
        return Error(line_no, "item advance is not a number of -32768 to 32767");
      }
      in.text = BlankControls(line.substr(first + 1, last - first - 1));
    }
    out.instructions.push_back(std::move(in));
  }
  ParseResult ok;
  ok.ok = true;
  return ok;
}

}  // namespace orb::print
