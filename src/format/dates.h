// Dates as the program stores them: packed dates (the eight digits AAAAMMDD packed two
// to a byte, see packed_digits.h), the reading and checking of a date as typed, day
// arithmetic, the compact digit form that pre-fills date fields, and dotted numeric
// codes (1.2.3) packed in groups of four digits.
//
// All functions are pure; the ones that place a two-digit year in a century take the
// current year from the clock. Any text is acceptable input: unreadable dates give the
// null date (or "bad"), never a fault.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace orb {

// The empty text: no date. Four bytes of 128: the null date of unreadable input.
inline const std::string kNullDate("\x80\x80\x80\x80", 4);

// The decimal digits of |value|, zero-filled on the left and cut to the rightmost
// `width` characters: ZeroPad(5, 2) = "05", ZeroPad(2024, 2) = "24", ZeroPad(-5, 2) = "05".
std::string ZeroPad(int64_t value, int width);

// A date typed in day, month, year order, with ".", "/" or "-" between the fields, or
// as plain digits DDMMAA[AA]. Years written with fewer than four digits fall in the
// window from the current year - 50 to the current year + 49. Day, month and year are
// 16-bit numbers: a field beyond 32767 cannot be read. Unreadable text gives kNullDate;
// ranges are not checked (see IsBadDate).
std::string ParseDate(std::string_view text, const Clock& clock);

// True when the text, read as ParseDate reads it, is not a real date of the Gregorian
// calendar (5 to 14 October 1582 do not exist) or has a year beyond 9999, which a
// packed date cannot hold. The empty text is bad.
bool IsBadDate(std::string_view text, const Clock& clock);

// The distance between two packed dates in the unit "D" (days), "M" (months, days
// ignored) or "A" (whole years), in either case; 0 for any other unit. The order of the
// arguments does not matter. Days run on the Julian leap rule before 1582 and the
// Gregorian one from 1582, without dropping the ten days of October 1582.
int32_t DateDiff(std::string_view a, std::string_view b, std::string_view unit);

// 1 (Monday) to 7 (Sunday); Julian calendar before 15 October 1582.
int WeekdayOf(std::string_view date);

// DDMMAA (year within the century window) or DDMMAAAA; empty when day and month are 0.
// ParseDate reads the result back as the same date.
std::string CompactDate(std::string_view date, const Clock& clock);

// Packs a dotted code ("1.2.3") as groups of 4 digits ("000100020003", 6 bytes). A code
// of 6 characters without "." or of 11 characters with at most one "." has a first
// group of 6 digits. Each group keeps the rightmost digits of its number.
std::string PackDottedCode(std::string_view text);

// The dotted form of a packed code without leading zeros and without trailing zero
// groups ("000100020000" gives "1.2"); empty when its first two groups are zero.
std::string DottedCodeText(std::string_view packed);

}  // namespace orb
