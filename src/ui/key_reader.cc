#include "ui/key_reader.h"

namespace orb {
namespace {

constexpr uint16_t kAnyAlt = kLeftAlt | kRightAlt;
constexpr uint16_t kAnyCtrl = kLeftCtrl | kRightCtrl;
// How long Alt + keypad entry waits for its next digit.
constexpr int32_t kKeypadDigitWaitMs = 1500;

// The digit a numeric keypad key stands for in Alt + keypad entry, or -1.
int KeypadDigit(int16_t code) {
  static constexpr uint16_t kDigits[10] = {0x5200, 0x4f00, 0x5000, 0x5100, 0x4b00,
                                           0x4c00, 0x4d00, 0x4700, 0x4800, 0x4900};
  for (int d = 0; d < 10; ++d) {
    if (static_cast<uint16_t>(code) == kDigits[d]) return d;
  }
  return -1;
}

bool IsMouseText(const std::string& text) {
  return text.size() == 4 && static_cast<uint8_t>(text[0]) == 255 &&
         static_cast<uint8_t>(text[1]) == 255;
}

}  // namespace

int16_t KeyCode(const std::string& key_text) {
  uint16_t code = 0;
  if (!key_text.empty()) code = static_cast<uint8_t>(key_text[0]);
  if (key_text.size() > 1) code = static_cast<uint16_t>(code + 256 * static_cast<uint8_t>(key_text[1]));
  return static_cast<int16_t>(code);
}

// One key text, with Alt + keypad digits gathered into one character.
std::string KeyReader::ReadKeyText() {
  std::string text;
  if (!pending_.empty()) {
    text = std::move(pending_);
    pending_.clear();
    return text;
  }
  text = console_.ReadKey();
  int digits = 0;
  int value = 0;
  while ((console_.ShiftState() & kLeftAlt) != 0 && text.size() == 2 &&
         KeypadDigit(KeyCode(text)) >= 0) {
    // Kept modulo 256 as it grows: the same character as the whole number's, never an overflow.
    value = (value * 10 + KeypadDigit(KeyCode(text))) % 256;
    ++digits;
    text = console_.ReadKey();
    if (text.empty()) {
      // The next digit may still be on its way; wait for it a while, then give up.
      console_.WaitForInput(kKeypadDigitWaitMs);
      text = console_.ReadKey();
      if (text.empty()) break;
    }
  }
  if (digits > 0) {
    // The key that ended the digits is not lost: it comes with the next read.
    pending_ = std::move(text);
    text = std::string(1, static_cast<char>(value));
  }
  return text;
}

void KeyReader::ReadKeyEvent(int16_t& key, int16_t& button, int16_t& row, int16_t& column) {
  key = button = row = column = 0;
  if (!type_ahead_.empty()) {
    key = static_cast<uint8_t>(type_ahead_[0]);
    type_ahead_.erase(0, 1);
    return;
  }
  if (mouse_ == kMouseNotSetUp) {
    console_.SetMouseMask(kMouseReleased, kMouseLeft | kMouseRight | kMouseMiddle);
    mouse_ = console_.MouseButtonCount() == 0 ? kNoMouse : kMouseOff;
  }
  if (mouse_ == kMouseOff) {
    console_.SetMouseEvents(true);
    mouse_ = kMouseOn;
  }

  std::string text = ReadKeyText();
  if (text.size() < 4 && !text.empty()) {
    key = KeyCode(text);
    if (key == keys::kAltE) key = 213;
    uint16_t shift = console_.ShiftState();
    bool function_key = key >= keys::kF1 && key <= keys::kF10 && (key & 0xff) == 0;
    if ((shift & kAnyAlt) != 0) {
      if (function_key) key = static_cast<int16_t>(key + 0x2d00);
    } else if ((shift & kAnyCtrl) != 0) {
      if (function_key) key = static_cast<int16_t>(key + 0x2300);
      if (key == keys::kHome) key = keys::kCtrlHome;
      if (key == keys::kRight) key = keys::kCtrlRight;
      if (key == keys::kLeft) key = keys::kCtrlLeft;
    } else if ((shift & kShift) != 0) {
      if (function_key) key = static_cast<int16_t>(key + 0x1900);
    }
  } else if (IsMouseText(text) && mouse_ == kMouseOn &&
             static_cast<uint8_t>(text[2]) == kMouseReleased) {
    button = static_cast<uint8_t>(text[3]);
    row = console_.MouseRow();
    column = console_.MouseColumn();
  }

  if (key == keys::kAltX && !calculator_running_) {
    calculator_running_ = true;
    std::string result = popups_.RunCalculator();
    calculator_running_ = false;
    if (!result.empty()) type_ahead_ = result;
  } else if (key == keys::kAltC && !calendar_running_) {
    calendar_running_ = true;
    std::string result = popups_.RunCalendar();
    calendar_running_ = false;
    if (!result.empty()) type_ahead_ = result;
  }

  if (mouse_ == kMouseOn && (key != 0 || button != 0)) {
    console_.SetMouseEvents(false);
    mouse_ = kMouseOff;
  }
}

void KeyReader::WaitKey(int16_t& key) {
  for (;;) {
    int16_t button, row, column;
    ReadKeyEvent(key, button, row, column);
    if (key == 0 && button != 0) {
      key = static_cast<int16_t>(static_cast<uint16_t>(column * 256 + button * 64 + row));
    }
    if (key != 0) return;
    console_.WaitForInput(-1);
  }
}

}  // namespace orb
