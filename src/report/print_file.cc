#include "report/print_file.h"

#include "platform/host_path.h"

namespace orb {
namespace {

bool IsControlByte(unsigned char c) { return c < 32 || c == 127 || c == 255; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// The integer part of the number that begins the text (blanks and a sign may come first),
// as digits without leading zeros; "0" when there is none. The sign is dropped.
std::string AbsoluteIntegerDigits(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  while (i < text.size() && text[i] == '0') ++i;
  std::string digits;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') digits += text[i++];
  return digits.empty() ? "0" : digits;
}

}  // namespace

std::string PrintForm(int32_t number) {
  const int64_t wide = number;
  std::string text = wide < 0 ? "-" : " ";
  text += std::to_string(wide < 0 ? -wide : wide);
  text += ' ';
  return text;
}

std::string JustifyCode(std::string_view request) {
  const std::string_view trimmed = TrimBlanks(request);
  const char first = trimmed.empty() ? ' ' : UpperAscii(trimmed.front());
  switch (first) {
    case 'C':
      return "C";
    case 'D':
    case 'R':
      return "D";
    case 'A':
    case 'B':
      return "A";
    case 'N': {
      std::string code = "N ";
      code += AbsoluteIntegerDigits(trimmed.substr(1));
      code += ' ';
      const size_t open = trimmed.find('\\');
      if (open != std::string_view::npos) {
        const size_t close = trimmed.find('\\', open + 1);
        code += trimmed.substr(open, close == std::string_view::npos ? std::string_view::npos
                                                                       : close - open + 1);
      }
      return code;
    }
    default:
      return "E";
  }
}

PrintFile::PrintFile(const Session& session) : session_(session) {}

PrintFile::~PrintFile() { ClosePrint(); }

std::string PrintFile::FileName() const { return session_.TempDir + kPrintFileName; }

bool PrintFile::OpenPrint(std::string_view device) {
  ClosePrint();
  write_failed_ = false;
  failure_reason_.clear();
  print_file_ = OpenFile(FileName(), "wb", &failure_reason_);
  if (print_file_ == nullptr) return false;
  WriteLine(std::string("DEVICE") + std::string(device));
  return !write_failed_;
}

bool PrintFile::ClosePrint() {
  if (print_file_ == nullptr) return false;
  // The first failure's reason is kept: later ones follow from it.
  const bool closed = CloseFile(print_file_, write_failed_ ? nullptr : &failure_reason_);
  print_file_ = nullptr;
  return closed && !write_failed_;
}

void PrintFile::WriteLine(std::string_view line) {
  if (print_file_ == nullptr) return;
  std::string out(line);
  // A control byte inside a line would break the file's line structure.
  for (char& c : out) {
    if (IsControlByte(static_cast<unsigned char>(c))) c = ' ';
  }
  out += "\r\n";
  if (!WriteToFile(print_file_, out, write_failed_ ? nullptr : &failure_reason_)) {
    write_failed_ = true;
  }
}

void PrintFile::NewPage(int16_t length) {
  WriteLine("PAGE" + PrintForm(length));
  page_length_ = length;
  line_no_ = 0;
}

void PrintFile::PrintCommand(std::string_view text) { WriteLine("*" + std::string(text)); }

void PrintFile::SetJustify(std::string_view request) { WriteLine("JUS" + JustifyCode(request)); }

void PrintFile::PrintAt(int16_t column, std::string_view text, int16_t advance) {
  if (line_no_ >= page_length_) NewPage(page_length_);
  std::string line = PrintForm(column);
  line += ',';
  line += text;  // WriteLine blanks the control bytes of this copy
  line += ',';
  line += PrintForm(advance);
  WriteLine(line);
  // Held within 16 bits without wrapping, so that a huge advance cannot turn the count
  // negative and suppress the page breaks.
  const int32_t next = int32_t{line_no_} + advance;
  line_no_ = static_cast<int16_t>(next > INT16_MAX ? INT16_MAX : next < INT16_MIN ? INT16_MIN : next);
}

}  // namespace orb
