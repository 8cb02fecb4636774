// Console: the text screen and the keyboard and mouse, as the screen code sees them.
// The screen is a grid of cells (a code page 850 byte and a colour attribute,
// foreground + 16 x background in the console's numbering: 1 blue, 2 green, 4 red),
// rows and columns counted from 1. Keys arrive as key texts: "" when nothing is
// pending, one byte for a key with a character, two bytes (0, scan code) for a key
// without one, four bytes (255, 255, kind, buttons) for a mouse event.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orb {

enum class ScrollDirection { kUp, kDown };

// Mouse event kinds and buttons, as they appear in a mouse key text.
enum MouseKind : uint8_t { kMouseMoved = 1, kMouseDoubleClick = 2, kMousePressed = 4,
                           kMouseReleased = 8 };
enum MouseButton : uint8_t { kMouseLeft = 1, kMouseRight = 2, kMouseMiddle = 4 };

// Modifier bits of ShiftState.
enum ShiftBits : uint16_t { kRightAlt = 0x1, kLeftAlt = 0x2, kRightCtrl = 0x4,
                            kLeftCtrl = 0x8, kShift = 0x10 };

class Console {
 public:
  virtual ~Console() = default;

  virtual int16_t ScreenRows() = 0;
  virtual int16_t ScreenColumns() = 0;

  // A row or column outside the screen keeps its current value.
  virtual void LocateCursor(int16_t row, int16_t column) = 0;
  virtual int16_t CursorRow() = 0;
  virtual int16_t CursorColumn() = 0;
  // 0 hides the cursor; 1..100 shows it with that size clamped to 10..99; negative shows
  // it with its last size.
  virtual void SetCursorShape(int16_t size) = 0;
  // Whether the cursor is shown now.
  virtual bool CursorVisible() const = 0;

  virtual void SetConsoleColour(int16_t foreground, int16_t background) = 0;
  // False when the screen cannot show colours, only normal, bold and reverse cells.
  virtual bool ShowsColours() const { return true; }
  // Writes at the cursor in the current colour and moves the cursor right.
  virtual void PrintText(std::string_view text) = 0;
  virtual void PrintSpaces(int16_t count) = 0;
  virtual void NewLine() = 0;
  virtual uint8_t ReadCellChar(int16_t row, int16_t column) = 0;
  virtual uint8_t ReadCellAttribute(int16_t row, int16_t column) = 0;
  // Moves the rectangle's contents by count rows, filling with spaces in the current
  // colour.
  virtual void ScrollRect(int16_t top, int16_t left, int16_t bottom, int16_t right,
                          int16_t count, ScrollDirection direction) = 0;
  virtual void ClearScreen() = 0;

  // Never waits. See the file comment for the key texts.
  virtual std::string ReadKey() = 0;
  // Modifier state that came with the last event read (ShiftBits).
  virtual uint16_t ShiftState() = 0;
  // Blocks until an input event may be pending or timeout_ms passes (negative: no
  // limit); output is shown before waiting. Lets callers wait without spinning. Any
  // wait but a zero one runs the program's input wait hook first (input_wait.h).
  virtual void WaitForInput(int32_t timeout_ms) = 0;

  virtual void SetMouseEvents(bool on) = 0;
  // Chooses the reported kinds (MouseKind bits) and buttons (MouseButton bits).
  virtual void SetMouseMask(uint8_t kinds, uint8_t buttons) = 0;
  virtual int16_t MouseButtonCount() = 0;
  // 1-based cell of the last mouse event read; 0 after the mouse is switched off.
  virtual int16_t MouseRow() = 0;
  virtual int16_t MouseColumn() = 0;

  virtual void Beep() = 0;
  virtual void Sleep(int32_t milliseconds) = 0;
};

}  // namespace orb
