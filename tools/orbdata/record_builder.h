// RecordBuilder: turns the CSV rows of one kind of record into record bytes laid out as
// data/records.h says. Values come as UTF-8 text: codes as decimal digits, dates as
// YYYY-MM-DD, amounts as integer hundredths, percentages as decimal numbers with a
// point (or a comma, where the file's fields are separated by semicolons); texts become
// code page 850, blank-padded; bytes no column names stay zero.
#pragma once

#include <string>
#include <vector>

#include "data/records.h"

namespace orb::orbdata {

// The columns a kind's CSV file has, in the order they are documented.
const std::vector<std::string>& ColumnsOf(RecordKind kind);

class RecordBuilder {
 public:
  // With decimal_comma, "4,5" is read as well as "4.5".
  explicit RecordBuilder(const RecordKindInfo& kind, bool decimal_comma = false)
      : kind_(kind), decimal_comma_(decimal_comma) {}

  // Reads the header row: every column of the kind exactly once, in any order, and no
  // other. False with `error` set otherwise.
  bool SetHeader(const std::vector<std::string>& header, std::string& error);

  // One record (kind.record_length bytes) from a row; false with `error` naming the
  // column and the fault.
  bool Build(const std::vector<std::string>& row, std::string& record,
             std::string& error) const;

 private:
  const RecordKindInfo& kind_;
  const bool decimal_comma_;
  std::vector<size_t> where_;  // for each column of ColumnsOf(kind), its place in a row
};

}  // namespace orb::orbdata
