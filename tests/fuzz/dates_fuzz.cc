// Dates as typed, packed dates and dotted codes.
#include "format/dates.h"
#include "format/packed_digits.h"
#include "fuzz_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orb::FixedClock clock(orb::CalendarDate{2024, 6, 15});
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string packed = orb::ParseDate(text, clock);
  orb::IsBadDate(text, clock);
  orb::CompactDate(packed, clock);
  orb::WeekdayOf(packed);
  orb::WeekdayOf(text);
  orb::DateDiff(packed, text, "D");
  orb::DateDiff(text.substr(0, 4), text.substr(text.size() >= 4 ? 4 : text.size()), "M");
  orb::DateDiff(packed, text, "A");
  orb::DottedCodeText(orb::PackDottedCode(text));
  orb::DottedCodeText(text);
  orb::UnpackDigits(orb::PackDigits(text));
  orb::UnpackDigits(text);
  return 0;
}
