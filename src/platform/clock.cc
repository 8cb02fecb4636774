#include "platform/clock.h"

#include <ctime>

namespace orb {

CalendarDate SystemClock::Today() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

LocalTime SystemClock::Now() const {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return LocalTime{CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
                   local.tm_hour, local.tm_min, local.tm_sec,
                   static_cast<int>(local.tm_gmtoff / 60)};
}

}  // namespace orb
