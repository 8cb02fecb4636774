#include "ui/calendar.h"

#include <gtest/gtest.h>

#include "popup_fixture.h"

namespace orb {
namespace {

using testing::PopupTest;

// Screen rows and columns of the box: inside row r is screen row r + 1, inside column
// c screen column 59 + c.
constexpr int16_t kBoxLeft = 59;

class CalendarTest : public PopupTest {
 protected:
  std::string Show(std::initializer_list<uint16_t> codes) {
    PushKeys(codes);
    return Calendar(Services()).ShowCalendar();
  }
  // The 22 columns of the box on row `row` of the screen shown at key `index`.
  std::string BoxRow(int index, int16_t row) {
    return console.ShownRow(index, row).substr(kBoxLeft - 1, 22);
  }
  // The inside of a box row.
  std::string Inside(int index, int16_t row) { return BoxRow(index, row).substr(1, 20); }
};

constexpr uint16_t kEscape = 27, kEnter = 13, kAltF = 0x2100;
constexpr uint16_t kRight = 0x4d00, kLeft = 0x4b00, kDown = 0x5000, kUp = 0x4800,
                   kPgDn = 0x5100, kPgUp = 0x4900, kHome = 0x4700, kEnd = 0x4f00;

TEST_F(CalendarTest, OpensOnTheWorkDateQuarterWithTheDayHighlighted) {
  SetWorkDate(2026, 12, 8);
  Paint();
  const std::string before = Screen();
  const size_t saved_exit_keys = exit_keys.SavedLevels();

  EXPECT_EQ(Show({kEscape}), "");

  const std::string line(7, '\xc4');
  EXPECT_EQ(BoxRow(0, 1), "\xda" + line + " 2026 " + line + "\xbf");
  EXPECT_EQ(BoxRow(0, 2), "\xb3" "DL DT DC DJ DV DS DG" "\xb3");
  EXPECT_EQ(Inside(0, 3), "      OCTUBRE       ");
  EXPECT_EQ(Inside(0, 4), "          1  2  3  4");  // 1 October 2026 is a Thursday
  EXPECT_EQ(Inside(0, 10), "      NOVEMBRE      ");
  EXPECT_EQ(Inside(0, 17), "      DESEMBRE      ");
  EXPECT_EQ(Inside(0, 18), "    1  2  3  4  5  6");
  EXPECT_EQ(Inside(0, 19), " 7  8  9 10 11 12 13");
  EXPECT_EQ(Inside(0, 23), "                    ");
  EXPECT_EQ(BoxRow(0, 24), "\xc0" + std::string(20, '\xc4') + "\xd9");
  // The current day in the "u" colours (15 on 4), its neighbours in "h".
  EXPECT_EQ(console.ShownAttribute(0, 19, kBoxLeft + 4), 15 + 16 * 4);
  EXPECT_EQ(console.ShownAttribute(0, 19, kBoxLeft + 7), 15);

  // Everything as it was: the screen, the cursor, the exit keys, the window stack.
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(console.CursorRow(), 5);
  EXPECT_EQ(console.CursorColumn(), 7);
  EXPECT_EQ(exit_keys.SavedLevels(), saved_exit_keys);
  EXPECT_EQ(windows.WindowDepth(), 0);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "WinPush.tmp"));
}

TEST_F(CalendarTest, DayMovesCarryAcrossMonthsAndYears) {
  SetWorkDate(2025, 1, 1);
  EXPECT_EQ(Show({kLeft, 'F'}), "31/12/2024");
  EXPECT_NE(BoxRow(1, 1).find(" 2024 "), std::string::npos);
  EXPECT_EQ(Inside(1, 3), "      OCTUBRE       ");
  EXPECT_EQ(Inside(1, 17), "      DESEMBRE      ");

  SetWorkDate(2024, 12, 31);
  EXPECT_EQ(Show({kRight, 'F'}), "1/1/2025  ");
  EXPECT_NE(BoxRow(-1, 1).find(" 2025 "), std::string::npos);
  EXPECT_EQ(Inside(-1, 3), "       GENER        ");

  SetWorkDate(2026, 2, 28);
  EXPECT_EQ(Show({kDown, 'F'}), "7/3/2026  ");
  SetWorkDate(2024, 2, 28);
  EXPECT_EQ(Show({kDown, 'F'}), "6/3/2024  ");
  SetWorkDate(2026, 3, 2);
  EXPECT_EQ(Show({kUp, kUp, 'F'}), "16/2/2026 ");
  // Up from April changes the quarter shown.
  SetWorkDate(2026, 4, 3);
  EXPECT_EQ(Show({kUp, 'F'}), "27/3/2026 ");
  EXPECT_EQ(Inside(-1, 3), "       GENER        ");
}

