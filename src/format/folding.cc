#include "format/folding.h"

#include <array>
#include <cstdint>

namespace orb {
namespace {

using Table = std::array<uint8_t, 256>;

struct Pair {
  uint8_t from;
  uint8_t to;
};

// Lower-case letters of code page 850 and their capitals.
constexpr Pair kAccentedCapitals[] = {
    {129, 154}, {130, 144}, {131, 182}, {132, 142}, {133, 183}, {134, 143}, {135, 128},
    {136, 210}, {137, 211}, {138, 212}, {139, 216}, {140, 215}, {141, 222}, {145, 146},
    {147, 226}, {148, 153}, {149, 227}, {150, 234}, {151, 235}, {160, 181}, {161, 214},
    {162, 224}, {163, 233}, {164, 165}, {198, 199}, {208, 209}, {228, 229}, {236, 237},
};

// Accented and special letters and the plain capital they fold to.
constexpr Pair kPlainLetters[] = {
    {131, 'A'}, {132, 'A'}, {133, 'A'}, {134, 'A'}, {142, 'A'}, {143, 'A'}, {145, 'A'},
    {146, 'A'}, {160, 'A'}, {166, 'A'}, {181, 'A'}, {182, 'A'}, {183, 'A'}, {198, 'A'},
    {199, 'A'}, {128, 'C'}, {135, 'C'}, {208, 'D'}, {209, 'D'}, {130, 'E'}, {136, 'E'},
    {137, 'E'}, {138, 'E'}, {144, 'E'}, {210, 'E'}, {211, 'E'}, {212, 'E'}, {213, 'E'},
    {139, 'I'}, {140, 'I'}, {141, 'I'}, {161, 'I'}, {214, 'I'}, {215, 'I'}, {216, 'I'},
    {222, 'I'}, {164, 'N'}, {165, 'N'}, {147, 'O'}, {148, 'O'}, {149, 'O'}, {153, 'O'},
    {155, 'O'}, {157, 'O'}, {162, 'O'}, {167, 'O'}, {224, 'O'}, {226, 'O'}, {227, 'O'},
    {228, 'O'}, {229, 'O'}, {225, 'S'}, {231, 'T'}, {232, 'T'}, {129, 'U'}, {150, 'U'},
    {151, 'U'}, {154, 'U'}, {163, 'U'}, {233, 'U'}, {234, 'U'}, {235, 'U'}, {152, 'Y'},
    {236, 'Y'}, {237, 'Y'},
};

constexpr int kFirstFolded = 64;
constexpr int kLastFolded = 237;

constexpr Table KeepAccents() {
  Table t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 'a' + 'A');
  for (const Pair& p : kAccentedCapitals) t[p.from] = p.to;
  return t;
}

constexpr Table StripAccents() {
  Table t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = kFirstFolded; c <= kLastFolded; ++c) t[c] = ' ';
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<uint8_t>(c);
  for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 'a' + 'A');
  for (const Pair& p : kPlainLetters) t[p.from] = p.to;
  return t;
}

constexpr Table kKeepAccents = KeepAccents();
constexpr Table kStripAccents = StripAccents();

}  // namespace

std::string FoldText(std::string_view text, bool strip_accents) {
  const Table& table = strip_accents ? kStripAccents : kKeepAccents;
  std::string out(text);
  for (char& c : out) c = static_cast<char>(table[static_cast<uint8_t>(c)]);
  return out;
}

}  // namespace orb
