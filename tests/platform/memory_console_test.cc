#include "platform/memory_console.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

TEST(MemoryConsoleTest, StartsBlankWithChosenSize) {
  MemoryConsole console(10, 20);
  EXPECT_EQ(console.ScreenRows(), 10);
  EXPECT_EQ(console.ScreenColumns(), 20);
  EXPECT_EQ(console.RowText(10), std::string(20, ' '));
  MemoryConsole standard;
  EXPECT_EQ(standard.ScreenRows(), 25);
  EXPECT_EQ(standard.ScreenColumns(), 80);
}

TEST(MemoryConsoleTest, LocateCursorKeepsCoordinatesOffScreen) {
  MemoryConsole console;
  console.LocateCursor(3, 7);
  console.LocateCursor(0, 5);
  EXPECT_EQ(console.CursorRow(), 3);
  EXPECT_EQ(console.CursorColumn(), 5);
  console.LocateCursor(26, 81);
  EXPECT_EQ(console.CursorRow(), 3);
  EXPECT_EQ(console.CursorColumn(), 5);
  console.LocateCursor(25, -1);
  EXPECT_EQ(console.CursorRow(), 25);
}

TEST(MemoryConsoleTest, CursorShapeClampsAndRemembersSize) {
  MemoryConsole console;
  console.SetCursorShape(100);
  EXPECT_TRUE(console.CursorVisible());
  EXPECT_EQ(console.CursorSize(), 99);
  console.SetCursorShape(1);
  EXPECT_EQ(console.CursorSize(), 10);
  console.SetCursorShape(50);
  console.SetCursorShape(0);
  EXPECT_FALSE(console.CursorVisible());
  console.SetCursorShape(-1);
  EXPECT_TRUE(console.CursorVisible());
  EXPECT_EQ(console.CursorSize(), 50);
}

TEST(MemoryConsoleTest, PrintUsesCurrentColourAndColoursAbove15AreKept) {
  MemoryConsole console;
  console.SetConsoleColour(14, 1);
  console.LocateCursor(2, 3);
  console.PrintText("Ab\xb7");
  EXPECT_EQ(console.TextAt(2, 3, 3), "Ab\xb7");
  EXPECT_EQ(console.ReadCellAttribute(2, 3), 14 + 16 * 1);
  EXPECT_EQ(console.CursorColumn(), 6);
  console.SetConsoleColour(16, 4);
  EXPECT_EQ(console.CurrentAttribute(), 14 + 16 * 4);
  console.SetConsoleColour(2, 99);
  EXPECT_EQ(console.CurrentAttribute(), 2 + 16 * 4);
  console.PrintSpaces(-3);
  EXPECT_EQ(console.CursorColumn(), 6);
  console.PrintSpaces(2);
  EXPECT_EQ(console.ReadCellAttribute(2, 7), 2 + 16 * 4);
  EXPECT_EQ(console.CursorColumn(), 8);
}

TEST(MemoryConsoleTest, TextWrapsAtRightEdgeAndIsClippedAtBottom) {
  MemoryConsole console(3, 5);
  console.LocateCursor(1, 4);
  console.PrintText("abcd");
  EXPECT_EQ(console.RowText(1), "   ab");
  EXPECT_EQ(console.RowText(2), "cd   ");
  EXPECT_EQ(console.CursorRow(), 2);
  EXPECT_EQ(console.CursorColumn(), 3);
  console.LocateCursor(3, 3);
  console.PrintText("xyz-too-long");
  EXPECT_EQ(console.RowText(3), "  xyz");
  EXPECT_EQ(console.CursorRow(), 3);
  EXPECT_EQ(console.CursorColumn(), 5);
  console.PrintSpaces(1000);
  EXPECT_EQ(console.RowText(3), "  xyz");
  console.NewLine();
  EXPECT_EQ(console.CursorRow(), 3);
  EXPECT_EQ(console.CursorColumn(), 1);
  console.PrintText("q");
  EXPECT_EQ(console.RowText(3), "q xyz");
}

TEST(MemoryConsoleTest, ReadCellOutsideScreenIsHarmless) {
  MemoryConsole console(2, 2);
  EXPECT_EQ(console.ReadCellChar(0, 1), ' ');
  EXPECT_EQ(console.ReadCellChar(3, 1), ' ');
  EXPECT_EQ(console.ReadCellAttribute(1, 3), 0);
  EXPECT_EQ(console.ReadCellAttribute(-5, -5), 0);
}

