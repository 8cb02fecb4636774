#include "platform/cell_console.h"

#include <algorithm>

namespace orb {

std::string KeyTextOf(uint16_t code) {
  const char low = static_cast<char>(code & 0xff);
  const char high = static_cast<char>(code >> 8);
  if ((code >> 8) == 0) return std::string(1, low);
  return std::string{low, high};
}

uint16_t KeyCodeOf(std::string_view key_text) {
  if (key_text.empty()) return 0;
  uint16_t code = static_cast<uint8_t>(key_text[0]);
  if (key_text.size() > 1) code |= static_cast<uint16_t>(static_cast<uint8_t>(key_text[1]) << 8);
  return code;
}

std::string MouseKeyText(uint8_t kind, uint8_t buttons) {
  return std::string{'\xff', '\xff', static_cast<char>(kind), static_cast<char>(buttons)};
}

CellConsole::CellConsole(int16_t rows, int16_t columns)
    : rows_(std::max<int16_t>(rows, 1)),
      columns_(std::max<int16_t>(columns, 1)),
      cells_(static_cast<size_t>(rows_) * columns_),
      dirty_(static_cast<size_t>(rows_) + 1, true) {}

void CellConsole::LocateCursor(int16_t row, int16_t column) {
  if (row >= 1 && row <= rows_) cursor_row_ = row;
  if (column >= 1 && column <= columns_) cursor_column_ = column;
  output_clipped_ = false;
}

void CellConsole::SetCursorShape(int16_t size) {
  if (size == 0) {
    cursor_visible_ = false;
    return;
  }
  cursor_visible_ = true;
  if (size > 0) cursor_size_ = std::clamp<int16_t>(size, 10, 99);
}

void CellConsole::SetConsoleColour(int16_t foreground, int16_t background) {
  if (foreground >= 0 && foreground <= 15) foreground_ = foreground;
  if (background >= 0 && background <= 15) background_ = background;
}

void CellConsole::PutChar(uint8_t ch) {
  if (output_clipped_) return;
  Cell& cell = MutableCell(cursor_row_, cursor_column_);
  cell.ch = ch;
  cell.attribute = CurrentAttribute();
  dirty_[static_cast<size_t>(cursor_row_)] = true;
  if (cursor_column_ < columns_) {
    ++cursor_column_;
  } else if (cursor_row_ < rows_) {
    ++cursor_row_;
    cursor_column_ = 1;
  } else {
    output_clipped_ = true;  // the last cell is written; further text is dropped
  }
}

void CellConsole::PrintText(std::string_view text) {
  for (char c : text) {
    if (output_clipped_) break;
    PutChar(static_cast<uint8_t>(c));
  }
}

void CellConsole::PrintSpaces(int16_t count) {
  for (int16_t i = 0; i < count && !output_clipped_; ++i) PutChar(' ');
}

void CellConsole::NewLine() {
  if (cursor_row_ < rows_) ++cursor_row_;
  cursor_column_ = 1;
  output_clipped_ = false;
}

uint8_t CellConsole::ReadCellChar(int16_t row, int16_t column) {
  return OnScreen(row, column) ? CellAt(row, column).ch : ' ';
}

uint8_t CellConsole::ReadCellAttribute(int16_t row, int16_t column) {
  return OnScreen(row, column) ? CellAt(row, column).attribute : 0;
}

void CellConsole::ScrollRect(int16_t top, int16_t left, int16_t bottom, int16_t right,
                             int16_t count, ScrollDirection direction) {
  top = std::max<int16_t>(top, 1);
  left = std::max<int16_t>(left, 1);
  bottom = std::min(bottom, rows_);
  right = std::min(right, columns_);
  if (top > bottom || left > right || count <= 0) return;
  const int height = bottom - top + 1;
  const int shift = std::min<int>(count, height);
  const Cell blank{' ', CurrentAttribute()};
  auto copy_row = [&](int from, int to) {
    for (int c = left; c <= right; ++c) {
      MutableCell(static_cast<int16_t>(to), static_cast<int16_t>(c)) =
          CellAt(static_cast<int16_t>(from), static_cast<int16_t>(c));
    }
  };
  auto blank_row = [&](int row) {
    for (int c = left; c <= right; ++c) {
      MutableCell(static_cast<int16_t>(row), static_cast<int16_t>(c)) = blank;
    }
  };
  if (direction == ScrollDirection::kUp) {
    for (int r = top; r + shift <= bottom; ++r) copy_row(r + shift, r);
    for (int r = bottom - shift + 1; r <= bottom; ++r) blank_row(r);
  } else {
    for (int r = bottom; r - shift >= top; --r) copy_row(r - shift, r);
    for (int r = top; r < top + shift; ++r) blank_row(r);
  }
  for (int r = top; r <= bottom; ++r) dirty_[static_cast<size_t>(r)] = true;
}

void CellConsole::ClearScreen() {
  std::fill(cells_.begin(), cells_.end(), Cell{' ', CurrentAttribute()});
  MarkAllDirty();
  cursor_row_ = 1;
  cursor_column_ = 1;
  output_clipped_ = false;
}

std::string CellConsole::ReadKey() {
  PollInput();
  while (!input_.empty()) {
    InputEvent event = std::move(input_.front());
    input_.pop_front();
    const bool mouse = event.key.size() == 4 && static_cast<uint8_t>(event.key[0]) == 255 &&
                       static_cast<uint8_t>(event.key[1]) == 255;
    if (mouse) {
      const uint8_t kind = static_cast<uint8_t>(event.key[2]);
      const uint8_t buttons = static_cast<uint8_t>(event.key[3]);
      if (!mouse_on_ || (kind & mouse_kinds_) == 0) continue;
      if (kind != kMouseMoved && (buttons & mouse_buttons_) == 0) continue;
      mouse_row_ = event.row;
      mouse_column_ = event.column;
    }
    if (event.key.empty()) continue;
    shift_state_ = event.shift;
    return std::move(event.key);
  }
  return "";
}

void CellConsole::SetMouseEvents(bool on) {
  mouse_on_ = on;
  if (!on) {
    mouse_row_ = 0;
    mouse_column_ = 0;
  }
}

void CellConsole::SetMouseMask(uint8_t kinds, uint8_t buttons) {
  mouse_kinds_ = kinds;
  mouse_buttons_ = buttons;
}

void CellConsole::ClearDirtyRows() { std::fill(dirty_.begin(), dirty_.end(), false); }

void CellConsole::MarkAllDirty() { std::fill(dirty_.begin(), dirty_.end(), true); }

}  // namespace orb
