#include "platform/memory_console.h"

#include "platform/input_wait.h"

#include <cstdio>
#include <cstdlib>

namespace orb {

void MemoryConsole::PushKey(std::string key_text, uint16_t shift) {
  QueueInput(InputEvent{std::move(key_text), shift, 0, 0});
}

void MemoryConsole::PushKeyCode(uint16_t code, uint16_t shift) { PushKey(KeyTextOf(code), shift); }

void MemoryConsole::PushKeys(std::string_view text) {
  for (char c : text) PushKey(std::string(1, c));
}

void MemoryConsole::PushMouse(uint8_t kind, uint8_t buttons, int16_t row, int16_t column,
                              uint16_t shift) {
  QueueInput(InputEvent{MouseKeyText(kind, buttons), shift, row, column});
}

std::string MemoryConsole::ReadKey() {
  std::string key = CellConsole::ReadKey();
  if (key.empty() && !InputQueued()) return idle_key_;
  return key;
}

void MemoryConsole::WaitForInput(int32_t timeout_ms) {
  ++waits_;
  if (timeout_ms != 0) RunBeforeInputWait();
  if (timeout_ms < 0 && !InputQueued() && idle_key_.empty()) {
    std::fprintf(stderr, "MemoryConsole: waiting for a key after the script ran out\n");
    std::abort();
  }
}

std::string MemoryConsole::RowText(int16_t row) { return TextAt(row, 1, ScreenColumns()); }

std::string MemoryConsole::TextAt(int16_t row, int16_t column, int16_t length) {
  std::string text;
  for (int16_t i = 0; i < length; ++i) {
    text.push_back(static_cast<char>(ReadCellChar(row, static_cast<int16_t>(column + i))));
  }
  return text;
}

std::string MemoryConsole::ScreenText() {
  std::string text;
  for (int16_t r = 1; r <= ScreenRows(); ++r) {
    std::string row = RowText(r);
    row.erase(row.find_last_not_of(' ') + 1);
    if (r > 1) text.push_back('\n');
    text += row;
  }
  return text;
}

}  // namespace orb
