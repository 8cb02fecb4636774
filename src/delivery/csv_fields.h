// CSV records as the month-end files use them (RFC 4180): fields separated by commas,
// records by CR LF or LF; a field in double quotes may hold commas, line ends and
// doubled quotes. CsvReader walks the bytes of a whole file record by record and never
// reads outside them; CsvField quotes a field for writing when it needs it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orb {

class CsvReader {
 public:
  // The bytes must outlive the reader. A UTF-8 byte order mark at the start is skipped.
  explicit CsvReader(std::string_view bytes);

  // The next record's fields; false at the end of the data, or when the record is
  // malformed (a quote left open, text after a closing quote), with the reason in
  // `error`. Line() is then the line where the record begins.
  bool Next(std::vector<std::string>& fields, std::string& error);
  bool AtEnd() const { return position_ >= data_.size(); }
  int Line() const { return record_line_; }

 private:
  std::string_view data_;
  size_t position_ = 0;
  int line_ = 1;         // line of the current position
  int record_line_ = 0;  // line where the last record began
};

// The field as written in a record: in double quotes (inner quotes doubled) when it
// holds a comma, a quote, a line end or a blank at either end; as it is otherwise.
std::string CsvField(std::string_view text);

// The fields joined by commas and ended by CR LF.
std::string CsvRecord(const std::vector<std::string>& fields);

}  // namespace orb
