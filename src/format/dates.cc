#include "format/dates.h"

#include <utility>
#include <vector>

#include "format/packed_digits.h"

namespace orb {
namespace {

constexpr int32_t kFieldLimit = 32767;  // day, month and year are 16-bit numbers

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Floor modulo, so that weekday arithmetic stays in range for any year.
int64_t FloorMod(int64_t a, int64_t m) {
  const int64_t r = a % m;
  return r < 0 ? r + m : r;
}
int64_t FloorDiv(int64_t a, int64_t m) { return (a - FloorMod(a, m)) / m; }

// The value of a text of digits and spaces (spaces do not count); false when it
// exceeds the 16-bit range. Callers pass only digits and spaces.
bool FieldValue(std::string_view text, int32_t& value) {
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) continue;
    value = value * 10 + (c - '0');
    if (value > kFieldLimit) return false;
  }
  return true;
}

// The number of characters that are not spaces.
size_t NonBlankLength(std::string_view text) {
  size_t n = 0;
  for (char c : text) n += (c != ' ');
  return n;
}

// Value of the digits text[from, from + count) (count npos: to the end); characters
// outside the text count as absent, non-digits as 0, as for packed dates.
int32_t DigitsValue(std::string_view digits, size_t from, size_t count) {
  if (from >= digits.size()) return 0;
  int32_t value = 0;
  for (char c : digits.substr(from, count)) value = value * 10 + (IsDigit(c) ? c - '0' : 0);
  return value;
}

struct TypedDate {
  int32_t day = 0;
  int32_t month = 0;
  int32_t year = 0;
  bool four_digit_year = false;
};

// Splits a typed date into its fields; false when it cannot be read.
bool SplitTypedDate(std::string_view text, TypedDate& out) {
  bool ok = true;
  int field = 1;
  std::string accumulator;
  for (char c : text) {
    if (c == ' ' || IsDigit(c)) {
      accumulator.push_back(c);
    } else if (c == '.' || c == '/' || c == '-') {
      if (field == 1) {
        ok = FieldValue(accumulator, out.day) && ok;
      } else if (field == 2) {
        ok = FieldValue(accumulator, out.month) && ok;
      } else {
        ok = false;
      }
      accumulator.clear();
      if (field < 4) ++field;
    } else {
      ok = false;
    }
  }
  if (!ok) return false;
  if (field == 1) {
    const std::string_view year_text =
        text.size() > 4 ? text.substr(4) : std::string_view();
    out.four_digit_year = NonBlankLength(year_text) > 3;
    return FieldValue(text.substr(0, 2), out.day) &&
           FieldValue(text.size() > 2 ? text.substr(2, 2) : std::string_view(), out.month) &&
           FieldValue(year_text, out.year);
  }
  if (field == 3) {
    out.four_digit_year = NonBlankLength(accumulator) > 3;
    return FieldValue(accumulator, out.year);
  }
  return false;
}

bool IsGregorianLeap(int64_t year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// The leap rule of day arithmetic: Julian before 1582, Gregorian from then on.
bool IsCalendarLeap(int64_t year) {
  return year < 1582 ? FloorMod(year, 4) == 0 : IsGregorianLeap(year);
}

int DaysInMonth(int64_t month, bool leap) {
  int days = 30 + static_cast<int>((1 + FloorMod(month + 1, 9)) % 2);
  if (month == 2) days -= 2 - (leap ? 1 : 0);
  return days;
}

struct DateParts {
  int32_t year;
  int32_t month;
  int32_t day;
};

DateParts SplitPacked(std::string_view date) {
  const std::string digits = UnpackDigits(date);
  return {DigitsValue(digits, 0, 4), DigitsValue(digits, 4, 2), DigitsValue(digits, 6, 2)};
}

}  // namespace

std::string ZeroPad(int64_t value, int width) {
  if (width <= 0) return std::string();
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string text(static_cast<size_t>(width), '0');
  for (size_t i = text.size(); i > 0 && magnitude != 0; --i) {
    text[i - 1] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  }
  return text;
}

std::string ParseDate(std::string_view text, const Clock& clock) {
  TypedDate d;
  if (!SplitTypedDate(text, d)) return kNullDate;
  int64_t year = d.year;
  if (d.day > 0 && d.month > 0 && !d.four_digit_year) {
    const int64_t current = clock.CurrentYear();
    year += 100 * (current / 100);
    if (year - current > 49) {
      year -= 100;
    } else if (current - year > 50) {
      year += 100;
    }
  }
  return PackDigits(ZeroPad(year, 4) + ZeroPad(d.month, 2) + ZeroPad(d.day, 2));
}

bool IsBadDate(std::string_view text, const Clock& clock) {
  TypedDate d;
  if (!SplitTypedDate(text, d)) return true;
  int64_t year = d.year;
  if (year < 100 && !d.four_digit_year) {
    const int64_t current = clock.CurrentYear();
    year += 100 * (current / 100);
    if (year - current > 50) {
      year -= 100;
    } else if (current - year > 50) {
      year += 100;
    }
  }
  const int64_t number = year * 10000 + d.month * 100 + d.day;
  if (number > 15821004 && number < 15821015) return true;
  if (d.month < 1 || d.month > 12 || d.day < 1) return true;
  if (d.day > DaysInMonth(d.month, IsGregorianLeap(year))) return true;
  return year > 9999;
}

