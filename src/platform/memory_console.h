// MemoryConsole: the console of the tests. The screen lives only in memory (25 x 80
// unless chosen otherwise); keys and mouse events come from a script queued by the
// test; beeps and sleeps are counted, never heard or waited for.
//
// A program that keeps waiting after its script has run out would hang a test, so
// once the script is empty ReadKey returns the idle key when one is set, and a
// WaitForInput with no time limit on an empty script ends the process with a message.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/cell_console.h"

namespace orb {

class MemoryConsole : public CellConsole {
 public:
  explicit MemoryConsole(int16_t rows = 25, int16_t columns = 80) : CellConsole(rows, columns) {}

  // Script: key texts as ReadKey returns them, key codes, or every byte of a text as
  // one key each.
  void PushKey(std::string key_text, uint16_t shift = 0);
  void PushKeyCode(uint16_t code, uint16_t shift = 0);
  void PushKeys(std::string_view text);
  void PushMouse(uint8_t kind, uint8_t buttons, int16_t row, int16_t column, uint16_t shift = 0);
  // Returned by ReadKey whenever the script is empty ("" switches it off).
  void SetIdleKey(std::string key_text) { idle_key_ = std::move(key_text); }
  bool ScriptEmpty() const { return !InputQueued(); }

  std::string ReadKey() override;
  void WaitForInput(int32_t timeout_ms) override;

  void Beep() override { ++beeps_; }
  void Sleep(int32_t milliseconds) override { sleeps_.push_back(milliseconds); }
  int BeepCount() const { return beeps_; }
  const std::vector<int32_t>& Sleeps() const { return sleeps_; }
  int WaitCount() const { return waits_; }

  // Read back: a row's characters as text (all columns), a span of it, and the
  // attribute of a cell.
  std::string RowText(int16_t row);
  std::string TextAt(int16_t row, int16_t column, int16_t length);
  // The whole screen as rows joined by '\n', trailing spaces of each row removed.
  std::string ScreenText();

 private:
  std::string idle_key_;
  int beeps_ = 0;
  int waits_ = 0;
  std::vector<int32_t> sleeps_;
};

}  // namespace orb
