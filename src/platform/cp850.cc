#include "platform/cp850.h"

#include <array>

namespace orb::cp850 {
namespace {

// Upper half of the code page, 0x80..0xFF.
constexpr std::array<char32_t, 128> kHigh = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,  // 80
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,  // 88
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,  // 90
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,  // 98
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,  // A0
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,  // B0
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x20AC, 0x00CD, 0x00CE,  // D0
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,  // D8
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,  // E0
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,  // E8
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,  // F0
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,  // F8
};

// Screen glyphs of the control range 0x00..0x1F.
constexpr std::array<char32_t, 32> kControlGlyphs = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,  // 00
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,  // 08
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,  // 10
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,  // 18
};

// One well-formed UTF-8 character at bytes[at]: its length (0 when malformed).
size_t DecodeUtf8(std::string_view bytes, size_t at, char32_t& ch) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  if (lead < 0x80) {
    ch = lead;
    return 1;
  }
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (bytes.size() - at < length) return 0;
  ch = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(bytes[at + i]);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    ch = (ch << 6) | (next & 0x3F);
  }
  return length;
}

// Letters with an accent, as a combining mark after the plain letter gives them.
struct Accented {
  char32_t mark;
  std::string_view letters;
  std::array<char32_t, 12> composed;  // one for each letter, in their order
};
constexpr Accented kAccented[] = {
    {0x0300, "AEIOUaeiou", {0xC0, 0xC8, 0xCC, 0xD2, 0xD9, 0xE0, 0xE8, 0xEC, 0xF2, 0xF9}},
    {0x0301, "AEIOUYaeiouy",
     {0xC1, 0xC9, 0xCD, 0xD3, 0xDA, 0xDD, 0xE1, 0xE9, 0xED, 0xF3, 0xFA, 0xFD}},
    {0x0302, "AEIOUaeiou", {0xC2, 0xCA, 0xCE, 0xD4, 0xDB, 0xE2, 0xEA, 0xEE, 0xF4, 0xFB}},
    {0x0303, "ANOano", {0xC3, 0xD1, 0xD5, 0xE3, 0xF1, 0xF5}},
    {0x0308, "AEIOUaeiouy", {0xC4, 0xCB, 0xCF, 0xD6, 0xDC, 0xE4, 0xEB, 0xEF, 0xF6, 0xFC, 0xFF}},
    {0x030A, "Aa", {0xC5, 0xE5}},
    {0x0327, "Cc", {0xC7, 0xE7}},
};

// The plain form of a character code page 850 lacks, or nothing.
std::optional<std::string_view> PlainForm(char32_t ch) {
  switch (ch) {
    case 0x2018: case 0x2019: case 0x201A: case 0x201B: case 0x2032: return "'";
    case 0x201C: case 0x201D: case 0x201E: case 0x201F: case 0x2033: return "\"";
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015:
    case 0x2212: return "-";
    case 0x2026: return "...";
    case 0x0140: return "l\xFA";
    case 0x013F: return "L\xFA";
    case 0x2007: case 0x2009: case 0x200A: case 0x202F: case 0x2002: case 0x2003:
    case 0x2004: case 0x2005: case 0x2006: case 0x2008: case 0x205F: case 0x3000:
      return " ";
    case 0x200B: case 0x200C: case 0x200D: case 0x2060: case 0xFEFF: return "";
    default: return std::nullopt;
  }
}

}  // namespace

char32_t ToUnicode(uint8_t byte) {
  return byte < 0x80 ? char32_t{byte} : kHigh[byte - 0x80];
}

char32_t ToGlyph(uint8_t byte) {
  if (byte < 0x20) return kControlGlyphs[byte];
  if (byte == 0x7F) return 0x2302;
  return ToUnicode(byte);
}

