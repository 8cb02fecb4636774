// CsvReader: rows of a CSV text (comma-separated, fields optionally in double quotes,
// "" inside quotes for a quote, quoted fields may hold commas and line breaks; lines end
// in LF or CRLF; a UTF-8 byte order mark at the start is skipped). Each row knows the
// line on which it began.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orb::orbdata {

struct CsvRow {
  size_t line = 0;
  std::vector<std::string> fields;
};

class CsvReader {
 public:
  explicit CsvReader(std::string_view text);
  // The next row; false at the end of the text, or on a malformed row (then `error`
  // says why and `row.line` where).
  bool Next(CsvRow& row);
  const std::string& error() const { return error_; }

 private:
  std::string_view text_;
  size_t at_ = 0;
  size_t line_ = 1;
  std::string error_;
};

}  // namespace orb::orbdata
