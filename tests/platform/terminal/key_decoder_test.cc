#include "platform/terminal/key_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace orb {
namespace {

struct Decoded {
  uint16_t code;
  uint16_t shift;
  bool operator==(const Decoded&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Decoded& d) {
  return out << std::hex << "{" << d.code << ", shift " << d.shift << "}";
}

// Every event the bytes give, deciding pending prefixes at the end.
std::vector<Decoded> DecodeAll(std::string_view bytes) {
  KeyDecoder decoder;
  decoder.Feed(bytes);
  std::vector<Decoded> keys;
  while (auto event = decoder.Next(false)) keys.push_back({KeyCodeOf(event->key), event->shift});
  while (auto event = decoder.Next(true)) keys.push_back({KeyCodeOf(event->key), event->shift});
  EXPECT_FALSE(decoder.HasPending());
  return keys;
}

Decoded One(std::string_view bytes) {
  const std::vector<Decoded> keys = DecodeAll(bytes);
  EXPECT_EQ(keys.size(), 1u) << "bytes: " << testing::PrintToString(std::string(bytes));
  return keys.empty() ? Decoded{0xffff, 0xffff} : keys[0];
}

TEST(KeyDecoderTest, PlainCharactersAndControlKeys) {
  EXPECT_EQ(DecodeAll("aZ\r\t\x01"),
            (std::vector<Decoded>{{'a', 0}, {'Z', 0}, {0x0d, 0}, {0x09, 0}, {0x01, 0}}));
  EXPECT_EQ(One("\x7f"), (Decoded{0x08, 0}));
  EXPECT_EQ(One("\x08"), (Decoded{0x08, 0}));
}

TEST(KeyDecoderTest, Utf8ArrivesAsCodePage850) {
  EXPECT_EQ(DecodeAll("\xc3\xa0\xc3\xa7\xc3\xb1\xc2\xb7\xe2\x82\xac"),
            (std::vector<Decoded>{{0x85, 0}, {0x87, 0}, {0xa4, 0}, {0xfa, 0}, {0xd5, 0}}));
  EXPECT_TRUE(DecodeAll("\xe4\xb8\xad").empty());  // no such character in the code page
  EXPECT_EQ(DecodeAll("\xc3x"), (std::vector<Decoded>{{'x', 0}}));  // broken sequence
  EXPECT_EQ(DecodeAll("\xff" "b"), (std::vector<Decoded>{{'b', 0}}));
}

// Overlong forms, surrogates and codes past U+10FFFF are swallowed whole: none of them
// may pass as the character it spells ("/" or "a" here), nor leave bytes behind.
TEST(KeyDecoderTest, MalformedUtf8IsNeverACharacter) {
  EXPECT_TRUE(DecodeAll("\xe0\x80\xaf").empty());
  EXPECT_TRUE(DecodeAll("\xf0\x80\x81\xa1").empty());
  EXPECT_TRUE(DecodeAll("\xed\xa0\x80").empty());
  EXPECT_TRUE(DecodeAll("\xf4\x90\x80\x80").empty());
  EXPECT_TRUE(DecodeAll("\xc0\xaf\xc1\xa1").empty());
  EXPECT_EQ(DecodeAll("\xe0\x80\xaf" "b\x1b\xe0\x80\xaf" "c"),
            (std::vector<Decoded>{{'b', 0}, {'c', 0}}));
  EXPECT_EQ(DecodeAll("\xe0\xa0\x80\xc3\xa0"), (std::vector<Decoded>{{0x85, 0}}));
}

TEST(KeyDecoderTest, Utf8SplitAcrossReadsWaitsForTheRest) {
  KeyDecoder decoder;
  decoder.Feed("\xc3");
  EXPECT_FALSE(decoder.Next(false).has_value());
  decoder.Feed("\xa7");
  EXPECT_EQ(decoder.Next(false)->key, "\x87");
}

TEST(KeyDecoderTest, CursorKeysInEveryForm) {
  for (std::string_view bytes : {"\x1b[C", "\x1bOC"}) EXPECT_EQ(One(bytes), (Decoded{0x4d00, 0}));
  EXPECT_EQ(One("\x1b[1;5C"), (Decoded{0x4d00, kLeftCtrl}));
  EXPECT_EQ(One("\x1b[1;2C"), (Decoded{0x4d00, kShift}));
  EXPECT_EQ(One("\x1b[1;3D"), (Decoded{0x4b00, kLeftAlt}));
  EXPECT_EQ(One("\x1b[1;8A"), (Decoded{0x4800, kShift | kLeftAlt | kLeftCtrl}));
  EXPECT_EQ(One("\x1bOc"), (Decoded{0x4d00, kLeftCtrl}));  // rxvt
  EXPECT_EQ(One("\x1b[c"), (Decoded{0x4d00, kShift}));     // rxvt
  EXPECT_EQ(One("\x1b\x1b[B"), (Decoded{0x5000, kLeftAlt}));
  for (std::string_view bytes : {"\x1b[H", "\x1bOH", "\x1b[1~", "\x1b[7~"}) {
    EXPECT_EQ(One(bytes), (Decoded{0x4700, 0})) << bytes.substr(1);
  }
  for (std::string_view bytes : {"\x1b[F", "\x1bOF", "\x1b[4~", "\x1b[8~"}) {
    EXPECT_EQ(One(bytes), (Decoded{0x4f00, 0})) << bytes.substr(1);
  }
  EXPECT_EQ(One("\x1b[5~"), (Decoded{0x4900, 0}));
  EXPECT_EQ(One("\x1b[6;5~"), (Decoded{0x5100, kLeftCtrl}));
  EXPECT_EQ(One("\x1b[2~"), (Decoded{0x5200, 0}));
  EXPECT_EQ(One("\x1b[3~"), (Decoded{0x5300, 0}));
  EXPECT_EQ(One("\x1b[3$"), (Decoded{0x5300, kShift}));  // rxvt
  EXPECT_EQ(One("\x1b[Z"), (Decoded{0x0f00, kShift}));
  EXPECT_EQ(One("\x1b\t"), (Decoded{0x0f00, kShift}));  // Shift+Tab on the Linux console
  EXPECT_EQ(DecodeAll("\t\x1b\t\x1b\x1b\t"),
            (std::vector<Decoded>{{0x09, 0}, {0x0f00, kShift}, {0x1b, 0}, {0x0f00, kShift}}));
}

TEST(KeyDecoderTest, FunctionKeysOfXtermScreenAndLinux) {
  const std::vector<Decoded> f1_to_f12 = {
      {0x3b00, 0}, {0x3c00, 0}, {0x3d00, 0}, {0x3e00, 0}, {0x3f00, 0}, {0x4000, 0},
      {0x4100, 0}, {0x4200, 0}, {0x4300, 0}, {0x4400, 0}, {0x5700, 0}, {0x5800, 0}};
  // xterm, screen and tmux
  EXPECT_EQ(DecodeAll("\x1bOP\x1bOQ\x1bOR\x1bOS\x1b[15~\x1b[17~\x1b[18~\x1b[19~\x1b[20~"
                      "\x1b[21~\x1b[23~\x1b[24~"),
            f1_to_f12);
  // vt220 / rxvt F1..F4
  EXPECT_EQ(DecodeAll("\x1b[11~\x1b[12~\x1b[13~\x1b[14~"),
            std::vector<Decoded>(f1_to_f12.begin(), f1_to_f12.begin() + 4));
  // Linux console F1..F5
  EXPECT_EQ(DecodeAll("\x1b[[A\x1b[[B\x1b[[C\x1b[[D\x1b[[E"),
            std::vector<Decoded>(f1_to_f12.begin(), f1_to_f12.begin() + 5));
}

TEST(KeyDecoderTest, ModifiedFunctionKeysKeepTheirCode) {
  EXPECT_EQ(One("\x1b[1;2R"), (Decoded{0x3d00, kShift}));   // xterm Shift+F3
  EXPECT_EQ(One("\x1bO2R"), (Decoded{0x3d00, kShift}));     // older xterm
  EXPECT_EQ(One("\x1b[13;2~"), (Decoded{0x3d00, kShift}));  // vt220 numbering
  EXPECT_EQ(One("\x1b[1;5P"), (Decoded{0x3b00, kLeftCtrl}));
  EXPECT_EQ(One("\x1b[15;3~"), (Decoded{0x3f00, kLeftAlt}));
  EXPECT_EQ(One("\x1b[21;6~"), (Decoded{0x4400, kShift | kLeftCtrl}));
  EXPECT_EQ(One("\x1b[24;2~"), (Decoded{0x5800, kShift}));
}

TEST(KeyDecoderTest, AltLetterGivesScanCodeOfThePhysicalKey) {
  EXPECT_EQ(One("\x1b" "f"), (Decoded{0x2100, kLeftAlt}));
  EXPECT_EQ(One("\x1b" "c"), (Decoded{0x2e00, kLeftAlt}));
  EXPECT_EQ(One("\x1b" "x"), (Decoded{0x2d00, kLeftAlt}));
  EXPECT_EQ(One("\x1b" "F"), (Decoded{0x2100, kLeftAlt | kShift}));
  EXPECT_EQ(DecodeAll("\x1bq\x1bp\x1b" "a\x1bl\x1bz\x1bm"),
            (std::vector<Decoded>{{0x1000, kLeftAlt}, {0x1900, kLeftAlt}, {0x1e00, kLeftAlt},
                                  {0x2600, kLeftAlt}, {0x2c00, kLeftAlt}, {0x3200, kLeftAlt}}));
  EXPECT_EQ(One("\x1bO"), (Decoded{0x1800, kLeftAlt}));  // Alt+O alone, after the pause
  EXPECT_EQ(One("\x1b" "1"), (Decoded{'1', kLeftAlt}));
  EXPECT_EQ(One("\x1b\xc3\xa7"), (Decoded{0x87, kLeftAlt}));
}

TEST(KeyDecoderTest, LoneEscapeWaitsForThePause) {
  KeyDecoder decoder;
  decoder.Feed("\x1b");
  EXPECT_FALSE(decoder.Next(false).has_value());
  EXPECT_TRUE(decoder.HasPending());
  EXPECT_EQ(decoder.Next(true)->key, "\x1b");
  EXPECT_EQ(DecodeAll("\x1b\x1b"), (std::vector<Decoded>{{0x1b, 0}, {0x1b, 0}}));
  EXPECT_EQ(DecodeAll("\x1b\x1bx"), (std::vector<Decoded>{{0x1b, 0}, {0x2d00, kLeftAlt}}));
  // A sequence split across reads is still one key.
  decoder.Feed("\x1b[1;");
  EXPECT_FALSE(decoder.Next(false).has_value());
  decoder.Feed("5C");
  EXPECT_EQ(KeyCodeOf(decoder.Next(false)->key), 0x4d00);
}

TEST(KeyDecoderTest, UnknownAndBrokenSequencesAreSwallowedWhole) {
  EXPECT_TRUE(DecodeAll("\x1b[99~").empty());
  EXPECT_TRUE(DecodeAll("\x1b[?1;2c").empty());  // a device attribute reply
  EXPECT_TRUE(DecodeAll("\x1b[I\x1b[O").empty());  // focus in and out
  EXPECT_TRUE(DecodeAll("\x1b[200~").empty());
  EXPECT_TRUE(DecodeAll("\x1bOz").empty());
  EXPECT_TRUE(DecodeAll("\x1b[1;5").empty());  // cut off, then the pause
  EXPECT_EQ(DecodeAll("\x1b[12\x1b[A"), (std::vector<Decoded>{{0x4800, 0}}));
  EXPECT_EQ(DecodeAll(std::string("\x1b[") + std::string(100, '1') + "~q"),
            (std::vector<Decoded>{{'q', 0}}));
  EXPECT_EQ(DecodeAll("\x1b[[Zk"), (std::vector<Decoded>{{'k', 0}}));
  EXPECT_TRUE(DecodeAll(std::string("\0", 1)).empty());
}

TEST(KeyDecoderTest, SgrAndX10MouseReportsCarryTheirCell) {
  KeyDecoder decoder;
  decoder.Feed("\x1b[<0;12;5M\x1b[<0;12;5m\x1b[<2;80;25M\x1b[<18;3;4m\x1b[<64;1;1M");
  auto event = decoder.Next(false);
  EXPECT_EQ(event->key, MouseKeyText(kMousePressed, kMouseLeft));
  EXPECT_EQ(event->row, 5);
  EXPECT_EQ(event->column, 12);
  EXPECT_EQ(decoder.Next(false)->key, MouseKeyText(kMouseReleased, kMouseLeft));
  event = decoder.Next(false);
  EXPECT_EQ(event->key, MouseKeyText(kMousePressed, kMouseRight));
  EXPECT_EQ(event->row, 25);
  EXPECT_EQ(event->column, 80);
  event = decoder.Next(false);
  EXPECT_EQ(event->key, MouseKeyText(kMouseReleased, kMouseRight));
  EXPECT_EQ(event->shift, kLeftCtrl);
  EXPECT_FALSE(decoder.Next(true).has_value());  // the wheel is not ours

  decoder.Feed("\x1b[M\x21\x2a\x25\x1b[M\x23\x2a\x25");
  event = decoder.Next(false);
  EXPECT_EQ(event->key, MouseKeyText(kMousePressed, kMouseMiddle));
  EXPECT_EQ(event->row, 5);
  EXPECT_EQ(event->column, 10);
  event = decoder.Next(false);
  EXPECT_EQ(event->key, MouseKeyText(kMouseReleased, kMouseMiddle));
  decoder.Feed("\x1b[M\x20");
  EXPECT_FALSE(decoder.Next(false).has_value());  // waits for the cell
  EXPECT_FALSE(decoder.Next(true).has_value());   // and drops the broken report
  EXPECT_FALSE(decoder.HasPending());
}

TEST(KeyDecoderTest, RandomBytesNeverLeaveTheBuffer) {
  uint32_t seed = 7;
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    for (int i = 0; i < 12; ++i) {
      seed = seed * 1103515245 + 12345;
      const char pick[] = {'\x1b', '[', 'O', '<', ';', '1', 'M', '~', '\xc3', '\xff'};
      bytes.push_back((seed >> 28) < 10 ? pick[seed >> 28] : static_cast<char>(seed >> 16));
    }
    KeyDecoder decoder;
    decoder.Feed(bytes);
    int events = 0;
    while (decoder.Next(false)) ++events;
    while (decoder.Next(true)) ++events;
    EXPECT_FALSE(decoder.HasPending());
    EXPECT_LE(events, 12);
  }
}

}  // namespace
}  // namespace orb
