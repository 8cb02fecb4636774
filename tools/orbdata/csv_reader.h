// CsvReader: rows of a CSV text as spreadsheets save it. Fields are separated by commas
// or by semicolons (what Spanish and Catalan spreadsheets write): the header line
// decides, semicolons when it holds more of them than commas outside quotes. Fields may
// be in double quotes ("" inside quotes for a quote; quoted fields may hold separators
// and line breaks); lines end in LF, CRLF or CR alone; blank lines between rows are
// skipped; a UTF-8 byte order mark at the start is skipped. Each row knows the line on
// which it began.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orb::orbdata {

struct CsvRow {
  size_t line = 0;
  std::vector<std::string> fields;
  // True when every field is empty: a line of separators only.
  bool Blank() const;
};

class CsvReader {
 public:
  explicit CsvReader(std::string_view text);
  // The next row; false at the end of the text, or on a malformed row (then `error`
  // says why and `row.line` where).
  bool Next(CsvRow& row);
  const std::string& error() const { return error_; }
  // ',' or ';', as the header line chose.
  char separator() const { return separator_; }

 private:
  // Moves past a line end (LF, CRLF or CR) at the position, if there is one.
  bool SkipLineEnd();

  std::string_view text_;
  size_t at_ = 0;
  size_t line_ = 1;
  char separator_ = ',';
  std::string error_;
};

// The text for a message: control characters (C0, DEL and C1) and bytes that are not
// UTF-8 shown as \xNN (tab, CR and LF as \t, \r and \n), so that nothing in an input
// file can act on the terminal that shows the message.
std::string Printable(std::string_view text);

}  // namespace orb::orbdata
