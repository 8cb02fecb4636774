#include "ui/calendar.h"

#include <string_view>

#include "format/date_display.h"
#include "format/dates.h"
#include "format/folding.h"
#include "format/packed_digits.h"

namespace orb {
namespace {

// The box and its inside: 22 rows of 20 columns.
constexpr int16_t kTop = 1, kLeft = 59, kBottom = 24, kRight = 80;
constexpr int16_t kInnerWidth = kRight - kLeft - 1;
constexpr char kExitKeys[] = "4d00,4b00,5000,4800,5100,4900,4700,4f00,2100,1b";

std::string PackedDate(int year, int month, int day) {
  return PackDigits(ZeroPad(static_cast<int64_t>(year) * 10000 + month * 100 + day, 8));
}

int PackedValue(const std::string& packed) {
  const std::string digits = UnpackDigits(packed);
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

const char* WeekdayHeads(std::string_view language) {
  if (language == "SPA" || language == "GLG") return " L  M  X  J  V  S  D";
  if (language == "OCI") return "DL DT DC DJ DD DS DG";
  return "DL DT DC DJ DV DS DG";
}

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? " " + text : text;
}

}  // namespace

int16_t DaysInMonth(int16_t year, int16_t month) {
  if (month < 1 || month > 12) return 0;
  if (month == 2) {
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return leap ? 29 : 28;
  }
  return static_cast<int16_t>(30 + (1 + (month + 1) % 9) % 2);
}

void Calendar::SetDate(int16_t year, int16_t month, int16_t day) {
  year_ = year;
  month_ = month;
  day_ = day;
}

std::string Calendar::ShowCalendar() {
  Console& console = s_.console;
  if (console.ScreenRows() < kBottom || console.ScreenColumns() < kRight) return "";
  s_.exit_keys.SetExitKeys("+ea", kExitKeys);
  s_.colours.SetColour("+n");
  // A cursor hidden before (over a list, an option field) stays hidden afterwards.
  const bool cursor_shown = console.CursorVisible();
  console.SetCursorShape(0);
  s_.windows.PushWindow(kTop, kLeft, kBottom, kRight);
  s_.windows.DrawFrame(1);

  const std::string& work = s_.session.WorkDate;
  if (work.size() == 4) {
    SetDate(static_cast<int16_t>(PackedValue(work.substr(0, 2))),
            static_cast<int16_t>(PackedValue(work.substr(2, 1))),
            static_cast<int16_t>(PackedValue(work.substr(3, 1))));
  }
  // An empty or damaged work date would leave the box without a month to show.
  if (work.size() != 4 || year_ < 1 || month_ < 1 || month_ > 12 || day_ < 1 ||
      day_ > DaysInMonth(year_, month_)) {
    const CalendarDate today = s_.clock.Today();
    SetDate(static_cast<int16_t>(today.year), static_cast<int16_t>(today.month),
            static_cast<int16_t>(today.day));
  }
  DrawYear();

  bool chosen = false;
  for (;;) {
    s_.colours.SetColour("+u");
    PrintDay(day_, month_);
    int16_t key = 0;
    s_.keys.WaitKey(key);
    s_.colours.SetColour("-");
    PrintDay(day_, month_);
    if (!ApplyKey(key, chosen)) break;
  }

  std::string result;
  if (chosen) {
    result = FormatDate(PackedDate(year_, month_, day_), 0, "dma", s_.settings,
                        s_.session.Language);
  }
  s_.windows.PopWindow();
  if (cursor_shown) console.SetCursorShape(-1);
  s_.colours.SetColour("-");
  s_.exit_keys.SetExitKeys("-", "");
  return result;
}

bool Calendar::ApplyKey(int16_t key, bool& chosen) {
  const int16_t year = year_, month = month_, day = day_;
  switch (key) {
    case keys::kRight: MoveDay(1); break;
    case keys::kLeft: MoveDay(-1); break;
    case keys::kDown: MoveDay(7); break;
    case keys::kUp: MoveDay(-7); break;
    case keys::kPgDn:
    case keys::kPgUp: {
      int16_t m = static_cast<int16_t>(month_ + (key == keys::kPgDn ? 3 : -3));
      int16_t y = year_;
      if (m < 1) {
        m = static_cast<int16_t>(m + 12);
        --y;
      } else if (m > 12) {
        m = static_cast<int16_t>(m - 12);
        ++y;
      }
      const int16_t length = DaysInMonth(y, m);
      SetDate(y, m, day_ > length ? length : day_);
      break;
    }
    case keys::kHome: month_ = 1; break;
    case keys::kEnd: month_ = 12; break;
    case 'F':
    case 'f':
    case 0x2100:
      chosen = true;
      return false;
    case keys::kEscape:
      return false;
    default:
      return true;
  }
  // The first and the last year a packed date holds: a move beyond them is ignored.
  if (year_ < 1 || year_ > 9999) SetDate(year, month, day);
  if (year_ != shown_year_ || FirstShownMonth() != shown_first_) DrawYear();
  return true;
}

// Day moves that leave the month carry into the month before or after it.
void Calendar::MoveDay(int16_t delta) {
  day_ = static_cast<int16_t>(day_ + delta);
  if (day_ < 1) {
    if (--month_ < 1) {
      month_ = 12;
      --year_;
    }
    day_ = static_cast<int16_t>(day_ + DaysInMonth(year_, month_));
  } else if (day_ > DaysInMonth(year_, month_)) {
    day_ = static_cast<int16_t>(day_ - DaysInMonth(year_, month_));
    if (++month_ > 12) {
      month_ = 1;
      ++year_;
    }
  }
}

void Calendar::DrawYear() {
  Console& console = s_.console;
  WindowStack& windows = s_.windows;
  s_.colours.SetColour("n");
  const std::string year_text = " " + ZeroPad(year_, 4) + " ";
  windows.LocateInWindow(0, static_cast<int16_t>(1 + (kInnerWidth - year_text.size()) / 2));
  console.PrintText(year_text);
  windows.LocateInWindow(1, 1);
  console.PrintText(WeekdayHeads(s_.session.Language));

  shown_year_ = year_;
  shown_first_ = FirstShownMonth();
  for (int16_t m = 1; m <= 12; ++m) {
    month_length_[m] = DaysInMonth(year_, m);
    for (int16_t d = 1; d <= 31; ++d) {
      weekday_[m][d] = d <= month_length_[m]
                           ? static_cast<int16_t>(WeekdayOf(PackedDate(year_, m, d)))
                           : 0;
    }
  }

  for (int16_t m = shown_first_; m < shown_first_ + 3; ++m) {
    const int16_t name_row = static_cast<int16_t>((m - shown_first_) * 7 + 2);
    s_.colours.SetColour("n");
    windows.LocateInWindow(name_row, 1);
    console.PrintSpaces(kInnerWidth);
    std::string name = FoldText(FormatDate(PackedDate(year_, m, 1), 2, "m", s_.settings,
                                           s_.session.Language));
    if (name.size() > static_cast<size_t>(kInnerWidth)) name.resize(kInnerWidth);
    windows.LocateInWindow(name_row,
                           static_cast<int16_t>(1 + (kInnerWidth - name.size()) / 2));
    console.PrintText(name);

    s_.colours.SetColour("h");
    for (int16_t week = 1; week <= 6; ++week) {
      for (int16_t column = 1; column <= 19; column = static_cast<int16_t>(column + 3)) {
        windows.LocateInWindow(static_cast<int16_t>(name_row + week), column);
        console.PrintText("  ");
      }
    }
    for (int16_t d = 1; d <= month_length_[m]; ++d) PrintDay(d, m);
  }
}

void Calendar::PrintDay(int16_t day, int16_t month) {
  if (month < shown_first_ || month > shown_first_ + 2 || day < 1 ||
      day > month_length_[month]) {
    return;
  }
  const int16_t row =
      static_cast<int16_t>((month - shown_first_) * 7 + 3 + (weekday_[month][1] + day - 2) / 7);
  s_.windows.LocateInWindow(row, static_cast<int16_t>(weekday_[month][day] * 3 - 2));
  s_.console.PrintText(TwoDigits(day));
}

}  // namespace orb
