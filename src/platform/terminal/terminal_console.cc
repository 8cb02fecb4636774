#include "platform/terminal/terminal_console.h"

#include <curses.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/cp850.h"
#include "platform/input_wait.h"
#include "platform/terminal/terminal_guard.h"

namespace orb {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kEscapePause = std::chrono::milliseconds(50);
constexpr auto kDoubleClickTime = std::chrono::milliseconds(500);
constexpr size_t kMostHeldKeys = 256;  // keys kept while the screen is too small
constexpr char kMouseOff[] = "\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l";
constexpr char kCursorStyleReset[] = "\x1b[0 q";

// A terminfo string as bytes to write as they are (padding marks dropped).
std::string Capability(const char* name) {
  const char* value = tigetstr(const_cast<char*>(name));
  if (value == nullptr || value == reinterpret_cast<const char*>(-1)) return "";
  return WithoutPadding(value);
}

bool UsesUtf8() {
  const char* codeset = nl_langinfo(CODESET);
  return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

}  // namespace

std::optional<std::pair<int16_t, int16_t>> ParseScreenSize(std::string_view text) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  auto number = [](std::string_view digits) -> int {
    if (digits.empty() || digits.size() > 2) return 0;
    int value = 0;
    for (char c : digits) {
      if (c < '0' || c > '9') return 0;
      value = value * 10 + (c - '0');
    }
    return value;
  };
  const int rows = number(text.substr(0, x));
  const int columns = number(text.substr(x + 1));
  if (rows < 1 || columns < 1) return std::nullopt;
  return std::make_pair(static_cast<int16_t>(rows), static_cast<int16_t>(columns));
}

std::string WithoutPadding(std::string_view capability) {
  std::string out;
  for (size_t i = 0; i < capability.size(); ++i) {
    if (capability.compare(i, 2, "$<") == 0) {
      size_t end = i + 2;
      while (end < capability.size() &&
             ((capability[end] >= '0' && capability[end] <= '9') || capability[end] == '.' ||
              capability[end] == '*' || capability[end] == '/')) {
        ++end;
      }
      if (end > i + 2 && end < capability.size() && capability[end] == '>') {
        i = end;
        continue;
      }
    }
    out.push_back(capability[i]);
  }
  return out;
}

int TerminalColour(int console_colour) {
  return (console_colour & 0x0a) | ((console_colour & 1) << 2) | ((console_colour & 4) >> 2);
}

struct TerminalConsole::Curses {
  SCREEN* screen = nullptr;
  bool colour = false;
  int colours = 0;
  std::array<short, 256> pair_of{};  // 0: not yet allocated
  int next_pair = 1;

  // The colour pair and extra attributes that show a console attribute.
  short PairFor(uint8_t attribute, attr_t& extra) {
    const int foreground = attribute & 15, background = attribute >> 4;
    extra = A_NORMAL;
    if (!colour) {
      if ((background & 7) > (foreground & 7)) {
        extra = A_REVERSE;
      } else if (foreground & 8) {
        extra = A_BOLD;
      }
      return 0;
    }
    int fg = TerminalColour(foreground), bg = TerminalColour(background);
    if (colours < 16) {
      if (fg & 8) extra |= A_BOLD;
      fg &= 7;
      bg &= 7;
    }
    const int key = fg + 16 * bg;
    if (pair_of[static_cast<size_t>(key)] == 0) {
      if (next_pair >= COLOR_PAIRS || next_pair > 32767) return 0;
      init_pair(static_cast<short>(next_pair), static_cast<short>(fg), static_cast<short>(bg));
      pair_of[static_cast<size_t>(key)] = static_cast<short>(next_pair++);
    }
    return pair_of[static_cast<size_t>(key)];
  }
};

TerminalConsole::TerminalConsole(int16_t rows, int16_t columns)
    : CellConsole(rows, columns), curses_(std::make_unique<Curses>()) {}

std::unique_ptr<TerminalConsole> TerminalConsole::Open(std::string& error) {
  int16_t rows = 25, columns = 80;
  if (const char* size = std::getenv("ORB_SCREEN"); size != nullptr && *size != '\0') {
    const auto parsed = ParseScreenSize(size);
    if (!parsed) {
      error = std::string("ORB_SCREEN=") + size + ": expected ROWSxCOLS, each 1 to 99";
      return nullptr;
    }
    std::tie(rows, columns) = *parsed;
  }
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    error = "standard input and output must be a terminal";
    return nullptr;
  }
  std::unique_ptr<TerminalConsole> console(new TerminalConsole(rows, columns));
  if (!console->Start(error)) return nullptr;
  return console;
}

