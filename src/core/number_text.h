// Numbers written as text in settings and definition files, and their conversion to the
// 16-bit integers the program keeps (rounded to the nearest, halves to even).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orb {

// The number written at the start of `text`: blanks (spaces and tabs) skipped, an optional
// sign, digits with an optional decimal point and fraction. Nothing when no digit is there.
// `used`, when given, receives how many bytes the number took, blanks included.
std::optional<double> LeadingNumber(std::string_view text, size_t* used = nullptr);

// The leading number, or 0 when there is none.
inline double NumericValue(std::string_view text) { return LeadingNumber(text).value_or(0); }

// Rounds to the nearest integer, halves to even, and clamps into -32768..32767; NaN gives 0.
int16_t RoundToInt16(double value);

}  // namespace orb
