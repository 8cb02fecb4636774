#include "ui/hot_key_popups.h"

namespace orb {

std::optional<PopupServices> PopupHotKeys::Services() {
  if (keys_ == nullptr) return std::nullopt;
  return PopupServices{console_, colours_, windows_, exit_keys_, *keys_,
                       settings_, session_, clock_};
}

std::string PopupHotKeys::RunCalculator() {
  const auto services = Services();
  return services ? Calculator(*services).ShowCalculator() : "";
}

std::string PopupHotKeys::RunCalendar() {
  const auto services = Services();
  return services ? Calendar(*services).ShowCalendar() : "";
}

}  // namespace orb
