// TerminalGuard: gives the terminal back as it was, whatever way the program ends.
// While armed, SIGINT, SIGTERM, SIGHUP and SIGQUIT restore the terminal and end the
// process with 128 + the signal number, the status a shell expects of a program that a
// signal ended; SIGABRT restores it and lets the abort go on; an exit() that skips the console's destructor restores it
// too. SIGWINCH is turned into a byte on a pipe so that a poll(2) wakes up.
//
// Signal handlers can only reach process-wide state, so this module keeps the one
// copy of the saved terminal settings and the restore sequence; at most one guard is
// armed at a time.
#pragma once

#include <termios.h>

#include <string>

namespace orb {

// Arms the guard for the terminal on fd: saved settings, the bytes that reset the
// screen modes. Returns the read end of the resize pipe, or -1 when it failed.
int ArmTerminalGuard(int fd, const termios& saved, const std::string& restore_bytes);
// Restores the terminal now (idempotent) and disarms the guard.
void RestoreTerminalAndDisarm();
// Empties the resize pipe; true when a resize was signalled since the last call.
bool TakeResizeSignal();

}  // namespace orb
