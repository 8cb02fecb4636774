// TerminalConsole: the console on a real terminal (ncursesw draws, our own decoder
// reads the keys). The logical screen is 25 x 80 (ORB_SCREEN=ROWSxCOLS chooses up to
// 99 x 99) shown at the terminal's top left; a smaller terminal shows a request to
// enlarge it, and the program carries on once it is large enough. Escape typed there
// reaches the program at once (the keys typed before it are dropped); other keys wait.
// Text is code page 850 and is shown and typed as UTF-8. Output reaches the terminal
// before every wait for input; waiting sleeps in poll(2). The terminal is given back as
// it was when the console is destroyed, on SIGINT, SIGTERM and SIGHUP, and on abnormal
// exits.
#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/cell_console.h"
#include "platform/terminal/key_decoder.h"

namespace orb {

// The logical screen size for an ORB_SCREEN value ("25x80"); nothing when malformed or
// outside 1..99.
std::optional<std::pair<int16_t, int16_t>> ParseScreenSize(std::string_view text);

// A terminfo string without its padding marks ("$<2>", "$<5*/>"), for bytes written to
// the terminal directly rather than through the terminfo output routines.
std::string WithoutPadding(std::string_view capability);

// A console colour (1 blue, 2 green, 4 red, 8 bright) in the terminal's numbering
// (1 red, 2 green, 4 blue, 8 bright).
int TerminalColour(int console_colour);

class TerminalConsole : public CellConsole {
 public:
  // Takes over the terminal on standard input and output. Nothing (and a reason in
  // error) when they are not a terminal or it cannot be set up.
  static std::unique_ptr<TerminalConsole> Open(std::string& error);
  ~TerminalConsole() override;
  TerminalConsole(const TerminalConsole&) = delete;
  TerminalConsole& operator=(const TerminalConsole&) = delete;

  // Without colours the screen shows reverse and bold cells for the attributes whose
  // background is lighter than their foreground and for bright foregrounds.
  bool ShowsColours() const override;
  std::string ReadKey() override;
  void WaitForInput(int32_t timeout_ms) override;
  void SetMouseEvents(bool on) override;
  void SetMouseMask(uint8_t kinds, uint8_t buttons) override;
  void Beep() override;
  void Sleep(int32_t milliseconds) override;

  // Bytes written to the terminal as they are (the clipboard's OSC 52 sequence).
  void WriteRaw(std::string_view bytes);
  // Gives the terminal to another program (its own modes, no mouse reports) and takes
  // it back, redrawing the whole screen.
  void Suspend();
  void Resume();

 protected:
  void PollInput() override;

 private:
  struct Curses;  // the ncurses screen and colour pairs
  TerminalConsole(int16_t rows, int16_t columns);

  bool Start(std::string& error);
  // Brings the terminal up to date with the cells and the cursor.
  void Render();
  void CheckSize();
  void ReadAvailableBytes();
  void ApplyMouseMode();
  // Queues a decoded event; a second press of a button on the same cell soon after the
  // first becomes a double click when those are reported.
  void Deliver(InputEvent event);

  std::unique_ptr<Curses> curses_;
  KeyDecoder decoder_;
  int resize_fd_ = -1;
  bool too_small_ = false;
  std::deque<InputEvent> held_;  // keys typed while too small, delivered once it is not
  int escapes_while_small_ = 0;  // Escapes queued while too small, not yet read
  bool shown_ = false;  // the request or the screen is on the terminal as it should be
  bool cursor_styles_ = false;
  bool last_cursor_visible_ = false;
  int16_t last_cursor_size_ = 0;
  std::chrono::steady_clock::time_point last_byte_time_{};
  std::chrono::steady_clock::time_point last_press_time_{};
  InputEvent last_press_;
};

}  // namespace orb
