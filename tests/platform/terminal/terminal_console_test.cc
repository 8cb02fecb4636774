#include "platform/terminal/terminal_console.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

TEST(ScreenSizeTest, RowsByColumnsUpTo99) {
  using Size = std::optional<std::pair<int16_t, int16_t>>;
  EXPECT_EQ(ParseScreenSize("25x80"), (Size{{25, 80}}));
  EXPECT_EQ(ParseScreenSize("50X99"), (Size{{50, 99}}));
  EXPECT_EQ(ParseScreenSize("1x1"), (Size{{1, 1}}));
  for (const char* bad : {"", "25", "x80", "25x", "0x80", "100x80", "25x800", "2a5x80",
                          "25x80x", " 25x80", "-5x80"}) {
    EXPECT_EQ(ParseScreenSize(bad), std::nullopt) << bad;
  }
}

TEST(TerminalColourTest, BlueAndRedSwapIntensityAndGreenStay) {
  EXPECT_EQ(TerminalColour(0), 0);
  EXPECT_EQ(TerminalColour(1), 4);   // blue
  EXPECT_EQ(TerminalColour(2), 2);   // green
  EXPECT_EQ(TerminalColour(3), 6);   // cyan
  EXPECT_EQ(TerminalColour(4), 1);   // red
  EXPECT_EQ(TerminalColour(6), 3);   // brown / yellow
  EXPECT_EQ(TerminalColour(7), 7);
  EXPECT_EQ(TerminalColour(9), 12);  // bright blue
  EXPECT_EQ(TerminalColour(14), 11);
  EXPECT_EQ(TerminalColour(15), 15);
}

TEST(WithoutPaddingTest, PaddingMarksGoAndEverythingElseStays) {
  EXPECT_EQ(WithoutPadding("\x1b[m\x0f$<2>"), "\x1b[m\x0f");          // vt100 sgr0
  EXPECT_EQ(WithoutPadding("\x1b[H\x1b[J$<50>"), "\x1b[H\x1b[J");
  EXPECT_EQ(WithoutPadding("a$<5*/>b$<1.5*>c$<3/>"), "abc");
  // Not padding: a dollar alone, an empty or unclosed mark, other characters inside.
  for (const char* kept : {"$", "$<", "$<>", "$<2", "$<2x>", "cost $5", "\x1b[?1049l"}) {
    EXPECT_EQ(WithoutPadding(kept), kept);
  }
}

}  // namespace
}  // namespace orb
