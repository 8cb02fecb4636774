#include "ui/key_test.h"

#include <algorithm>
#include <cstdio>

namespace orb {
namespace {

constexpr int16_t kFirstLogRow = 5;

std::string ShiftNames(uint16_t shift) {
  std::string names;
  auto add = [&names](const char* name) {
    if (!names.empty()) names += '+';
    names += name;
  };
  if (shift & kShift) add("Shift");
  if (shift & (kLeftCtrl | kRightCtrl)) add("Ctrl");
  if (shift & (kLeftAlt | kRightAlt)) add("Alt");
  return names;
}

std::string MouseText(uint8_t kind, uint8_t buttons) {
  std::string text;
  switch (kind) {
    case kMousePressed: text = "premut"; break;
    case kMouseReleased: text = "deixat anar"; break;
    case kMouseDoubleClick: text = "doble clic"; break;
    case kMouseMoved: text = "moviment"; break;
    default: text = "?"; break;
  }
  if (buttons & kMouseLeft) text += " esquerre";
  if (buttons & kMouseMiddle) text += " central";
  if (buttons & kMouseRight) text += " dret";
  return text;
}

}  // namespace

std::string KeyCodeText(uint16_t code) {
  char text[8];
  std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(code));
  return text;
}

std::string DescribeKeyEvent(std::string_view key, uint16_t shift, int16_t mouse_row,
                             int16_t mouse_column) {
  char line[96];
  const bool mouse = key.size() == 4 && static_cast<uint8_t>(key[0]) == 255 &&
                     static_cast<uint8_t>(key[1]) == 255;
  if (mouse) {
    std::snprintf(line, sizeof line, "ratol\xa1 %-20s fila %d columna %d  ShiftState %04x %s",
                  MouseText(static_cast<uint8_t>(key[2]), static_cast<uint8_t>(key[3])).c_str(),
                  mouse_row, mouse_column, shift, ShiftNames(shift).c_str());
    return line;
  }
  uint16_t code = static_cast<uint8_t>(key.empty() ? 0 : key[0]);
  if (key.size() > 1) code |= static_cast<uint16_t>(static_cast<uint8_t>(key[1]) << 8);
  std::snprintf(line, sizeof line, "tecla %-6s ShiftState %04x %s", KeyCodeText(code).c_str(),
                shift, ShiftNames(shift).c_str());
  return line;
}

void RunKeyTest(Console& console) {
  const int16_t rows = console.ScreenRows();
  console.SetConsoleColour(7, 0);
  console.ClearScreen();
  console.SetConsoleColour(15, 1);
  console.LocateCursor(1, 1);
  console.PrintText(" Prova del teclat");
  console.PrintSpaces(static_cast<int16_t>(console.ScreenColumns() - 17));
  console.SetConsoleColour(7, 0);
  console.LocateCursor(3, 2);
  console.PrintText("Premeu tecles o feu clic. Escape dues vegades per sortir.");
  console.SetCursorShape(0);
  console.SetMouseEvents(true);

  int16_t row = kFirstLogRow;
  bool escape_pending = false;
  for (;;) {
    const std::string key = console.ReadKey();
    if (key.empty()) {
      console.WaitForInput(-1);
      continue;
    }
    const std::string line = DescribeKeyEvent(key, console.ShiftState(), console.MouseRow(),
                                              console.MouseColumn());
    if (row > rows) {  // the log scrolls inside its rows
      console.ScrollRect(kFirstLogRow, 1, rows, console.ScreenColumns(), 1, ScrollDirection::kUp);
      row = rows;
    }
    console.LocateCursor(row, 2);
    console.PrintText(line);
    ++row;
    if (key == "\x1b") {
      if (escape_pending) break;
      escape_pending = true;
    } else {
      escape_pending = false;
    }
  }
  console.SetMouseEvents(false);
  console.SetCursorShape(-1);
  console.SetConsoleColour(7, 0);
  console.ClearScreen();
}

}  // namespace orb
