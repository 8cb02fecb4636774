// Small conversions the month-end outputs share: record texts without their padding,
// amounts in hundredths as plain figures ("-1234.56"), and closing dates in the ISO
// forms used in file names and logs.
#pragma once

#include <string>
#include <string_view>

namespace orb {

// The text without blanks at either end.
std::string TrimBlanks(std::string_view text);

// An amount in hundredths as a plain number: an optional "-", the units without
// thousands separators, a point and two decimals. Rounded to whole hundredths first.
std::string PlainFigure(double hundredths);

// A packed date (4 bytes) as "AAAA-MM-DD", and its year and month as "AAAA-MM".
std::string IsoDate(std::string_view packed_date);
std::string MonthFolderName(std::string_view packed_date);

// A packed owner or property code as its four digits ("0012").
std::string CodeDigits(std::string_view packed_code);

}  // namespace orb
