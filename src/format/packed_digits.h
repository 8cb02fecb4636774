// Packed digit texts: two decimal digits per byte, as 10 x first + second with the high
// bit set, so that packed codes and dates of equal length compare as byte texts in the
// order of the digits they hold.
#pragma once

#include <string>
#include <string_view>

namespace orb {

// Digits are right-aligned in the text's length (blanks count as zeros, as do
// non-digits); n characters give (n + 1) / 2 bytes. The empty text gives the empty text.
std::string PackDigits(std::string_view text);

// Two digits per byte (the byte's low seven bits, last two digits of the value).
std::string UnpackDigits(std::string_view packed);

}  // namespace orb
