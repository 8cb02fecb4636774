#include "ui/window_stack.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/memory_console.h"

namespace orb {
namespace {

namespace fs = std::filesystem;

class WindowStackTest : public ::testing::Test {
 protected:
  WindowStackTest() {
    std::string pattern = (fs::temp_directory_path() / "winstackXXXXXX").string();
    dir_ = mkdtemp(pattern.data());
    session_.TempDir = dir_ + "/";
    session_.Colours[1][0] = 14;  // n
    session_.Colours[1][1] = 1;
    session_.Colours[2][0] = 0;  // r
    session_.Colours[2][1] = 7;
  }
  ~WindowStackTest() override { fs::remove_all(dir_); }

  fs::path StackPath() const { return fs::path(dir_) / "WinPush.tmp"; }
  std::string StackBytes() const {
    std::ifstream in(StackPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void WriteStack(const std::string& bytes) const {
    std::ofstream(StackPath(), std::ios::binary) << bytes;
  }
  // Fills the screen with a pattern of characters and colours.
  void Paint() {
    for (int16_t r = 1; r <= console_.ScreenRows(); ++r) {
      for (int16_t c = 1; c <= console_.ScreenColumns(); ++c) {
        console_.SetConsoleColour((r + c) % 16, (r * c) % 8);
        console_.LocateCursor(r, c);
        console_.PrintText(std::string(1, static_cast<char>('!' + (r * 7 + c) % 90)));
      }
    }
  }
  std::vector<std::pair<uint8_t, uint8_t>> Cells() {
    std::vector<std::pair<uint8_t, uint8_t>> cells;
    for (int16_t r = 1; r <= console_.ScreenRows(); ++r) {
      for (int16_t c = 1; c <= console_.ScreenColumns(); ++c) {
        cells.emplace_back(console_.ReadCellChar(r, c), console_.ReadCellAttribute(r, c));
      }
    }
    return cells;
  }

  std::string dir_;
  Session session_;
  MemoryConsole console_;
  ColourSelector colour_{console_, session_};
  WindowStack stack_{console_, colour_, session_};
};

TEST_F(WindowStackTest, NestedPushesAndPopsRestoreScreenAndCursorAndRemoveFile) {
  Paint();
  console_.LocateCursor(7, 33);
  const auto before = Cells();

  stack_.PushWindow(5, 10, 8, 30);
  EXPECT_EQ(stack_.WindowDepth(), 1);
  console_.SetConsoleColour(2, 0);
  stack_.DrawFrame(2);
  stack_.LocateInWindow(1, 1);
  EXPECT_EQ(console_.CursorRow(), 6);
  EXPECT_EQ(console_.CursorColumn(), 11);
  console_.PrintText("inner text");
  const auto middle = Cells();

  stack_.PushWindow(1, 1, 25, 80);
  stack_.DrawFrame(1);
  console_.LocateCursor(20, 20);
  stack_.PopWindow();
  EXPECT_EQ(Cells(), middle);
  EXPECT_EQ(stack_.WindowDepth(), 1);
  EXPECT_EQ(stack_.WindowRect().top, 5);
  EXPECT_EQ(stack_.WindowRect().right, 30);
  EXPECT_EQ(console_.CursorRow(), 6);
  EXPECT_EQ(console_.CursorColumn(), 21);
  EXPECT_TRUE(fs::exists(StackPath()));

  stack_.PopWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_EQ(stack_.WindowDepth(), 0);
  EXPECT_EQ(console_.CursorRow(), 7);
  EXPECT_EQ(console_.CursorColumn(), 33);
  EXPECT_FALSE(fs::exists(StackPath()));
  // The colour left is that of the last cell written back.
  EXPECT_EQ(console_.CurrentAttribute(), console_.ReadCellAttribute(8, 30));
}

TEST_F(WindowStackTest, RecordLayoutOfASmallRectangle) {
  console_.LocateCursor(7, 9);
  console_.SetConsoleColour(3, 1);
  console_.LocateCursor(2, 2);
  console_.PrintText("AB");
  console_.LocateCursor(7, 9);
  stack_.PushWindow(2, 2, 4, 5);  // 3 x 4 cells
  const std::string bytes = StackBytes();
  ASSERT_EQ(bytes.size(), 4u + 49u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x36\0\0\0", 4));  // next record at 54
  EXPECT_EQ(bytes.substr(4, 20), "07090000000002020405");
  EXPECT_EQ(bytes.substr(24, 4), std::string("A\x13" "B\x13", 4));
  EXPECT_EQ(bytes.substr(28, 2), std::string(" \x07", 2));
  EXPECT_EQ(bytes.substr(48), "00049");

  stack_.PushWindow(10, 10, 10, 10);
  const std::string two = StackBytes();
  EXPECT_EQ(two.substr(0, 4), std::string("\x51\0\0\0", 4));  // 54 + 27
  EXPECT_EQ(two.substr(57, 8), "02020405");  // previous window
  stack_.PopWindow();
  // The file is not shortened; the header moves back.
  EXPECT_EQ(StackBytes().size(), two.size());
  EXPECT_EQ(StackBytes().substr(0, 4), std::string("\x36\0\0\0", 4));
}

TEST_F(WindowStackTest, OffScreenPushIsIgnoredAndPopWithoutFileOnlyDeletes) {
  stack_.PushWindow(0, 1, 5, 5);
  stack_.PushWindow(1, 1, 26, 5);
  stack_.PushWindow(1, 1, 5, 81);
  EXPECT_EQ(stack_.WindowDepth(), 0);
  EXPECT_FALSE(fs::exists(StackPath()));
  stack_.PopWindow();
  EXPECT_EQ(stack_.WindowDepth(), 0);
  WriteStack("abc");
  stack_.PopWindow();
  EXPECT_FALSE(fs::exists(StackPath()));
}

TEST_F(WindowStackTest, LeftoverStackIsAppendedTo) {
  stack_.PushWindow(3, 3, 4, 4);
  WindowStack crashed_run_left(console_, colour_, session_);  // the file stays behind
  WindowStack stack(console_, colour_, session_);
  Paint();
  const auto before = Cells();
  stack.PushWindow(2, 2, 6, 6);
  stack.DrawFrame(1);
  stack.PopWindow();
  EXPECT_EQ(Cells(), before);
  EXPECT_TRUE(fs::exists(StackPath()));  // the older record is still there
  EXPECT_EQ(StackBytes().substr(0, 4), std::string("\x26\0\0\0", 4));  // 5 + 33
}

TEST_F(WindowStackTest, DamagedStackFileRestoresNothingAndIsDeleted) {
  stack_.PushWindow(2, 2, 4, 5);
  const std::string good = StackBytes();
  Paint();
  const auto painted = Cells();
  auto with_header = [](std::string bytes, uint32_t position) {
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(position >> (8 * i));
    return bytes;
  };
  std::string bad_length = good;
  bad_length.replace(48, 5, "99999");
  std::string letters = good;
  letters.replace(48, 5, "0004x");
  std::string inconsistent = good;
  inconsistent.replace(16, 2, "09");  // bottom row 9 does not match the cells stored
  const std::vector<std::string> damaged = {
      good.substr(0, 30),             // truncated: header points past the end
      with_header(good, 0),           // header before the records
      with_header(good, 0xffffffff),  // header far outside the file
      with_header(good, 12),          // too short for a record
      bad_length, letters, inconsistent,
      std::string("\x36\0\0\0", 4) + std::string(49, '\xff'),
  };
  for (const std::string& bytes : damaged) {
    WriteStack(bytes);
    stack_.PopWindow();
    EXPECT_EQ(Cells(), painted);
    EXPECT_FALSE(fs::exists(StackPath()));
  }
  // A push over a damaged header starts the stack afresh and pops cleanly.
  WriteStack(with_header(good, 0xffffffff));
  stack_.PushWindow(1, 1, 2, 2);
  console_.ClearScreen();
  stack_.PopWindow();
  EXPECT_EQ(console_.ReadCellChar(1, 1), painted[0].first);
  EXPECT_FALSE(fs::exists(StackPath()));
}

TEST_F(WindowStackTest, TruncatedAndRandomStackFilesNeverBreakPops) {
  stack_.PushWindow(2, 2, 4, 5);
  stack_.PushWindow(6, 6, 9, 9);
  const std::string good = StackBytes();
  uint32_t seed = 12345;
  for (size_t length = 0; length <= good.size() + 1; ++length) {
    std::string bytes = good.substr(0, length);
    if (length > good.size()) {  // random bytes behind a plausible header
      for (size_t i = 4; i < bytes.size(); ++i) {
        seed = seed * 1103515245 + 12345;
        bytes[i] = static_cast<char>(seed >> 16);
      }
    }
    WriteStack(bytes);
    WindowStack stack(console_, colour_, session_);
    for (int i = 0; i < 3; ++i) stack.PopWindow();
    EXPECT_FALSE(fs::exists(StackPath())) << length;
  }
}

TEST_F(WindowStackTest, FramesAndInnerEdges) {
  EXPECT_EQ(stack_.WindowInnerTop(), 1);
  EXPECT_EQ(stack_.WindowInnerLeft(), 1);
  EXPECT_EQ(stack_.WindowInnerRight(), 80);
  stack_.DrawFrame(1);  // no window: nothing drawn
  EXPECT_EQ(console_.ScreenText(), std::string(24, '\n'));
  stack_.LocateInWindow(3, 4);
  EXPECT_EQ(console_.CursorRow(), 3);
  EXPECT_EQ(console_.CursorColumn(), 4);

  Paint();
  stack_.PushWindow(2, 3, 5, 7);
  EXPECT_EQ(stack_.WindowInnerTop(), 3);
  EXPECT_EQ(stack_.WindowInnerLeft(), 4);
  EXPECT_EQ(stack_.WindowInnerRight(), 6);
  stack_.DrawFrame(1);
  EXPECT_EQ(console_.TextAt(2, 3, 5), "\xda\xc4\xc4\xc4\xbf");
  EXPECT_EQ(console_.TextAt(3, 3, 5), "\xb3   \xb3");
  EXPECT_EQ(console_.TextAt(5, 3, 5), "\xc0\xc4\xc4\xc4\xd9");
  stack_.DrawFrame(2);
  EXPECT_EQ(console_.TextAt(2, 3, 5), "\xc9\xcd\xcd\xcd\xbb");
  EXPECT_EQ(console_.TextAt(4, 3, 5), "\xba   \xba");
  EXPECT_EQ(console_.TextAt(5, 3, 5), "\xc8\xcd\xcd\xcd\xbc");
  stack_.DrawFrame(0);
  EXPECT_EQ(console_.TextAt(2, 3, 5), "     ");
  stack_.LocateInWindow(0, 0);
  EXPECT_EQ(console_.CursorRow(), 2);
  EXPECT_EQ(console_.CursorColumn(), 3);
}

TEST_F(WindowStackTest, ScrollRegionIsOneBasedPlusOneAndZeroMovesDown) {
  MemoryConsole console(6, 3);
  WindowStack stack(console, colour_, session_);
  for (int16_t r = 1; r <= 6; ++r) {
    console.LocateCursor(r, 1);
    console.PrintText(std::string(3, static_cast<char>('0' + r)));
  }
  stack.ScrollRegion(1, 1, 4, 1, 1);  // rows 2..5, column 2
  EXPECT_EQ(console.ScreenText(), "111\n232\n343\n454\n5 5\n666");
  stack.ScrollRegion(1, 1, 4, 1, 0);
  EXPECT_EQ(console.ScreenText(), "111\n2 2\n333\n444\n555\n666");
  stack.ScrollRegion(1, 0, 4, 2, -2);
  EXPECT_EQ(console.ScreenText(), "111\n\n\n2 2\n333\n666");
}

TEST_F(WindowStackTest, MessageBoxIsCentredAndLeftPushed) {
  Paint();
  const auto before = Cells();
  const std::string text(30, 'x');
  stack_.ShowMessageBox(12, text);
  EXPECT_EQ(stack_.WindowDepth(), 1);
  EXPECT_EQ(stack_.WindowRect().top, 9);
  EXPECT_EQ(stack_.WindowRect().bottom, 11);
  EXPECT_EQ(stack_.WindowRect().left, 24);
  EXPECT_EQ(stack_.WindowRect().right, 57);
  EXPECT_EQ(console_.ReadCellChar(9, 24), 0xda);
  EXPECT_EQ(console_.ReadCellChar(11, 57), 0xd9);
  EXPECT_EQ(console_.TextAt(10, 24, 34), "\xb3 " + text + " \xb3");
  EXPECT_EQ(console_.ReadCellAttribute(10, 27), 0x70);  // rh: reverse
  EXPECT_EQ(colour_.CurrentIndex(), 0);                 // restored after drawing
  stack_.PopWindow();
  EXPECT_EQ(Cells(), before);
}

TEST_F(WindowStackTest, MessageBoxNearTheBottomMovesUpAndAlwaysPushes) {
  stack_.ShowMessageBox(24, "Registre bloquejat");
  EXPECT_EQ(stack_.WindowRect().top, 21);
  EXPECT_EQ(stack_.WindowRect().bottom, 23);
  stack_.PopWindow();
  stack_.ShowMessageBox(30, "Registre bloquejat");
  EXPECT_EQ(stack_.WindowRect().top, 23);
  EXPECT_EQ(stack_.WindowRect().bottom, 25);
  stack_.PopWindow();
  stack_.ShowMessageBox(12, "");
  EXPECT_EQ(stack_.WindowDepth(), 1);
  EXPECT_EQ(stack_.WindowRect().left, 39);
  EXPECT_EQ(stack_.WindowRect().right, 42);
  stack_.PopWindow();
  std::string many;
  for (int i = 0; i < 40; ++i) many += std::string(70, 'a' + i % 26) + " ";
  stack_.ShowMessageBox(12, many);
  EXPECT_EQ(stack_.WindowDepth(), 1);
  EXPECT_EQ(stack_.WindowRect().top, 1);
  EXPECT_EQ(stack_.WindowRect().bottom, 25);
  stack_.PopWindow();
  EXPECT_FALSE(fs::exists(StackPath()));
}

TEST(BreakMessageLinesTest, BreaksAtSpacesAndCutsLongWords) {
  const std::string words = std::string(70, 'a') + " " + std::string(10, 'b') + "   c";
  EXPECT_EQ(BreakMessageLines(words),
            (std::vector<std::string>{std::string(70, 'a'), std::string(10, 'b') + "   c"}));
  const std::string word(80, 'w');
  EXPECT_EQ(BreakMessageLines(word),
            (std::vector<std::string>{std::string(76, 'w'), std::string(4, 'w')}));
  const std::string with_controls = "\x01\x02" + std::string(76, 'z');
  EXPECT_EQ(BreakMessageLines(with_controls).size(), 1u);
  EXPECT_TRUE(BreakMessageLines("").empty());
  EXPECT_EQ(BreakMessageLines("  lead"), std::vector<std::string>{"  lead"});
}

TEST_F(WindowStackTest, ListTitleShowsUnderscoresAsSpacesAndScrollMarks) {
  stack_.PushWindow(3, 5, 10, 30);
  stack_.DrawListTitle("NOM_CLIENT  CODI", 1, 20, 0);
  EXPECT_EQ(console_.TextAt(3, 5, 22), "\xc9NOM CLIENT\xcd\xcd" "CODI\xcd\xcd\xcd\xcd\xbb");
  EXPECT_EQ(console_.ReadCellAttribute(3, 6), 14 + 16 * 1);  // n
  EXPECT_EQ(colour_.CurrentIndex(), 0);
  stack_.DrawListTitle("NOM_CLIENT  CODI", 2, 10, 0);
  EXPECT_EQ(console_.TextAt(3, 5, 12), "\x11OM CLIENT\xcd\x10");
  stack_.DrawListTitle("CODI", 1, 4, 1);
  EXPECT_EQ(console_.TextAt(3, 5, 6), "\xc9" "CODI\x10");
  stack_.PopWindow();
}

}  // namespace
}  // namespace orb
