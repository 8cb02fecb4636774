// KeyDecoder: turns the bytes a terminal sends for keys and the mouse into the
// console's key texts (see platform/console.h), with the modifier state of each.
//
// Understands CSI and SS3 sequences with xterm modifier parameters (ESC [ 1 ; 5 C is
// Ctrl+Right), the function key forms of xterm, screen/tmux, rxvt and the Linux
// console, ESC + key as Alt (ESC f is Alt+F, scan code 0x21) but ESC TAB as Shift+Tab
// (what the Linux console sends), SGR (1006) and X10 mouse reports, and UTF-8
// characters, which arrive as their code page 850 byte. Modifiers
// never change the code of a key without a character: they go to the shift state.
// Unknown or malformed sequences are swallowed whole, never delivered as characters.
//
// A lone ESC cannot be told from the start of a sequence until the terminal has been
// quiet for a moment: Next(false) leaves such a prefix pending, Next(true) decides it
// (ESC alone is the Escape key; an unfinished sequence is dropped).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/cell_console.h"

namespace orb {

class KeyDecoder {
 public:
  void Feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next complete event, if any. With flush, pending prefixes are decided.
  std::optional<InputEvent> Next(bool flush);
  // True when bytes are held back waiting to see whether more follow.
  bool HasPending() const { return !buffer_.empty(); }

 private:
  std::string buffer_;
  uint8_t mouse_buttons_down_ = 0;  // for X10 releases, which do not say which button
};

}  // namespace orb
