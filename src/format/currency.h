// Currency: which currency amounts are held in (primary), an alternative display
// currency (secondary) and the one amounts are shown in now (current). Letters are
// upper case; only "P" shows converted, at 166.386 units per unit of the primary.
#pragma once

#include <string_view>

namespace orb {

class Currency {
 public:
  static constexpr double kPRate = 166.386;

  // "a,X" makes X (default "E") the primary and current currency; "b,X" sets the
  // secondary (default the primary); "p..." shows the secondary (or the primary when
  // there is none); anything else shows the primary.
  void SetCurrency(std::string_view spec);

  char Primary() const { return primary_; }
  char Secondary() const { return secondary_; }
  char Current() const { return current_; }

 private:
  char primary_ = 0;  // 0: not set
  char secondary_ = 0;
  char current_ = 0;
};

}  // namespace orb