bool TerminalConsole::Start(std::string& error) {
  if (setlocale(LC_CTYPE, "") == nullptr || !UsesUtf8()) setlocale(LC_CTYPE, "C.UTF-8");
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) {
    error = "cannot read the terminal settings";
    return false;
  }
  curses_->screen = newterm(nullptr, stdout, stdin);
  if (curses_->screen == nullptr) {
    error = "cannot set up the terminal (TERM not known?)";
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return false;
  }
  const char* term = std::getenv("TERM");
  const std::string term_name = term != nullptr ? term : "";
  cursor_styles_ = term_name.rfind("linux", 0) != 0 && term_name.rfind("screen", 0) != 0 &&
                   term_name.rfind("vt", 0) != 0 && term_name != "dumb";
  std::string restore = kMouseOff;
  if (cursor_styles_) restore += kCursorStyleReset;
  restore += Capability("op") + Capability("sgr0") + Capability("cnorm") + Capability("rmkx") +
             Capability("rmcup");
  resize_fd_ = ArmTerminalGuard(STDIN_FILENO, saved, restore);

  raw();
  noecho();
  nonl();
  intrflush(stdscr, FALSE);
  keypad(stdscr, FALSE);
  leaveok(stdscr, FALSE);
  if (has_colors()) {
    start_color();
    curses_->colour = true;
    curses_->colours = COLORS;
  }
  CheckSize();
  Render();
  return true;
}

TerminalConsole::~TerminalConsole() {
  if (curses_->screen == nullptr) return;
  // Leave a blank screen behind: a terminal without an alternate screen keeps what it
  // shows, and tmux carries lines of the alternate screen into the shell's when the
  // size changed since it was entered.
  if (TakeResizeSignal()) CheckSize();
  attrset(A_NORMAL);
  erase();
  refresh();
  std::string bytes = kMouseOff;
  if (cursor_styles_) bytes += kCursorStyleReset;
  WriteRaw(bytes);
  curs_set(1);
  endwin();
  delscreen(curses_->screen);
  RestoreTerminalAndDisarm();
}

void TerminalConsole::WriteRaw(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

void TerminalConsole::CheckSize() {
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0 &&
      (size.ws_row != LINES || size.ws_col != COLS)) {
    resizeterm(size.ws_row, size.ws_col);
  }
  too_small_ = LINES < ScreenRows() || COLS < ScreenColumns();
  shown_ = false;
  if (!too_small_) {
    for (InputEvent& event : held_) QueueInput(std::move(event));
    held_.clear();
    escapes_while_small_ = 0;
  }
}

void TerminalConsole::Render() {
  if (too_small_) {
    if (shown_) return;
    erase();
    attrset(A_NORMAL);
    const std::string lines[] = {
        "La finestra del terminal \xc3\xa9s massa petita.",
        "Cal " + std::to_string(ScreenRows()) + " x " + std::to_string(ScreenColumns()) +
            " i ara \xc3\xa9s " + std::to_string(LINES) + " x " + std::to_string(COLS) + ".",
        "Amplieu-la per continuar.",
    };
    for (int i = 0; i < 3 && i < LINES; ++i) mvaddnstr(i, 0, lines[i].c_str(), -1);
    curs_set(0);
    refresh();
    shown_ = true;
    last_cursor_visible_ = false;
    return;
  }
  bool changed = false;
  if (!shown_) {
    erase();
    MarkAllDirty();
    changed = true;
  }
  const int16_t rows = ScreenRows(), columns = ScreenColumns();
  std::vector<cchar_t> line(static_cast<size_t>(columns));
  for (int16_t r = 1; r <= rows; ++r) {
    if (!RowDirty(r)) continue;
    changed = true;
    for (int16_t c = 1; c <= columns; ++c) {
      const Cell& cell = CellAt(r, c);
      attr_t extra = A_NORMAL;
      const short pair = curses_->PairFor(cell.attribute, extra);
      const wchar_t glyph[2] = {static_cast<wchar_t>(cp850::ToGlyph(cell.ch)), L'\0'};
      setcchar(&line[static_cast<size_t>(c - 1)], glyph, extra, pair, nullptr);
    }
    mvadd_wchnstr(r - 1, 0, line.data(), columns);
  }
  ClearDirtyRows();
  const bool visible = CursorVisible();
  const bool cursor_changed = visible != last_cursor_visible_ ||
                              (visible && CursorSize() != last_cursor_size_);
  int y = -1, x = -1;
  getyx(stdscr, y, x);
  if (!changed && !cursor_changed && y == CursorRow() - 1 && x == CursorColumn() - 1) return;
  move(CursorRow() - 1, CursorColumn() - 1);
  if (cursor_changed) curs_set(visible ? 1 : 0);
  refresh();
  if (cursor_changed && visible && cursor_styles_) {
    WriteRaw(CursorSize() >= 75 ? "\x1b[2 q" : "\x1b[4 q");
  }
  last_cursor_visible_ = visible;
  last_cursor_size_ = CursorSize();
  shown_ = true;
}

