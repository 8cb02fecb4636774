// The key test screen (rptcarry --keytest): shows, for each key or mouse event as it
// arrives, its key code text, the shift state and, for the mouse, the cell, so that a
// terminal's keys can be checked against the codes the forms expect. Escape pressed
// twice in a row ends it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace orb {

// A key code as text: lower-case hexadecimal without leading zeros ("3d00", "1b").
std::string KeyCodeText(uint16_t code);

// One line of the test screen for an event read (key text and shift state), with the
// mouse cell for mouse events.
std::string DescribeKeyEvent(std::string_view key, uint16_t shift, int16_t mouse_row,
                             int16_t mouse_column);

// Runs the screen until Escape twice; leaves the screen cleared.
void RunKeyTest(Console& console);

}  // namespace orb
