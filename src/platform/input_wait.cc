#include "platform/input_wait.h"

#include <atomic>

namespace orb {
namespace {

std::atomic<InputWaitHook> installed{nullptr};

}  // namespace

InputWaitHook SetInputWaitHook(InputWaitHook hook) { return installed.exchange(hook); }

void RunBeforeInputWait() {
  if (InputWaitHook hook = installed.load()) hook();
}

}  // namespace orb