void TerminalConsole::ReadAvailableBytes() {
  char bytes[4096];
  for (;;) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    if (poll(&input, 1, 0) <= 0) return;
    if ((input.revents & (POLLIN | POLLHUP | POLLERR)) == 0) return;
    const ssize_t n = read(STDIN_FILENO, bytes, sizeof bytes);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) {
      // The terminal has gone: nobody is left to type, so leave as on a hang-up.
      RestoreTerminalAndDisarm();
      std::_Exit(0);
    }
    if (n < 0) return;
    decoder_.Feed(std::string_view(bytes, static_cast<size_t>(n)));
    last_byte_time_ = Clock::now();
  }
}

void TerminalConsole::PollInput() {
  if (TakeResizeSignal()) CheckSize();
  ReadAvailableBytes();
  while (auto event = decoder_.Next(false)) Deliver(std::move(*event));
  if (decoder_.HasPending() && Clock::now() - last_byte_time_ >= kEscapePause) {
    while (auto event = decoder_.Next(true)) Deliver(std::move(*event));
  }
}

void TerminalConsole::Deliver(InputEvent event) {
  const bool mouse = event.key.size() == 4 && static_cast<uint8_t>(event.key[0]) == 255;
  if (too_small_) {
    // While the request is shown, Escape goes through at once (and what was typed blind
    // before it is dropped); other keys wait until the screen is large enough.
    if (event.key == "\x1b") {
      held_.clear();
      ++escapes_while_small_;
      QueueInput(std::move(event));
    } else if (!mouse && held_.size() < kMostHeldKeys) {
      held_.push_back(std::move(event));
    }
    return;
  }
  if (!mouse) {
    QueueInput(std::move(event));
    return;
  }
  if (event.row < 1 || event.row > ScreenRows() || event.column < 1 ||
      event.column > ScreenColumns()) {
    return;  // outside the logical screen
  }
  if (static_cast<uint8_t>(event.key[2]) == kMousePressed) {
    const auto now = Clock::now();
    const bool again = last_press_.key == event.key && last_press_.row == event.row &&
                       last_press_.column == event.column &&
                       now - last_press_time_ <= kDoubleClickTime;
    if (again && (MouseKindsReported() & kMouseDoubleClick)) {
      last_press_ = InputEvent{};
      event.key[2] = static_cast<char>(kMouseDoubleClick);
    } else {
      last_press_ = event;
      last_press_time_ = now;
    }
  }
  QueueInput(std::move(event));
}

std::string TerminalConsole::ReadKey() {
  if (TakeResizeSignal()) CheckSize();
  Render();
  if (too_small_ && escapes_while_small_ == 0) return "";
  std::string key = CellConsole::ReadKey();
  if (too_small_ && key == "\x1b" && escapes_while_small_ > 0) --escapes_while_small_;
  return key;
}

void TerminalConsole::WaitForInput(int32_t timeout_ms) {
  if (timeout_ms != 0) RunBeforeInputWait();
  const bool forever = timeout_ms < 0;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  for (;;) {
    Render();
    PollInput();
    if (InputQueued() && (!too_small_ || escapes_while_small_ > 0)) return;
    Render();  // a resize noticed by PollInput redraws at once
    const auto now = Clock::now();
    if (!forever && now >= deadline) return;
    int wait = forever ? -1
                       : static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              deadline - now).count()) + 1;
    if (decoder_.HasPending()) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          last_byte_time_ + kEscapePause - now).count();
      const int pause = static_cast<int>(std::max<int64_t>(left, 0)) + 1;
      wait = wait < 0 ? pause : std::min(wait, pause);
    }
    pollfd fds[2] = {{resize_fd_, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    poll(fds, 2, wait);
  }
}

void TerminalConsole::ApplyMouseMode() {
  Render();
  if (!MouseEventsOn()) {
    WriteRaw(kMouseOff);
    return;
  }
  // 1000 presses and releases, 1003 every movement as well, 1006 the SGR report form.
  WriteRaw(MouseKindsReported() & kMouseMoved ? "\x1b[?1000h\x1b[?1003h\x1b[?1006h"
                                              : "\x1b[?1003l\x1b[?1000h\x1b[?1006h");
}

void TerminalConsole::SetMouseEvents(bool on) {
  CellConsole::SetMouseEvents(on);
  ApplyMouseMode();
}

void TerminalConsole::SetMouseMask(uint8_t kinds, uint8_t buttons) {
  CellConsole::SetMouseMask(kinds, buttons);
  if (MouseEventsOn()) ApplyMouseMode();
}

void TerminalConsole::Suspend() {
  Render();
  WriteRaw(kMouseOff);
  def_prog_mode();
  endwin();
}

void TerminalConsole::Resume() {
  reset_prog_mode();
  shown_ = false;
  ApplyMouseMode();
}

bool TerminalConsole::ShowsColours() const { return curses_->colour; }

void TerminalConsole::Beep() { beep(); }

void TerminalConsole::Sleep(int32_t milliseconds) {
  Render();
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace orb
