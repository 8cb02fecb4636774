// WindowStack: the stack of saved screen rectangles behind every pop-up, kept in the
// work file TempDir + "WinPush.tmp", and the drawing that goes with it: frames, cursor
// placement inside the innermost window, scrolling, the centred message box and the
// title line of a list box.
//
// Promises: a push followed by its pop leaves every cell (character and colour) and
// the cursor position as they were. The work file exists exactly while a window is
// pushed. A damaged work file (truncated, bad header, a record length pointing outside
// it, as a crashed run may leave) is never read or written outside its bounds: the pop
// restores nothing and deletes it.
//
// File layout: a 4-byte little-endian header holding the 1-based position of the next
// record (5 when empty), then the records, oldest first. A record holds, as zero-padded
// decimal digits, the cursor row and column (2 + 2), the previous window rectangle
// (4 x 2), the saved rectangle (4 x 2); then character and attribute of each cell, row
// by row; then the record's whole length (5 digits).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/colour.h"
#include "core/session.h"
#include "platform/console.h"

namespace orb {

// The stack file's name inside the work directory (Session.TempDir).
inline constexpr char kWindowStackFile[] = "WinPush.tmp";

struct ScreenRect {
  int16_t top = 0;
  int16_t left = 0;
  int16_t bottom = 0;
  int16_t right = 0;
};

class WindowStack {
 public:
  WindowStack(Console& console, ColourSelector& colour, const Session& session)
      : console_(console), colour_(colour), session_(session) {}

  // Saves the rectangle and makes it the innermost window; draws nothing. A rectangle
  // with any coordinate off the screen is ignored.
  void PushWindow(int16_t top, int16_t left, int16_t bottom, int16_t right);
  // Restores the innermost saved rectangle, the cursor and the window before it.
  void PopWindow();

  // Frames the innermost window (0 blank, 1 single line, 2 double line) and clears its
  // inside in the current colour.
  void DrawFrame(int16_t style);
  // (1, 1) is the first inside cell of the innermost window; screen cells when none.
  void LocateInWindow(int16_t row, int16_t column);
  int16_t WindowInnerTop();
  int16_t WindowInnerLeft();
  int16_t WindowInnerRight();
  // Scrolls rows top + 1 .. bottom + 1, columns left + 1 .. right + 1: up by lines when
  // positive, down by -lines otherwise (0 counts as 1).
  void ScrollRegion(int16_t top, int16_t left, int16_t bottom, int16_t right, int16_t lines);
  // Shows text framed and centred on column 41 around the given row, and leaves its
  // window pushed for the caller to pop.
  void ShowMessageBox(int16_t row, std::string_view text);
  // Top frame line of a list box: title positions first .. first + width - 1, with
  // scroll marks at either end ("_" shows as a space, a space as the frame line).
  void DrawListTitle(std::string_view title, int16_t first, int16_t width, int16_t overflow);

  int16_t WindowDepth() const { return depth_; }
  const ScreenRect& WindowRect() const { return rect_; }

  std::string StackFileName() const { return session_.TempDir + kWindowStackFile; }

 private:
  Console& console_;
  ColourSelector& colour_;
  const Session& session_;
  int16_t depth_ = 0;
  ScreenRect rect_;
};

// The lines of a message box: at most 76 counted characters each (bytes below the
// space do not count), broken at the last space before a word that would not fit.
std::vector<std::string> BreakMessageLines(std::string_view text);

}  // namespace orb
