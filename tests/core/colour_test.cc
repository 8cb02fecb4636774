#include "core/colour.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace orb {
namespace {

using ::testing::_;
using ::testing::NiceMock;

class FakeConsole : public Console {
 public:
  MOCK_METHOD(void, SetConsoleColour, (int16_t foreground, int16_t background), (override));
  bool ShowsColours() const override { return shows_colours; }
  bool shows_colours = true;

  int16_t ScreenRows() override { return 25; }
  int16_t ScreenColumns() override { return 80; }
  void LocateCursor(int16_t, int16_t) override {}
  int16_t CursorRow() override { return 1; }
  int16_t CursorColumn() override { return 1; }
  void SetCursorShape(int16_t) override {}
  bool CursorVisible() const override { return true; }
  void PrintText(std::string_view) override {}
  void PrintSpaces(int16_t) override {}
  void NewLine() override {}
  uint8_t ReadCellChar(int16_t, int16_t) override { return ' '; }
  uint8_t ReadCellAttribute(int16_t, int16_t) override { return 7; }
  void ScrollRect(int16_t, int16_t, int16_t, int16_t, int16_t, ScrollDirection) override {}
  void ClearScreen() override {}
  std::string ReadKey() override { return ""; }
  uint16_t ShiftState() override { return 0; }
  void WaitForInput(int32_t) override {}
  void SetMouseEvents(bool) override {}
  void SetMouseMask(uint8_t, uint8_t) override {}
  int16_t MouseButtonCount() override { return 0; }
  int16_t MouseRow() override { return 0; }
  int16_t MouseColumn() override { return 0; }
  void Beep() override {}
  void Sleep(int32_t) override {}
};

class ColourTest : public ::testing::Test {
 protected:
  ColourTest() {
    const int16_t colours[5][2] = {{10, 0}, {11, 1}, {12, 2}, {13, 3}, {14, 4}};
    for (int i = 0; i < 5; ++i) {
      session_.Colours[i][0] = colours[i][0];
      session_.Colours[i][1] = colours[i][1];
    }
  }
  // The attribute index that is current after the mode.
  int Select(std::string_view mode) {
    selector_.SetColour(mode);
    return selector_.CurrentIndex();
  }

  Session session_;
  NiceMock<FakeConsole> console_;
  ColourSelector selector_{console_, session_};
};

TEST_F(ColourTest, LettersSelectTheAttribute) {
  EXPECT_CALL(console_, SetConsoleColour(12, 2));
  EXPECT_EQ(Select("r"), 2);
  EXPECT_CALL(console_, SetConsoleColour(13, 3));
  EXPECT_EQ(Select("rn"), 3);
  EXPECT_CALL(console_, SetConsoleColour(11, 1));
  EXPECT_EQ(Select("N"), 1);
  EXPECT_CALL(console_, SetConsoleColour(14, 4));
  EXPECT_EQ(Select("ru"), 4);  // U wins over R and N
  EXPECT_CALL(console_, SetConsoleColour(10, 0));
  EXPECT_EQ(Select("h"), 0);
  EXPECT_CALL(console_, SetConsoleColour(12, 2));
  EXPECT_EQ(Select("rh"), 2);
  EXPECT_CALL(console_, SetConsoleColour(10, 0));
  EXPECT_EQ(Select("x"), 0);
}

TEST_F(ColourTest, PlusSavesAndMinusRestores) {
  Select("u");
  EXPECT_CALL(console_, SetConsoleColour(11, 1));
  EXPECT_EQ(Select("+n"), 1);
  EXPECT_CALL(console_, SetConsoleColour(12, 2));
  EXPECT_EQ(Select("+r"), 2);
  EXPECT_CALL(console_, SetConsoleColour(11, 1));
  EXPECT_EQ(Select("-"), 1);
  EXPECT_CALL(console_, SetConsoleColour(14, 4));
  EXPECT_EQ(Select("-"), 4);
  // Empty stack: attribute 0. Letters beside "-" are ignored.
  EXPECT_CALL(console_, SetConsoleColour(10, 0));
  EXPECT_EQ(Select("-u"), 0);
}

TEST_F(ColourTest, PlusAndMinusTogetherRestoreTheCurrentOne) {
  Select("r");
  EXPECT_CALL(console_, SetConsoleColour(12, 2));
  EXPECT_EQ(Select("+-"), 2);
  EXPECT_CALL(console_, SetConsoleColour(10, 0));
  EXPECT_EQ(Select("-"), 0);
}

TEST_F(ColourTest, EmptyOrBlankModeChangesNothing) {
  Select("+u");
  EXPECT_CALL(console_, SetConsoleColour(_, _)).Times(0);
  EXPECT_EQ(Select(""), 4);
  EXPECT_EQ(Select("   "), 4);
  ::testing::Mock::VerifyAndClearExpectations(&console_);
  EXPECT_CALL(console_, SetConsoleColour(10, 0));
  EXPECT_EQ(Select("-"), 0);  // the stack was not touched either
}

TEST_F(ColourTest, WithoutColoursTheHighlightsBecomeReverse) {
  // The session's colours differ only in hue, which such a screen cannot show.
  console_.shows_colours = false;
  EXPECT_CALL(console_, SetConsoleColour(15, 0));
  EXPECT_EQ(Select("h"), 0);
  EXPECT_CALL(console_, SetConsoleColour(7, 0));
  EXPECT_EQ(Select("+n"), 1);
  EXPECT_CALL(console_, SetConsoleColour(0, 7)).Times(3);
  EXPECT_EQ(Select("u"), 4);
  EXPECT_EQ(Select("r"), 2);
  EXPECT_EQ(Select("rn"), 3);
  EXPECT_CALL(console_, SetConsoleColour(15, 0));
  EXPECT_EQ(Select("-"), 0);
}

}  // namespace
}  // namespace orb
