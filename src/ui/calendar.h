// Calendar: the pop-up of Alt+C. It shows three months of a year in a box on the
// right of the screen (columns 59 to 80), starting on the session's work date, lets the
// operator move the highlighted day with the cursor keys and page by quarters, and
// returns the chosen date in the numeric display form, or "" when the operator leaves
// with Escape. The screen, colours, cursor and exit keys are as they were afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "ui/popup_services.h"

namespace orb {

class Calendar {
 public:
  explicit Calendar(const PopupServices& services) : s_(services) {}

  // Runs until F, f or Alt+F (the date chosen) or Escape (""). Years stay within
  // 1..9999. Without a usable work date it starts on today's date.
  std::string ShowCalendar();

 private:
  void DrawYear();
  void PrintDay(int16_t day, int16_t month);
  // Applies a key; false when the key leaves the calendar.
  bool ApplyKey(int16_t key, bool& chosen);
  void MoveDay(int16_t delta);
  void SetDate(int16_t year, int16_t month, int16_t day);
  int16_t FirstShownMonth() const { return static_cast<int16_t>((month_ - 1) / 3 * 3 + 1); }

  PopupServices s_;
  int16_t year_ = 0;
  int16_t month_ = 1;
  int16_t day_ = 1;
  int16_t shown_year_ = 0;   // year and first month on the screen
  int16_t shown_first_ = 0;
  int16_t month_length_[13] = {};
  int16_t weekday_[13][32] = {};
};

// Days of a month (Gregorian leap years), 0 for a month outside 1..12.
int16_t DaysInMonth(int16_t year, int16_t month);

}  // namespace orb
