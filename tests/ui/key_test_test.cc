#include "ui/key_test.h"

#include <gtest/gtest.h>

#include "platform/memory_console.h"

namespace orb {
namespace {

TEST(KeyCodeTextTest, LowerCaseHexWithoutLeadingZeros) {
  EXPECT_EQ(KeyCodeText(0x1b), "1b");
  EXPECT_EQ(KeyCodeText(0xd), "d");
  EXPECT_EQ(KeyCodeText(0x4d00), "4d00");
  EXPECT_EQ(KeyCodeText(0), "0");
}

TEST(KeyTestScreenTest, ShowsEachKeyAndEndsOnEscapeTwice) {
  MemoryConsole console;
  console.PushKeyCode(0x3b00);
  console.PushKeyCode(0x3d00, kShift);
  console.PushKeyCode(0x4d00, kLeftCtrl);
  console.PushKeyCode(0x1b);
  console.PushKeyCode(0x2100, kLeftAlt);
  console.PushMouse(kMousePressed, kMouseLeft, 7, 12);
  console.PushKeyCode(0x1b);
  console.PushKeyCode(0x1b);
  console.PushKeyCode('z');  // never read
  RunKeyTest(console);
  EXPECT_FALSE(console.ScriptEmpty());
  EXPECT_EQ(console.ScreenText(), std::string(24, '\n'));  // left cleared
  EXPECT_FALSE(console.MouseEventsOn());
}

TEST(KeyTestScreenTest, LinesNameCodeShiftStateAndMouseCell) {
  EXPECT_EQ(DescribeKeyEvent(std::string("\0\x3d", 2), kShift, 0, 0),
            "tecla 3d00   ShiftState 0010 Shift");
  EXPECT_EQ(DescribeKeyEvent(std::string("\0\x4d", 2), kLeftCtrl | kShift, 0, 0),
            "tecla 4d00   ShiftState 0018 Shift+Ctrl");
  EXPECT_EQ(DescribeKeyEvent("\x1b", 0, 0, 0), "tecla 1b     ShiftState 0000 ");
  EXPECT_EQ(DescribeKeyEvent("\xff\xff\x04\x01", 0, 7, 12),
            "ratol\xa1 premut esquerre      fila 7 columna 12  ShiftState 0000 ");
}

TEST(KeyTestScreenTest, LogScrollsWithinTheScreen) {
  MemoryConsole console(8, 60);
  for (int i = 0; i < 10; ++i) console.PushKeyCode(static_cast<uint16_t>('a' + i));
  console.PushKeyCode(0x1b);
  console.SetIdleKey("\x1b");  // the second Escape, once the rest is shown
  RunKeyTest(console);
  EXPECT_TRUE(console.ScriptEmpty());
}

}  // namespace
}  // namespace orb
