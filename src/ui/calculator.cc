#include "ui/calculator.h"

#include "format/numbers.h"
#include "platform/host_path.h"

namespace orb {
namespace {

constexpr int16_t kWidth = 26;
constexpr int16_t kEntryRow = 24;
constexpr int16_t kBottomRow = 25;
// The memory file is a few kilobytes; anything larger is not one.
constexpr size_t kMaxMemoryBytes = 64 * 1024;

// Code page 850 box characters.
constexpr char kVertical = '\xb3', kHorizontal = '\xc4';

std::string Border(char left, char right) {
  return std::string(1, left) + std::string(kWidth - 2, kHorizontal) + std::string(1, right);
}

}  // namespace

std::string Calculator::ShowCalculator() {
  Console& console = s_.console;
  if (console.ScreenRows() < kBottomRow || console.ScreenColumns() < CalculatorState::kLastColumn + kWidth - 1) {
    return "";
  }
  s_.exit_keys.SetExitKeys("+e", "");
  s_.colours.SetColour("+n");
  // A cursor hidden before (over a list, an option field) stays hidden afterwards.
  const bool cursor_shown = console.CursorVisible();
  console.SetCursorShape(0);
  CalculatorState state;
  ReadMemoryFile(state);
  SaveStrip(state);
  Draw(state);

  std::string result;
  for (;;) {
    DrawEntryLine(state);
    int16_t key = 0;
    s_.keys.WaitKey(key);
    const CalculatorState::Change change = state.ApplyKey(key);
    if (change == CalculatorState::Change::kMoved || change == CalculatorState::Change::kTapeCleared) {
      s_.windows.PopWindow();
      // The restore leaves the colour of the last cell put back.
      s_.colours.SetColour("n");
      SaveStrip(state);
      Draw(state);
    } else if (change == CalculatorState::Change::kTape) {
      Draw(state);
    }
    if (key == 'F' || key == 'f' || key == 0x2100) {
      result = state.ResultText();
      break;
    }
    if (key == keys::kEscape) break;
  }

  s_.windows.PopWindow();
  WriteFile(MemoryFileName(), state.MemoryText());
  if (cursor_shown) console.SetCursorShape(-1);
  s_.colours.SetColour("-");
  s_.exit_keys.SetExitKeys("-", "");
  return result;
}

void Calculator::ReadMemoryFile(CalculatorState& state) {
  const std::string name = MemoryFileName();
  if (!FileExists(name)) {
    WriteFile(name, "");
    return;
  }
  std::string text;
  if (ReadFile(name, text, kMaxMemoryBytes + 1) && text.size() <= kMaxMemoryBytes) {
    state.ReadMemory(text);
  }
}

void Calculator::SaveStrip(const CalculatorState& state) {
  s_.windows.PushWindow(1, state.column, kBottomRow,
                        static_cast<int16_t>(state.column + kWidth - 1));
}

void Calculator::Draw(const CalculatorState& state) {
  const int16_t empty_top = CalculatorState::kEmptyTapeTop;
  for (int16_t i = state.tape_top; i <= CalculatorState::kTapeLines; ++i) {
    const TapeLine& line = state.tape[i];
    PrintAt(i, state.column,
            std::string(1, kVertical) + NumberField(line.value, line.point, line.decimals) + " " +
                std::string(1, line.symbol) + std::string(1, kVertical));
  }
  if (state.tape_top < empty_top) {
    PrintAt(static_cast<int16_t>(state.tape_top - 1), state.column, Border('\xda', '\xbf'));
    PrintAt(empty_top, state.column, Border('\xc3', '\xb4'));
  } else {
    PrintAt(empty_top, state.column, Border('\xda', '\xbf'));
  }
  DrawEntryLine(state);
  PrintAt(kBottomRow, state.column, Border('\xc0', '\xd9'));
}

void Calculator::DrawEntryLine(const CalculatorState& state) {
  std::string number = state.error
                           ? "E" + std::string(21, ' ')
                           : NumberField(state.entry, state.point_typed, state.decimals);
  PrintAt(kEntryRow, state.column,
          std::string(1, kVertical) + number + "  " + std::string(1, kVertical));
}

std::string Calculator::NumberField(double value, bool point, int16_t decimals) {
  std::string picture = "Z,ZZZ,ZZZ,ZZZ,ZZZ,ZZ9";
  if (point) picture += ".";
  picture.append(decimals > 0 ? static_cast<size_t>(decimals) : 0, '9');
  return FormatNumber("-" + picture.substr(picture.size() - 21), value, s_.settings);
}

void Calculator::PrintAt(int16_t row, int16_t column, const std::string& text) {
  s_.console.LocateCursor(row, column);
  s_.console.PrintText(text);
}

}  // namespace orb
