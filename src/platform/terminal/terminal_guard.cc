#include "platform/terminal/terminal_guard.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace orb {
namespace {

// Process-wide by necessity: signal handlers see nothing else. Written only while no
// handler is installed; read by the handlers.
struct GuardState {
  volatile sig_atomic_t armed = 0;
  int fd = -1;
  termios saved{};
  char restore[512] = {};
  size_t restore_length = 0;
  int pipe_read = -1;
  int pipe_write = -1;
  bool atexit_registered = false;
};
GuardState guard;

constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreRaw() {
  if (!guard.armed) return;
  guard.armed = 0;
  size_t written = 0;
  while (written < guard.restore_length) {
    const ssize_t n = write(guard.fd, guard.restore + written, guard.restore_length - written);
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  tcsetattr(guard.fd, TCSANOW, &guard.saved);
}

void OnEndSignal(int sig) {
  RestoreRaw();
  _exit(128 + sig);
}

void OnAbort(int sig) {
  RestoreRaw();
  signal(sig, SIG_DFL);
  raise(sig);
}

void OnResize(int) {
  const int saved_errno = errno;
  const char byte = 1;
  if (guard.pipe_write >= 0) {
    [[maybe_unused]] const ssize_t n = write(guard.pipe_write, &byte, 1);
  }
  errno = saved_errno;
}

void AtExit() { RestoreRaw(); }

void Install(int sig, void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(sig, &action, nullptr);
}

}  // namespace

int ArmTerminalGuard(int fd, const termios& saved, const std::string& restore_bytes) {
  if (guard.pipe_read < 0) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    for (int end : fds) {
      fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
      fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    guard.pipe_read = fds[0];
    guard.pipe_write = fds[1];
  }
  guard.fd = fd;
  guard.saved = saved;
  guard.restore_length = std::min(restore_bytes.size(), sizeof guard.restore);
  std::memcpy(guard.restore, restore_bytes.data(), guard.restore_length);
  guard.armed = 1;
  for (int sig : kEndSignals) Install(sig, OnEndSignal);
  Install(SIGABRT, OnAbort);
  Install(SIGWINCH, OnResize);
  if (!guard.atexit_registered) {
    guard.atexit_registered = true;
    std::atexit(AtExit);
  }
  return guard.pipe_read;
}

void RestoreTerminalAndDisarm() {
  for (int sig : kEndSignals) signal(sig, SIG_DFL);
  signal(SIGABRT, SIG_DFL);
  signal(SIGWINCH, SIG_DFL);
  RestoreRaw();
}

bool TakeResizeSignal() {
  bool resized = false;
  char bytes[64];
  while (guard.pipe_read >= 0 && read(guard.pipe_read, bytes, sizeof bytes) > 0) resized = true;
  return resized;
}

}  // namespace orb
