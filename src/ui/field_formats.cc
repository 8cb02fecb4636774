#include "ui/field_formats.h"

#include "format/date_display.h"
#include "format/dates.h"
#include "format/numbers.h"

namespace orb {

std::string FieldFormats::DisplayDate(std::string_view typed) {
  return FormatDate(orb::ParseDate(typed, clock_), 0, "dma", settings_, session_.Language);
}

std::string FieldFormats::WorkDateText() { return CompactDate(session_.WorkDate, clock_); }

bool FieldFormats::IsBadDate(std::string_view typed) { return orb::IsBadDate(typed, clock_); }

bool FieldFormats::IsBadNumber(std::string_view typed) { return orb::IsBadNumber(typed, ""); }

std::string FieldFormats::ParseDate(std::string_view typed) {
  return orb::ParseDate(typed, clock_);
}

}  // namespace orb
