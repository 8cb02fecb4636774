// The in-memory console with keys the operator presses only once the program waits for
// one (as at a real keyboard), and actions run at that moment: the tests look at the
// screen, or damage a work file, while a pop-up is open.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>

#include "platform/memory_console.h"

namespace orb::testing {

class PacedConsole : public MemoryConsole {
 public:
  using MemoryConsole::MemoryConsole;

  // Keys pressed one by one, each when the program next waits with nothing queued.
  void Press(std::initializer_list<int> codes) {
    for (int code : codes) steps_.push_back({static_cast<uint16_t>(code), nullptr});
  }
  // Runs `action` when the program next waits, before the key pressed then.
  void Then(std::function<void()> action) { steps_.push_back({0, std::move(action)}); }
  bool Done() const { return steps_.empty(); }

  void WaitForInput(int32_t timeout_ms) override {
    while (ScriptEmpty() && !steps_.empty()) {
      Step step = std::move(steps_.front());
      steps_.pop_front();
      if (step.action) {
        step.action();
      } else {
        PushKeyCode(step.key);
      }
    }
    MemoryConsole::WaitForInput(timeout_ms);
  }

 private:
  struct Step {
    uint16_t key;
    std::function<void()> action;
  };
  std::deque<Step> steps_;
};

}  // namespace orb::testing
