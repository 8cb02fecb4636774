#include "format/packed_digits.h"

namespace orb {

std::string PackDigits(std::string_view text) {
  const size_t n = text.size();
  size_t first = 0;
  size_t last = n;
  while (first < last && text[first] == ' ') ++first;
  while (last > first && text[last - 1] == ' ') --last;
  std::string digits(n - (last - first), '0');
  digits.append(text.substr(first, last - first));
  for (char& c : digits) {
    if (c == ' ') c = '0';
  }
  auto value = [&](size_t i) -> int {
    if (i >= digits.size()) return 0;
    const char c = digits[i];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
  };
  std::string packed;
  packed.reserve((n + 1) / 2);
  for (size_t i = 0; i < (n + 1) / 2; ++i) {
    packed.push_back(static_cast<char>((10 * value(2 * i) + value(2 * i + 1)) | 0x80));
  }
  return packed;
}

std::string UnpackDigits(std::string_view packed) {
  std::string digits;
  digits.reserve(packed.size() * 2);
  for (unsigned char b : packed) {
    const int v = (b & 0x7F) % 100;
    digits.push_back(static_cast<char>('0' + v / 10));
    digits.push_back(static_cast<char>('0' + v % 10));
  }
  return digits;
}

}  // namespace orb
