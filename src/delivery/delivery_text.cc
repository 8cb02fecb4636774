#include "delivery/delivery_text.h"

#include <cmath>
#include <cstdio>

#include "format/packed_digits.h"

namespace orb {

std::string TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::string();
  const size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string PlainFigure(double hundredths) {
  if (!std::isfinite(hundredths)) return "0.00";
  const double rounded = std::nearbyint(hundredths);
  const bool negative = rounded < 0;
  const unsigned long long whole =
      static_cast<unsigned long long>(negative ? -rounded : rounded);
  char text[48];
  std::snprintf(text, sizeof text, "%s%llu.%02llu", negative ? "-" : "", whole / 100,
                whole % 100);
  return text;
}

std::string IsoDate(std::string_view packed_date) {
  const std::string digits = UnpackDigits(packed_date.substr(0, 4));
  if (digits.size() != 8) return "0000-00-00";
  return digits.substr(0, 4) + "-" + digits.substr(4, 2) + "-" + digits.substr(6, 2);
}

std::string MonthFolderName(std::string_view packed_date) {
  return IsoDate(packed_date).substr(0, 7);
}

std::string CodeDigits(std::string_view packed_code) {
  std::string digits = UnpackDigits(packed_code.substr(0, 2));
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return digits;
}

}  // namespace orb
