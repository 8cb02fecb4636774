// KeyReader: every key and mouse event of the screen code, read through the console:
// characters queued by pop-ups (type-ahead) first, then the keyboard, with character
// entry by Alt + numeric keypad digits, the function keys changed by Alt, Ctrl and
// Shift, mouse button releases, and the hot keys Alt+X (calculator) and Alt+C
// (calendar), whose result comes back as type-ahead.
#pragma once

#include <cstdint>
#include <string>

#include "platform/console.h"

namespace orb {

// Key codes used by the screen code (scan code x 256 for keys without a character).
namespace keys {
inline constexpr int16_t kCtrlB = 2, kCtrlC = 3, kBackspace = 8, kTab = 9, kEnter = 13,
                         kCtrlV = 22, kCtrlY = 25, kEscape = 27, kSpace = 32;
inline constexpr int16_t kShiftTab = 0x0f00, kAltE = 0x1200, kAltC = 0x2e00, kAltX = 0x2d00,
                         kF1 = 0x3b00, kF2 = 0x3c00, kF4 = 0x3e00, kF10 = 0x4400,
                         kHome = 0x4700, kUp = 0x4800, kPgUp = 0x4900, kLeft = 0x4b00,
                         kRight = 0x4d00, kEnd = 0x4f00, kDown = 0x5000, kPgDn = 0x5100,
                         kInsert = 0x5200, kDelete = 0x5300, kCtrlF4 = 0x6100,
                         kAltF4 = 0x6b00, kCtrlLeft = 0x7300, kCtrlRight = 0x7400,
                         kCtrlHome = 0x7700;
}  // namespace keys

// The calculator and calendar pop-ups as the key reader opens them. Each returns the
// text to deliver as typed characters ("" for none). The default does nothing.
class HotKeyPopups {
 public:
  virtual ~HotKeyPopups() = default;
  virtual std::string RunCalculator() { return ""; }
  virtual std::string RunCalendar() { return ""; }
};

class KeyReader {
 public:
  KeyReader(Console& console, HotKeyPopups& popups) : console_(console), popups_(popups) {}

  // Reads at most one event, never waiting for one. key 0 with button 0: nothing usable
  // was read. A released mouse button gives key 0, the button and the clicked cell.
  void ReadKeyEvent(int16_t& key, int16_t& button, int16_t& row, int16_t& column);
  // Waits (without spinning) until an event gives a key; a mouse release gives the low
  // 16 bits of column x 256 + button x 64 + row.
  void WaitKey(int16_t& key);

  // Characters delivered as keys before the keyboard is read.
  void SetTypeAhead(std::string text) { type_ahead_ = std::move(text); }
  const std::string& TypeAhead() const { return type_ahead_; }

  Console& console() { return console_; }

 private:
  enum MouseState { kMouseNotSetUp, kMouseOn, kMouseOff, kNoMouse };

  std::string ReadKeyText();

  Console& console_;
  HotKeyPopups& popups_;
  std::string type_ahead_;
  std::string pending_;  // a key that ended Alt + keypad digits, read next
  bool calculator_running_ = false;
  bool calendar_running_ = false;
  MouseState mouse_ = kMouseNotSetUp;
};

// The key code of a key text: first byte + 256 x second byte.
int16_t KeyCode(const std::string& key_text);

}  // namespace orb
