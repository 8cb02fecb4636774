#include "ui/calculator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "popup_fixture.h"

namespace orb {
namespace {

using testing::PopupTest;

constexpr uint16_t kEscape = 27, kBackspace = 8, kEnter = 13, kLeft = 0x4b00, kRight = 0x4d00;
const std::string kBar = "\xb3";
const std::string kRule(24, '\xc4');

// A tape or entry number as shown: right-aligned in 22 characters.
std::string Number(const std::string& shown) {
  return std::string(22 - shown.size(), ' ') + shown;
}
std::string TapeRow(const std::string& shown, char symbol) {
  return kBar + Number(shown) + " " + symbol + kBar;
}
std::string EntryRow(const std::string& shown) { return kBar + Number(shown) + "  " + kBar; }

class CalculatorTest : public PopupTest {
 protected:
  // Types the keys (characters or key codes) and runs the calculator once.
  std::string Run(const std::string& typed, std::initializer_list<uint16_t> then = {}) {
    console.PushKeys(typed);
    PushKeys(then);
    return Calculator(Services()).ShowCalculator();
  }
  // The calculator's 26 columns at `column` on row `row` of the screen at key `index`.
  std::string Strip(int index, int16_t row, int16_t column = 1) {
    return console.ShownRow(index, row).substr(column - 1, 26);
  }
};

TEST_F(CalculatorTest, PercentOfTheAccumulatorGoesOnTheTape) {
  EXPECT_EQ(Run("200+10%=", {kEscape}), "");
  EXPECT_EQ(Strip(-1, 18), "\xda" + kRule + "\xbf");
  EXPECT_EQ(Strip(-1, 19), TapeRow("200", '+'));
  EXPECT_EQ(Strip(-1, 20), TapeRow("10", '%'));
  EXPECT_EQ(Strip(-1, 21), TapeRow("20", '='));
  EXPECT_EQ(Strip(-1, 22), TapeRow("220", ' '));
  EXPECT_EQ(Strip(-1, 23), "\xc3" + kRule + "\xb4");
  EXPECT_EQ(Strip(-1, 24), EntryRow("220"));
  EXPECT_EQ(Strip(-1, 25), "\xc0" + kRule + "\xd9");
  // "%" without "+" or "-" pending is a plain hundredth.
  EXPECT_EQ(Run("CCC50%F"), "50");
}

TEST_F(CalculatorTest, ResultsKeepFifteenSignificantDigits) {
  Run("10/3=", {kEscape});
  EXPECT_EQ(Strip(-1, 24), EntryRow("3'33333333333333"));
  EXPECT_EQ(Strip(-1, 21), TapeRow("3", '='));
  // The same operator again applies to the value shown; Enter is "=" while typing.
  EXPECT_EQ(Run("CCC5++F"), "1000");
  EXPECT_EQ(Run("CCC7*6", {kEnter, 'F'}), "4200");
  EXPECT_EQ(Strip(-1, 22), TapeRow("42", ' '));
  EXPECT_EQ(Run("CCC0.1+0.2=F"), "30");
  EXPECT_EQ(Strip(-1, 24), EntryRow("0'3"));
}

TEST_F(CalculatorTest, RoundingGoesToTheEvenHundredth) {
  Run("2.125R", {kEscape});
  EXPECT_EQ(Strip(-1, 24), EntryRow("2'12"));
  EXPECT_EQ(Strip(-1, 22), TapeRow("2'12", 'R'));
  Run("CCC2.375R", {kEscape});
  EXPECT_EQ(Strip(-1, 24), EntryRow("2'38"));
  // Negative values round as their magnitude does.
  Run("CCC2.378TR", {kEscape});
  EXPECT_EQ(Strip(-1, 24), kBar + "-" + Number("2'38").substr(1) + "  " + kBar);
  Run("CCC2.125TR", {kEscape});
  EXPECT_EQ(Strip(-1, 24), kBar + "-" + Number("2'12").substr(1) + "  " + kBar);
}

TEST_F(CalculatorTest, EachCClearsOneLevelMore) {
  Paint();
  const std::string painted_row_22 = console.RowText(22).substr(0, 26);
  Run("12+5CCC", {kEscape});
  EXPECT_EQ(Strip(4, 24), EntryRow("5"));
  EXPECT_EQ(Strip(5, 24), EntryRow("12"));   // the entry cancelled
  EXPECT_EQ(Strip(6, 24), EntryRow("0"));    // the accumulator cleared
  EXPECT_EQ(Strip(6, 22), TapeRow("12", '+'));
  EXPECT_EQ(Strip(7, 23), "\xda" + kRule + "\xbf");  // the tape cleared
  EXPECT_EQ(Strip(7, 22), painted_row_22);
  EXPECT_EQ(Strip(7, 24), EntryRow("0"));
  // After cancelling the entry the pending "+" still applies.
  EXPECT_EQ(Run("3+4C5=F"), "800");
}

TEST_F(CalculatorTest, BackspaceDropsDecimalsThenThePoint) {
  Run("1.5", {kBackspace, kBackspace, kBackspace, kEscape});
  EXPECT_EQ(Strip(3, 24), EntryRow("1'5"));
  EXPECT_EQ(Strip(4, 24), EntryRow("1'"));
  EXPECT_EQ(Strip(5, 24), EntryRow("1"));
  EXPECT_EQ(Strip(6, 24), EntryRow("0"));
  // Decimals whose binary value lies a hair below: 0.57 keeps its 57 hundredths.
  Run("C0.579", {kBackspace, kEscape});
  EXPECT_EQ(Strip(-1, 24), EntryRow("0'57"));
  Run("C1234", {kBackspace, kEscape});
  EXPECT_EQ(Strip(-1, 24), EntryRow("123"));
}

TEST_F(CalculatorTest, MovesSidewaysWrappingBetweenColumnsOneAndFiftyFive) {
  Paint();
  const std::string before = Screen();
  Run("7", {kLeft, kEscape});
  EXPECT_EQ(Strip(-1, 24, 55), EntryRow("7"));
  EXPECT_EQ(console.ShownRow(-1, 24).substr(0, 26), console.RowText(24).substr(0, 26));
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(ReadMemoryFile().substr(0, 3), "55,");

  // The next opening is where the last one was; Right from 55 goes back to 1.
  Run("", {kRight, kEscape});
  EXPECT_EQ(Strip(-2, 24, 55), EntryRow("7"));
  EXPECT_EQ(Strip(-1, 24, 1), EntryRow("7"));
  EXPECT_EQ(Screen(), before);
  EXPECT_EQ(windows.WindowDepth(), 0);
  EXPECT_EQ(exit_keys.SavedLevels(), 0u);
}

// A move or a cleared tape restores the screen underneath before drawing again; the
// calculator must still be drawn in its own colour, not in that of the last cell restored.
TEST_F(CalculatorTest, KeepsItsColourWhenMovedOrWhenTheTapeIsCleared) {
  Paint();
  Run("7+", {kLeft, 'C', 'C', 'C', kEscape});
  const uint8_t normal = 14;  // the session's "n"
  for (int16_t column = 55; column <= 80; ++column) {
    EXPECT_EQ(console.ShownAttribute(3, 24, column), normal) << "moved, column " << column;
    EXPECT_EQ(console.ShownAttribute(3, 25, column), normal) << "moved, column " << column;
    EXPECT_EQ(console.ShownAttribute(-1, 24, column), normal) << "cleared, column " << column;
    EXPECT_EQ(console.ShownAttribute(-1, 23, column), normal) << "cleared, column " << column;
  }
}

TEST_F(CalculatorTest, GivesTheCursorBackAsItWas) {
  console.SetCursorShape(99);
  Run("1", {kEscape});
  EXPECT_TRUE(console.CursorVisible());
  EXPECT_EQ(console.CursorSize(), 99);
  console.SetCursorShape(0);
  Run("2F");
  EXPECT_FALSE(console.CursorVisible());
}

TEST_F(CalculatorTest, ResultTextIsInHundredthsWithoutSign) {
  EXPECT_EQ(Run("12F"), "1200");
  EXPECT_EQ(Run("C12.5F"), "1250");
  EXPECT_EQ(Run("C1.234F"), "123.4");
  EXPECT_EQ(Run("C0.00001F"), ".001");
  EXPECT_EQ(Run("C12TF"), "1200");
  EXPECT_EQ(Run("CC0F"), "0");
  EXPECT_EQ(Run("12f"), "1200");
  EXPECT_EQ(Run("CC12+30", {'=', 0x2100}), "4200");
  EXPECT_EQ(Run("CC12+30", {kEscape}), "");
}

TEST_F(CalculatorTest, DivisionByZeroShowsAnErrorUntilC) {
  Run("1/0=", {kEscape});
  EXPECT_EQ(Strip(-1, 24), kBar + "E" + std::string(21, ' ') + "  " + kBar);
  EXPECT_EQ(Strip(-1, 22), TapeRow("0", '='));
  // Nothing infinite is kept, and F gives no text while the error shows.
  const std::string memory = ReadMemoryFile();
  EXPECT_EQ(memory.find("inf"), std::string::npos);
  EXPECT_EQ(memory.find("nan"), std::string::npos);
  EXPECT_EQ(Run("1/0=F"), "");
  EXPECT_EQ(Run("1/0=9+F"), "");
  EXPECT_EQ(Run("1/0=C2+3=F"), "500");
  // 0 / 0 and an overflowing product are caught the same way.
  EXPECT_EQ(Run("C0/0=F"), "");
  EXPECT_EQ(Run("C999999999999999*******F"), "");
  EXPECT_EQ(Run("C4F"), "400");
}

TEST_F(CalculatorTest, StateSurvivesBetweenOpeningsInTheMemoryFile) {
  EXPECT_EQ(Run("12+30=F"), "4200");
  const std::string memory = ReadMemoryFile();
  EXPECT_EQ(memory.substr(0, memory.find("\r\n", memory.find("\r\n", memory.find("\r\n") + 2) + 2) + 2),
            "1,20,42,42\r\n0,0,0,0\r\n\"F\",\"\"\r\n");
  EXPECT_EQ(std::count(memory.begin(), memory.end(), '\n'), 25);
  EXPECT_NE(memory.find("12,0,0,\"+\"\r\n30,0,0,\"=\"\r\n42,0,0,\" \"\r\n"), std::string::npos);

  // The next run of the program finds the tape and the result again.
  EXPECT_EQ(Run("F"), "4200");
  EXPECT_EQ(Strip(-1, 20), TapeRow("12", '+'));
  EXPECT_EQ(Strip(-1, 22), TapeRow("42", ' '));
  EXPECT_EQ(Run("+8=F"), "5000");
}

TEST_F(CalculatorTest, MissingMemoryFileIsCreatedAndAnyDamagedOneLeavesInitialValues) {
  EXPECT_EQ(Run("F"), "0");
  EXPECT_TRUE(std::filesystem::exists(MemoryPath()));

  // Out of range: the column is brought to 55, a tape top of -5 means an empty tape.
  WriteMemoryFile("900,-5,7,7\r\n");
  EXPECT_EQ(Run("F"), "700");
  EXPECT_EQ(Strip(-1, 24, 55), EntryRow("7"));
  EXPECT_EQ(Strip(-1, 23, 55), "\xda" + kRule + "\xbf");

  // Unreadable items anywhere: everything initial.
  for (const char* damaged :
       {"1,23,inf,0\r\n", "1,23,nan,nan\r\n", "1,23,abc,0\r\n", "1,23,4,4\r\n-1,0,0,0\r\n\"F",
        "\xff\xfe\x00\x01", ",,,,,,,", "1,23,1e999,0"}) {
    WriteMemoryFile(damaged);
    EXPECT_EQ(Run("F"), "0") << damaged;
    EXPECT_EQ(Strip(-1, 24), EntryRow("0")) << damaged;
  }
}

// The state's reading of the memory file alone, over every cut of a real file and
// over random bytes: never a fault, always a state a calculator could have.
void ExpectUsable(const CalculatorState& state) {
  EXPECT_GE(state.column, 1);
  EXPECT_LE(state.column, CalculatorState::kLastColumn);
  EXPECT_GE(state.tape_top, 2);
  EXPECT_LE(state.tape_top, CalculatorState::kEmptyTapeTop);
  EXPECT_TRUE(std::isfinite(state.entry));
  EXPECT_TRUE(std::isfinite(state.accumulator));
  EXPECT_GE(state.decimals, 0);
  EXPECT_LE(state.decimals, CalculatorState::kMaxDecimals);
  EXPECT_LE(state.current_op.size(), 2u);
  for (const TapeLine& line : state.tape) {
    EXPECT_TRUE(std::isfinite(line.value));
    EXPECT_GE(line.decimals, 0);
    EXPECT_LE(line.decimals, CalculatorState::kMaxDecimals);
  }
}

TEST(CalculatorMemoryTest, RoundTripsAndSurvivesCutsAndRandomBytes) {
  CalculatorState written;
  for (char c : std::string("12.5*3=1.125R/7=")) written.ApplyKey(static_cast<int16_t>(c));
  written.ApplyKey(0x4b00);
  const std::string text = written.MemoryText();
  CalculatorState read;
  read.ReadMemory(text);
  EXPECT_EQ(read.MemoryText(), text);
  EXPECT_EQ(read.column, 55);
  EXPECT_EQ(read.ResultText(), written.ResultText());

  for (size_t cut = 0; cut <= text.size(); ++cut) {
    CalculatorState state;
    state.ReadMemory(text.substr(0, cut));
    ExpectUsable(state);
  }
  // Cut at the end of the first line: its items are read, the rest stays initial.
  CalculatorState first_line;
  first_line.ReadMemory(text.substr(0, text.find("\r\n") + 2));
  EXPECT_EQ(first_line.column, 55);
  EXPECT_EQ(first_line.cleared, true);

  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = text;
    const int changes = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < changes; ++i) {
      bytes[random() % bytes.size()] = static_cast<char>(random() % 256);
    }
    if (round % 2 == 1) {
      bytes.assign(random() % 300, '\0');
      for (char& b : bytes) b = "0123456789-.,\"\r\n e+"[random() % 20];
    }
    CalculatorState state;
    state.ReadMemory(bytes);
    ExpectUsable(state);
  }
}

TEST_F(CalculatorTest, AltXFromAnInputTypesTheResultAndIsNotReentered) {
  console.PushKeyCode(0x2d00);
  console.PushKeys("1");
  console.PushKeyCode(0x2d00);  // ignored inside the calculator
  console.PushKeys("2F");
  int16_t key, button, row, column;
  keys.ReadKeyEvent(key, button, row, column);
  EXPECT_EQ(key, 0x2d00);
  EXPECT_EQ(keys.TypeAhead(), "1200");
  EXPECT_EQ(windows.WindowDepth(), 0);
}

}  // namespace
}  // namespace orb
