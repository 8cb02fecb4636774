// CalculatorState: the adding machine behind the Alt+X pop-up: the entry being typed,
// the accumulator, the operator waiting to be applied, the 22 lines of paper tape and
// the calculator's screen column; the key actions on them; the result text handed to
// the field; and the memory file that keeps all of it between openings and runs.
//
// Promises: no infinite or undefined number is ever kept. An operation whose result is
// not finite (a division by zero, an overflow) puts the machine in the error state,
// which shows as a mark instead of the entry, gives no result text, and is left with
// "C". A memory file that is missing, short or damaged never fails: the items that
// cannot be read keep their initial values and values out of range are brought back.
//
// Memory file: comma-separated items, texts in double quotes, lines ending CR LF:
// column, tape top, entry, accumulator / cleared, entering, point typed, decimals (the
// flags -1 or 0) / last key, pending operator / then per tape line 1..22: value, point
// flag, decimals, symbol.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orb {

struct TapeLine {
  double value = 0;
  bool point = false;
  int16_t decimals = 0;
  char symbol = ' ';
};

class CalculatorState {
 public:
  static constexpr int16_t kTapeLines = 22;
  static constexpr int16_t kEmptyTapeTop = 23;
  static constexpr int16_t kLastColumn = 55;
  static constexpr int16_t kMaxDecimals = 15;

  // What a key did to the screen beyond the entry line.
  enum class Change { kNone, kTape, kTapeCleared, kMoved };

  // Acts on one key code; `current_op` becomes the key's text.
  Change ApplyKey(int16_t key);
  // Moves the column one to the left or right, wrapping between 1 and 55.
  void MoveColumn(int delta);

  // The value handed to the field, in hundredths without sign ("1200" for 12, "123.4"
  // for 1.234); "" in the error state.
  std::string ResultText() const;

  // Reads the memory file's text over the initial values; see the file comment.
  void ReadMemory(std::string_view text);
  std::string MemoryText() const;

  int16_t column = 1;
  int16_t tape_top = kEmptyTapeTop;
  double entry = 0;
  double accumulator = 0;
  bool cleared = true;
  bool entering = false;
  bool point_typed = false;
  int16_t decimals = 0;
  std::string current_op;
  std::string pending_op;
  std::array<TapeLine, kTapeLines + 1> tape{};  // lines 1..22; [0] unused
  bool error = false;  // a result was not a finite number

 private:
  void Digit(int digit);
  void Point();
  void Backspace();
  Change Operator();
  void AddTapeLine();
  void AddTapeLine(double value, bool point, int16_t decimals, char symbol);
  void NormaliseEntry();
  void ClearAll();
  void SetError();
};

}  // namespace orb