std::optional<uint8_t> FromUnicode(char32_t ch) {
  if (ch < 0x80) return static_cast<uint8_t>(ch);
  for (int i = 0; i < 128; ++i) {
    if (kHigh[i] == ch) return static_cast<uint8_t>(0x80 + i);
  }
  // The glyphs of the control range; 0x14 and 0x15 share their glyphs with 0xF4 and
  // 0xF5, which the loop above has already answered.
  for (int i = 1; i < 32; ++i) {
    if (kControlGlyphs[i] == ch) return static_cast<uint8_t>(i);
  }
  if (ch == 0x2302) return 0x7F;
  if (ch == 0x0131) return 0xD5;  // dotless i: the byte's meaning before the euro
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
}

std::string ToUtf8(std::string_view cp850_text) {
  std::string out;
  out.reserve(cp850_text.size() * 2);
  for (unsigned char c : cp850_text) AppendUtf8(out, ToUnicode(c));
  return out;
}

std::string FromUtf8(std::string_view utf8_text, char replacement) {
  std::string out;
  out.reserve(utf8_text.size());
  size_t i = 0;
  const size_t n = utf8_text.size();
  while (i < n) {
    const auto lead = static_cast<unsigned char>(utf8_text[i]);
    char32_t ch = 0;
    size_t extra = 0;
    if (lead < 0x80) {
      ch = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      ch = lead & 0x1F;
      extra = 1;
    } else if ((lead & 0xF0) == 0xE0) {
      ch = lead & 0x0F;
      extra = 2;
    } else if ((lead & 0xF8) == 0xF0) {
      ch = lead & 0x07;
      extra = 3;
    } else {
      out.push_back(replacement);
      ++i;
      continue;
    }
    bool ok = true;
    size_t j = 1;
    for (; j <= extra; ++j) {
      if (i + j >= n || (static_cast<unsigned char>(utf8_text[i + j]) & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      ch = (ch << 6) | (static_cast<unsigned char>(utf8_text[i + j]) & 0x3F);
    }
    if (!ok) {
      out.push_back(replacement);
      i += j;  // the lead byte and the continuation bytes seen so far
      continue;
    }
    i += extra + 1;
    auto byte = FromUnicode(ch);
    out.push_back(byte ? static_cast<char>(*byte) : replacement);
  }
  return out;
}

bool IsUtf8(std::string_view bytes) {
  char32_t ch = 0;
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = DecodeUtf8(bytes, i, ch);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string TextFromUtf8(std::string_view utf8_text) {
  std::string out;
  out.reserve(utf8_text.size());
  bool after_plain_letter = false;  // the last byte out came from an unaccented letter
  for (size_t i = 0; i < utf8_text.size();) {
    char32_t ch = 0;
    const size_t length = DecodeUtf8(utf8_text, i, ch);
    if (length == 0) {
      out.push_back('?');
      ++i;
      after_plain_letter = false;
      continue;
    }
    i += length;
    if (ch >= 0x0300 && ch <= 0x036F) {  // a combining mark
      if (!after_plain_letter) continue;
      for (const Accented& accent : kAccented) {
        const size_t at = accent.mark == ch ? accent.letters.find(out.back()) : std::string_view::npos;
        if (at == std::string_view::npos) continue;
        if (const auto byte = FromUnicode(accent.composed[at])) out.back() = static_cast<char>(*byte);
        break;
      }
      after_plain_letter = false;
      continue;
    }
    after_plain_letter = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
    if (ch < 0x80) {
      out.push_back(static_cast<char>(ch));
      continue;
    }
    std::optional<uint8_t> byte;
    for (int k = 0; k < 128 && !byte; ++k) {
      if (kHigh[static_cast<size_t>(k)] == ch) byte = static_cast<uint8_t>(0x80 + k);
    }
    if (byte) {
      out.push_back(static_cast<char>(*byte));
      continue;
    }
    if (const auto plain = PlainForm(ch)) {
      out.append(*plain);
    } else {
      out.push_back('?');
    }
  }
  return out;
}

}  // namespace orb::cp850
