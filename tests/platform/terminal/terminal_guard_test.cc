#include "platform/terminal/terminal_guard.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <string>

namespace orb {
namespace {

// A pseudo-terminal: the master end the test reads, the slave end the guard restores.
struct PseudoTerminal {
  int master = -1;
  int slave = -1;
  PseudoTerminal() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    const char* name = ::ptsname(master);
    if (name != nullptr) slave = ::open(name, O_RDWR | O_NOCTTY);
  }
  ~PseudoTerminal() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
  // What the slave end has written so far.
  std::string Output() const {
    std::string out;
    char buffer[256];
    pollfd p{master, POLLIN, 0};
    while (::poll(&p, 1, 200) > 0 && (p.revents & POLLIN)) {
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
};

// Every signal the guard ends on gives the shell's status for it, 128 + its number,
// after the terminal has its settings and screen modes back.
TEST(TerminalGuardTest, EachEndSignalRestoresTheTerminalAndGivesItsStatus) {
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    PseudoTerminal terminal;
    ASSERT_GE(terminal.slave, 0);
    termios saved{};
    ASSERT_EQ(::tcgetattr(terminal.slave, &saved), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ArmTerminalGuard(terminal.slave, saved, "[restored]");
      termios raw = saved;
      ::cfmakeraw(&raw);
      ::tcsetattr(terminal.slave, TCSANOW, &raw);
      ::raise(sig);
      ::_exit(99);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "signal " << sig << " was not handled";
    EXPECT_EQ(WEXITSTATUS(status), 128 + sig) << "signal " << sig;
    EXPECT_NE(terminal.Output().find("[restored]"), std::string::npos) << "signal " << sig;
    termios after{};
    ASSERT_EQ(::tcgetattr(terminal.slave, &after), 0);
    EXPECT_EQ(after.c_lflag, saved.c_lflag) << "signal " << sig;
    EXPECT_EQ(after.c_iflag, saved.c_iflag) << "signal " << sig;
  }
}

}  // namespace
}  // namespace orb