TEST_F(CalendarTest, PagesMoveByQuartersAndCutTheDay) {
  SetWorkDate(2026, 1, 31);
  EXPECT_EQ(Show({kPgDn, 'F'}), "30/4/2026 ");
  EXPECT_EQ(Inside(1, 3), "       ABRIL        ");
  EXPECT_EQ(Inside(1, 10), "        MAIG        ");
  EXPECT_EQ(Inside(1, 17), "        JUNY        ");

  SetWorkDate(2026, 2, 10);
  EXPECT_EQ(Show({kPgUp, 'F'}), "10/11/2025");
  SetWorkDate(2024, 11, 30);
  EXPECT_EQ(Show({kPgDn, 'F'}), "28/2/2025 ");
  SetWorkDate(2026, 5, 31);
  EXPECT_EQ(Show({kEnd, 'F'}), "31/12/2026");
  EXPECT_EQ(Show({kHome, 'F'}), "31/1/2026 ");
}

TEST_F(CalendarTest, OnlyFAndAltFChooseAndEscapeGivesNothing) {
  SetWorkDate(2026, 12, 8);
  EXPECT_EQ(Show({kEnter, kEscape}), "");
  EXPECT_EQ(console.screens.size(), 2u);  // Enter did not leave
  EXPECT_EQ(Show({kEnter, 'x', 'f'}), "8/12/2026 ");
  EXPECT_EQ(Show({kAltF}), "8/12/2026 ");
  EXPECT_EQ(Show({kRight, kRight, kEscape}), "");
}

// The cursor is hidden while the calendar is open and comes back as it was: shown with
// its size after a field, still hidden over a list or an option field.
TEST_F(CalendarTest, GivesTheCursorBackAsItWas) {
  SetWorkDate(2026, 12, 8);
  console.SetCursorShape(50);
  Show({kEscape});
  EXPECT_TRUE(console.CursorVisible());
  EXPECT_EQ(console.CursorSize(), 50);
  console.SetCursorShape(0);
  Show({kRight, kEscape});
  EXPECT_FALSE(console.CursorVisible());
}

TEST_F(CalendarTest, SpanishHeadsAndMonthNames) {
  SetWorkDate(2026, 12, 8);
  session.Language = "SPA";
  EXPECT_EQ(Show({kEscape}), "");
  EXPECT_EQ(Inside(0, 2), " L  M  X  J  V  S  D");
  EXPECT_EQ(Inside(0, 17), "     DICIEMBRE      ");
  session.Language = "OCI";
  EXPECT_EQ(Show({kEscape}), "");
  EXPECT_EQ(Inside(-1, 2), "DL DT DC DJ DD DS DG");
}

TEST_F(CalendarTest, WithoutAUsableWorkDateStartsOnToday) {
  session.WorkDate.clear();
  EXPECT_EQ(Show({'F'}), "8/12/2026 ");
  session.WorkDate = std::string("\x80\x80\x80\x80", 4);  // the null date
  EXPECT_EQ(Show({'F'}), "8/12/2026 ");
}

TEST_F(CalendarTest, StaysWithinTheYearsADateCanHold) {
  SetWorkDate(1, 1, 1);
  EXPECT_EQ(Show({kLeft, kPgUp, kUp, 'F'}), "1/1/0001  ");
  SetWorkDate(9999, 12, 31);
  EXPECT_EQ(Show({kRight, kPgDn, 'F'}), "31/12/9999");
}

TEST_F(CalendarTest, AltCFromAnInputDeliversTheDateAsTypedCharacters) {
  SetWorkDate(2026, 12, 8);
  PushKeys({0x2e00, kRight, 'F'});
  int16_t key, button, row, column;
  keys.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 0x2e00);
  EXPECT_EQ(keys.TypeAhead(), "9/12/2026 ");
  keys.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, '9');

  // Escape types nothing.
  keys.SetTypeAhead("");
  PushKeys({0x2e00, kEscape});
  keys.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(keys.TypeAhead(), "");
}

}  // namespace
}  // namespace orb