int32_t DateDiff(std::string_view a, std::string_view b, std::string_view unit) {
  if (b < a) std::swap(a, b);
  const DateParts from = SplitPacked(a);
  const DateParts to = SplitPacked(b);
  std::string u(unit);
  for (char& c : u) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (u == "D") {
    int32_t count = 0;
    for (int32_t y = from.year + 1; y < to.year; ++y) count += IsCalendarLeap(y) ? 366 : 365;
    const int32_t last_month = from.year < to.year ? 12 : to.month - 1;
    for (int32_t m = from.month; m <= last_month; ++m) {
      count += DaysInMonth(m, IsCalendarLeap(from.year));
    }
    if (from.year < to.year) {
      for (int32_t m = 1; m < to.month; ++m) count += DaysInMonth(m, IsCalendarLeap(to.year));
    }
    return count - from.day + to.day;
  }
  if (u == "M") return 12 * (to.year - from.year) + to.month - from.month;
  if (u == "A") {
    const bool before_anniversary =
        from.month > to.month || (from.month == to.month && from.day > to.day);
    return to.year - from.year - (before_anniversary ? 1 : 0);
  }
  return 0;
}

int WeekdayOf(std::string_view date) {
  const std::string new_year = std::string(date.substr(0, 2)) + PackDigits("0101");
  const int64_t s = DateDiff(date, new_year, "D") - 1;
  const int64_t y = SplitPacked(date).year - 1;
  int64_t result;
  if (date < std::string_view(PackDigits("15821005"))) {
    result = FloorMod(FloorMod(y + FloorDiv(y, 4), 7) + 6 + s, 7) + 1;
  } else {
    const int64_t days = y + FloorDiv(y, 4) - FloorDiv(y, 100) + FloorDiv(y, 400);
    result = FloorMod(FloorMod(days, 7) + 1 + s, 7) + 1;
  }
  return static_cast<int>(result);
}

std::string CompactDate(std::string_view date, const Clock& clock) {
  const size_t n = date.size();
  const int32_t day = n >= 1 ? DigitsValue(UnpackDigits(date.substr(n - 1)), 0, 2) : 0;
  const int32_t month = n >= 2 ? DigitsValue(UnpackDigits(date.substr(n - 2, 1)), 0, 2) : 0;
  if (day == 0 && month == 0) return std::string();
  // The year may hold any number of digits: compare its value, bounded, with the
  // window, and show its last digits.
  const std::string year_digits = n > 2 ? UnpackDigits(date.substr(0, n - 2)) : std::string();
  int64_t year = 0;
  for (char c : year_digits) {
    year = year * 10 + (c - '0');
    if (year > 1000000) break;  // far outside any window
  }
  const size_t tail = year_digits.size() > 4 ? year_digits.size() - 4 : 0;
  const int32_t last_four = DigitsValue(year_digits, tail, 4);
  const int64_t current = clock.CurrentYear();
  std::string text = ZeroPad(day, 2) + ZeroPad(month, 2);
  if (year >= current - 50 && year <= current + 49) {
    text += ZeroPad(last_four % 100, 2);
  } else {
    text += ZeroPad(last_four, 4);
  }
  return text;
}

std::string PackDottedCode(std::string_view text) {
  size_t points = 0;
  for (char c : text) points += (c == '.');
  const bool wide_first =
      (text.size() == 6 && points == 0) || (text.size() == 11 && points < 2);
  std::string digits;
  size_t start = 0;
  bool first = true;
  while (start <= text.size()) {
    const std::string_view rest = text.substr(start);
    if (NonBlankLength(rest) == 0) break;
    const size_t point = rest.find('.');
    const std::string_view group = rest.substr(0, point);
    // The group's number without sign: leading spaces and one sign are skipped, then
    // digits are taken (spaces among them ignored) up to the first other character.
    std::string number;
    size_t i = 0;
    while (i < group.size() && group[i] == ' ') ++i;
    if (i < group.size() && (group[i] == '+' || group[i] == '-')) ++i;
    for (; i < group.size() && (IsDigit(group[i]) || group[i] == ' '); ++i) {
      if (IsDigit(group[i])) number.push_back(group[i]);
    }
    const size_t width = first && wide_first ? 6 : 4;
    if (number.size() > width) number.erase(0, number.size() - width);
    digits += std::string(width - number.size(), '0') + number;
    first = false;
    if (point == std::string_view::npos) break;
    start += point + 1;
  }
  return PackDigits(digits);
}

std::string DottedCodeText(std::string_view packed) {
  const std::string d = UnpackDigits(packed);
  std::vector<int32_t> groups;  // rightmost first
  size_t end = d.size();
  while (end > 6) {
    groups.push_back(DigitsValue(d, end - 4, 4));
    end -= 4;
  }
  if (end > 0) groups.push_back(DigitsValue(d, 0, end));
  // Drop trailing zero groups, then join from the left.
  size_t first_kept = 0;
  while (first_kept < groups.size() && groups[first_kept] == 0) ++first_kept;
  if (first_kept == groups.size()) return std::string();
  const size_t leftmost = groups.size() - 1;
  if (groups[leftmost] == 0 && (leftmost == 0 || groups[leftmost - 1] == 0)) {
    return std::string();  // reads as the number 0
  }
  std::string text;
  for (size_t i = groups.size(); i-- > first_kept;) {
    if (i != leftmost) text += '.';
    text += std::to_string(groups[i]);
  }
  return text;
}

}  // namespace orb