TEST(MemoryConsoleTest, ScrollRectMovesContentsAndFillsWithCurrentColour) {
  MemoryConsole console(5, 4);
  for (int16_t r = 1; r <= 5; ++r) {
    console.LocateCursor(r, 1);
    console.PrintText(std::string(4, static_cast<char>('0' + r)));
  }
  console.SetConsoleColour(1, 2);
  console.ScrollRect(2, 2, 4, 3, 1, ScrollDirection::kUp);
  EXPECT_EQ(console.ScreenText(), "1111\n2332\n3443\n4  4\n5555");
  EXPECT_EQ(console.ReadCellAttribute(4, 2), 1 + 16 * 2);
  EXPECT_EQ(console.ReadCellAttribute(4, 1), 7);
  console.ScrollRect(2, 2, 4, 3, 2, ScrollDirection::kDown);
  EXPECT_EQ(console.ScreenText(), "1111\n2  2\n3  3\n4334\n5555");
  console.ScrollRect(0, 0, 99, 99, 50, ScrollDirection::kUp);
  EXPECT_EQ(console.ScreenText(), "\n\n\n\n");
  console.ScrollRect(3, 3, 2, 2, 1, ScrollDirection::kUp);  // empty: nothing
}

TEST(MemoryConsoleTest, ClearScreenFillsAndHomesCursor) {
  MemoryConsole console(3, 3);
  console.PrintText("abc");
  console.LocateCursor(3, 3);
  console.SetConsoleColour(0, 7);
  console.ClearScreen();
  EXPECT_EQ(console.ScreenText(), "\n\n");
  EXPECT_EQ(console.ReadCellAttribute(3, 3), 0x70);
  EXPECT_EQ(console.CursorRow(), 1);
  EXPECT_EQ(console.CursorColumn(), 1);
}

TEST(MemoryConsoleTest, ScriptedKeysArriveWithShiftState) {
  MemoryConsole console;
  EXPECT_EQ(console.ReadKey(), "");
  console.PushKeyCode(0x3d00, kShift);
  console.PushKeyCode('A');
  console.PushKeys("\x1b\r");
  EXPECT_EQ(console.ReadKey(), std::string("\0\x3d", 2));
  EXPECT_EQ(console.ShiftState(), kShift);
  EXPECT_EQ(KeyCodeOf(console.ReadKey()), 'A');
  EXPECT_EQ(console.ShiftState(), 0);
  EXPECT_EQ(console.ReadKey(), "\x1b");
  EXPECT_EQ(console.ReadKey(), "\r");
  EXPECT_EQ(console.ReadKey(), "");
  console.SetIdleKey("\x1b");
  EXPECT_EQ(console.ReadKey(), "\x1b");
}

TEST(MemoryConsoleTest, MouseEventsOnlyWhileOnAndMasked) {
  MemoryConsole console;
  console.PushMouse(kMousePressed, kMouseLeft, 4, 9);
  EXPECT_EQ(console.ReadKey(), "");  // mouse off: dropped
  console.SetMouseEvents(true);
  console.PushMouse(kMouseMoved, 0, 1, 1);
  console.PushMouse(kMousePressed, kMouseLeft, 4, 9);
  EXPECT_EQ(console.ReadKey(), MouseKeyText(kMousePressed, kMouseLeft));
  EXPECT_EQ(console.MouseRow(), 4);
  EXPECT_EQ(console.MouseColumn(), 9);
  console.SetMouseMask(kMouseReleased, kMouseRight);
  console.PushMouse(kMousePressed, kMouseRight, 2, 2);
  console.PushMouse(kMouseReleased, kMouseLeft, 2, 2);
  console.PushMouse(kMouseReleased, kMouseRight, 3, 3);
  EXPECT_EQ(console.ReadKey(), MouseKeyText(kMouseReleased, kMouseRight));
  EXPECT_EQ(console.MouseRow(), 3);
  console.SetMouseEvents(false);
  EXPECT_EQ(console.MouseRow(), 0);
  EXPECT_EQ(console.MouseColumn(), 0);
}

TEST(MemoryConsoleTest, BeepsAndSleepsAreRecorded) {
  MemoryConsole console;
  console.Beep();
  console.Sleep(500);
  console.WaitForInput(10);
  EXPECT_EQ(console.BeepCount(), 1);
  EXPECT_EQ(console.Sleeps(), std::vector<int32_t>{500});
  EXPECT_EQ(console.WaitCount(), 1);
}

TEST(KeyTextTest, CodesAndTextsRoundTrip) {
  EXPECT_EQ(KeyTextOf(0x4d00), std::string("\0\x4d", 2));
  EXPECT_EQ(KeyTextOf(0x1b), "\x1b");
  EXPECT_EQ(KeyCodeOf(std::string("\0\x48", 2)), 0x4800);
  EXPECT_EQ(KeyCodeOf(""), 0);
  EXPECT_EQ(KeyCodeOf("\xe7"), 0xe7);
}

}  // namespace
}  // namespace orb
