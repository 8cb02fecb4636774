#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace orb {

std::optional<double> LeadingNumber(std::string_view text, size_t* used) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t start = i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;

  double value = 0;
  const char* first = text.data() + start;
  const char* last = text.data() + i;
  const auto result = std::from_chars(first, last, value, std::chars_format::fixed);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the value is left alone, so say which.
    const std::string_view number(first, static_cast<size_t>(last - first));
    const size_t nonzero = number.find_first_of("123456789");
    const size_t point = number.find('.');
    value = (nonzero != std::string_view::npos && nonzero < point)
                ? std::numeric_limits<double>::infinity()
                : 0.0;
  } else if (result.ec != std::errc()) {
    return std::nullopt;
  }
  if (used != nullptr) *used = i;
  return negative ? -value : value;
}

int16_t RoundToInt16(double value) {
  if (std::isnan(value)) return 0;
  if (value <= -32768.0) return -32768;
  if (value >= 32767.0) return 32767;
  return static_cast<int16_t>(std::nearbyint(value));
}

}  // namespace orb
