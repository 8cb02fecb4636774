// Clock: where the program learns today's date. The system clock reads the host's
// local time; tests substitute a fixed one so that century windows are repeatable.
#pragma once

namespace orb {

struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// A moment of local time, with the offset of local time from UTC, for time stamps.
struct LocalTime {
  CalendarDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int utc_offset_minutes = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual CalendarDate Today() const = 0;
  // Now, to the second; a clock that knows only the day gives its midnight in UTC.
  virtual LocalTime Now() const { return LocalTime{Today(), 0, 0, 0, 0}; }
  int CurrentYear() const { return Today().year; }
};

class SystemClock : public Clock {
 public:
  CalendarDate Today() const override;
  LocalTime Now() const override;
};

class FixedClock : public Clock {
 public:
  explicit FixedClock(CalendarDate today) : today_(today) {}
  explicit FixedClock(int year) : today_{year, 1, 1} {}
  CalendarDate Today() const override { return today_; }
  void Set(CalendarDate today) { today_ = today; }

 private:
  CalendarDate today_;
};

}  // namespace orb
