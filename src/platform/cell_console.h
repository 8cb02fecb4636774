// CellConsole: the screen side of a Console kept as a grid of cells in memory (code page
// 850 byte + attribute), with the cursor, its shape and the current colour, and a queue
// of input events that backends fill. Every backend derives from it; the terminal
// backend draws the grid, the memory backend lets tests read it back.
//
// Promises: no operation reads or writes outside the grid whatever its arguments.
// Text past the right edge wraps to the next row; text past the bottom is dropped and
// the cursor stays on the last cell. NewLine on the last row stays on that row.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"

namespace orb {

// One input event as a backend produces it: a key text (see console.h), the modifier
// state that came with it and, for mouse events, the 1-based cell.
struct InputEvent {
  std::string key;
  uint16_t shift = 0;
  int16_t row = 0;
  int16_t column = 0;
};

// The key text of a key code: one byte for a character code, (0, scan) otherwise.
std::string KeyTextOf(uint16_t code);
// The key code of a key text: first byte + 256 x second byte (0 for "").
uint16_t KeyCodeOf(std::string_view key_text);
// The mouse key text for a kind and buttons.
std::string MouseKeyText(uint8_t kind, uint8_t buttons);

class CellConsole : public Console {
 public:
  struct Cell {
    uint8_t ch = ' ';
    uint8_t attribute = 7;
  };

  CellConsole(int16_t rows, int16_t columns);

  int16_t ScreenRows() override { return rows_; }
  int16_t ScreenColumns() override { return columns_; }

  void LocateCursor(int16_t row, int16_t column) override;
  int16_t CursorRow() override { return cursor_row_; }
  int16_t CursorColumn() override { return cursor_column_; }
  void SetCursorShape(int16_t size) override;
  bool CursorVisible() const override { return cursor_visible_; }
  int16_t CursorSize() const { return cursor_size_; }

  void SetConsoleColour(int16_t foreground, int16_t background) override;
  uint8_t CurrentAttribute() const { return static_cast<uint8_t>(foreground_ + 16 * background_); }
  void PrintText(std::string_view text) override;
  void PrintSpaces(int16_t count) override;
  void NewLine() override;
  // Cells outside the screen read as a space in attribute 0.
  uint8_t ReadCellChar(int16_t row, int16_t column) override;
  uint8_t ReadCellAttribute(int16_t row, int16_t column) override;
  void ScrollRect(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t count,
                  ScrollDirection direction) override;
  void ClearScreen() override;

  // Takes the next queued event (after PollInput), skipping mouse events of kinds or
  // buttons not reported. Never waits.
  std::string ReadKey() override;
  uint16_t ShiftState() override { return shift_state_; }

  void SetMouseEvents(bool on) override;
  void SetMouseMask(uint8_t kinds, uint8_t buttons) override;
  int16_t MouseButtonCount() override { return 3; }
  int16_t MouseRow() override { return mouse_row_; }
  int16_t MouseColumn() override { return mouse_column_; }
  bool MouseEventsOn() const { return mouse_on_; }
  uint8_t MouseKindsReported() const { return mouse_kinds_; }

 protected:
  // Lets a backend move pending input into the queue before ReadKey looks at it.
  virtual void PollInput() {}
  void QueueInput(InputEvent event) { input_.push_back(std::move(event)); }
  bool InputQueued() const { return !input_.empty(); }

  const Cell& CellAt(int16_t row, int16_t column) const {
    return cells_[static_cast<size_t>(row - 1) * columns_ + (column - 1)];
  }
  // Rows changed since the backend last cleared the marks (1-based index; 0 unused).
  bool RowDirty(int16_t row) const { return dirty_[static_cast<size_t>(row)]; }
  void ClearDirtyRows();
  void MarkAllDirty();

 private:
  bool OnScreen(int16_t row, int16_t column) const {
    return row >= 1 && row <= rows_ && column >= 1 && column <= columns_;
  }
  Cell& MutableCell(int16_t row, int16_t column) {
    return cells_[static_cast<size_t>(row - 1) * columns_ + (column - 1)];
  }
  void PutChar(uint8_t ch);

  int16_t rows_;
  int16_t columns_;
  std::vector<Cell> cells_;
  std::vector<bool> dirty_;
  int16_t cursor_row_ = 1;
  int16_t cursor_column_ = 1;
  bool cursor_visible_ = true;
  int16_t cursor_size_ = 25;
  int16_t foreground_ = 7;
  int16_t background_ = 0;
  bool output_clipped_ = false;  // the cursor stands past the last cell

  std::deque<InputEvent> input_;
  uint16_t shift_state_ = 0;
  bool mouse_on_ = false;
  uint8_t mouse_kinds_ = kMousePressed | kMouseReleased | kMouseDoubleClick;
  uint8_t mouse_buttons_ = kMouseLeft | kMouseRight | kMouseMiddle;
  int16_t mouse_row_ = 0;
  int16_t mouse_column_ = 0;
};

}  // namespace orb
