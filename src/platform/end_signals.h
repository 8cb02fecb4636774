// End signals: how SIGINT, SIGTERM, SIGHUP and SIGQUIT end an interactive run. While a scope is
// armed, such a signal removes the run's work files, gives the terminal back through
// the restore step and ends the process with 128 + the signal number, the status a
// shell expects of a program that a signal ended.
//
// A signal handler reaches only process-wide state, so this module keeps the one armed
// set of files, as host paths resolved when arming: nothing is looked up in the handler.
#pragma once

#include <string>
#include <vector>

namespace orb {

// Runs inside the signal handler: only async-signal-safe calls.
using SignalSafeStep = void (*)();

// Arms the handlers for the given work files (suite names) and restore step (may be
// null) for its lifetime, and puts back the handlers it found when it ends. At most one
// scope is armed at a time; a second one replaces the first's files.
class EndSignalScope {
 public:
  static constexpr size_t kMaxFiles = 8;

  EndSignalScope(const std::vector<std::string>& work_files, SignalSafeStep restore);
  ~EndSignalScope();
  EndSignalScope(const EndSignalScope&) = delete;
  EndSignalScope& operator=(const EndSignalScope&) = delete;
};

}  // namespace orb
