#include "ui/exit_keys.h"

#include <algorithm>

namespace orb {
namespace {

std::string_view Trim(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

// Calls f(item) for each comma-separated item of list.
template <typename F>
void ForEachItem(std::string_view list, F f) {
  while (!list.empty()) {
    size_t comma = list.find(',');
    f(list.substr(0, comma));
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
}

}  // namespace

std::optional<uint16_t> ParseKeyText(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint16_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = static_cast<uint16_t>(value * 16 + digit);
  }
  return value;
}

void ExitKeySet::SetExitKeys(std::string_view command, std::string_view list) {
  for (char letter : command) {
    switch (letter) {
      case '+':
        saved_.push_back(keys_);
        break;
      case '-':
        if (!saved_.empty()) {
          keys_ = std::move(saved_.back());
          saved_.pop_back();
        }
        break;
      case 'E': case 'e':
        keys_.clear();
        break;
      case 'A': case 'a':
        ForEachItem(list, [&](std::string_view item) {
          size_t equals = item.find('=');
          std::optional<uint16_t> key = ParseKeyText(item.substr(0, equals));
          std::optional<uint16_t> reported =
              equals == std::string_view::npos ? key : ParseKeyText(item.substr(equals + 1));
          if (key && reported) keys_.emplace_back(*key, *reported);
        });
        break;
      case 'D': case 'd':
        ForEachItem(list, [&](std::string_view item) {
          std::optional<uint16_t> key = ParseKeyText(item.substr(0, item.find('=')));
          if (!key) return;
          auto found = std::find_if(keys_.begin(), keys_.end(),
                                    [&](const Entry& e) { return e.first == *key; });
          if (found != keys_.end()) keys_.erase(found);
        });
        break;
      case 'H': case 'h':
        hidden_echo_ = 'X';
        break;
      case 'V': case 'v':
        hidden_echo_ = 0;
        break;
      default:
        break;
    }
  }
}

std::optional<int16_t> ExitKeySet::Result(int16_t key) const {
  for (const Entry& e : keys_) {
    if (e.first == static_cast<uint16_t>(key)) return static_cast<int16_t>(e.second);
  }
  return std::nullopt;
}

}  // namespace orb
