// ExitKeySet: the keys that end the input of a field, each with the key code reported
// when it does, a stack of saved sets, and the echo character of hidden entries.
// An empty set means that every key the field editor does not handle ends the input.
// Users bracket their changes with a save ("+") and a restore ("-"); brackets nest.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace orb {

class ExitKeySet {
 public:
  // Processes the command letter by letter: "+" saves the set, "-" restores the last
  // saved one, "E" empties it, "A" adds the keys of `list`, "D" deletes them, "H" makes
  // entry hidden (echo "X"), "V" visible. `list` holds hexadecimal key codes separated
  // by commas; "a=b" adds key a reported as key b.
  void SetExitKeys(std::string_view command, std::string_view list);

  bool Empty() const { return keys_.empty(); }
  bool Contains(int16_t key) const { return Result(key).has_value(); }
  // The code reported for an exit key, or nothing when the key is not in the set.
  std::optional<int16_t> Result(int16_t key) const;
  // 0 when values are shown, else the character shown in every position.
  int16_t HiddenEcho() const { return hidden_echo_; }
  size_t SavedLevels() const { return saved_.size(); }

 private:
  using Entry = std::pair<uint16_t, uint16_t>;  // key, reported key
  std::vector<Entry> keys_;
  std::vector<std::vector<Entry>> saved_;
  int16_t hidden_echo_ = 0;
};

// A key text as hexadecimal ("1b" = 27, "4800"); nothing when it is not one.
std::optional<uint16_t> ParseKeyText(std::string_view text);

}  // namespace orb
