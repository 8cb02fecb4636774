#include "platform/end_signals.h"

#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstring>

#include "platform/host_path.h"

namespace orb {
namespace {

// The signals the terminal guard also ends on, so that none of them leaves work files.
constexpr int kEndSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr size_t kSignalCount = sizeof kEndSignals / sizeof kEndSignals[0];

// Process-wide by necessity: the handler sees nothing else. Written only while the
// end signals are blocked.
struct ArmedSet {
  char paths[EndSignalScope::kMaxFiles][PATH_MAX] = {};
  size_t count = 0;
  SignalSafeStep restore = nullptr;
  struct sigaction previous[kSignalCount] = {};
  bool armed = false;
};
ArmedSet armed_set;

void OnEndSignal(int sig) {
  for (size_t i = 0; i < armed_set.count; ++i) ::unlink(armed_set.paths[i]);
  if (armed_set.restore != nullptr) armed_set.restore();
  ::_exit(128 + sig);
}

sigset_t EndSignalMask() {
  sigset_t mask;
  sigemptyset(&mask);
  for (int sig : kEndSignals) sigaddset(&mask, sig);
  return mask;
}

}  // namespace

EndSignalScope::EndSignalScope(const std::vector<std::string>& work_files,
                               SignalSafeStep restore) {
  const sigset_t mask = EndSignalMask();
  sigset_t before;
  ::sigprocmask(SIG_BLOCK, &mask, &before);
  armed_set.count = 0;
  for (const std::string& name : work_files) {
    if (armed_set.count == kMaxFiles) break;
    const std::optional<std::string> path = HostPath(name);
    if (!path || path->size() >= PATH_MAX) continue;
    std::memcpy(armed_set.paths[armed_set.count], path->c_str(), path->size() + 1);
    ++armed_set.count;
  }
  armed_set.restore = restore;
  struct sigaction action{};
  action.sa_handler = OnEndSignal;
  sigfillset(&action.sa_mask);  // one ending at a time
  for (size_t i = 0; i < kSignalCount; ++i) {
    ::sigaction(kEndSignals[i], &action, armed_set.armed ? nullptr : &armed_set.previous[i]);
  }
  armed_set.armed = true;
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

EndSignalScope::~EndSignalScope() {
  const sigset_t mask = EndSignalMask();
  sigset_t before;
  ::sigprocmask(SIG_BLOCK, &mask, &before);
  if (armed_set.armed) {
    for (size_t i = 0; i < kSignalCount; ++i) {
      ::sigaction(kEndSignals[i], &armed_set.previous[i], nullptr);
    }
  }
  armed_set.armed = false;
  armed_set.count = 0;
  armed_set.restore = nullptr;
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace orb
