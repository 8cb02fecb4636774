#include "format/currency.h"

namespace orb {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

void Currency::SetCurrency(std::string_view spec) {
  const size_t comma = spec.find(',');
  if (comma != std::string_view::npos) {
    char x = 0;
    for (char c : spec.substr(comma + 1)) {
      if (c != ' ') {
        x = Upper(c);
        break;
      }
    }
    if (!spec.empty() && Upper(spec.front()) == 'A') {
      primary_ = x != 0 ? x : 'E';
      current_ = primary_;
    } else {
      secondary_ = x != 0 ? x : primary_;
    }
    return;
  }
  if (!spec.empty() && Upper(spec.front()) == 'P') {
    current_ = secondary_ != 0 ? secondary_ : primary_;
  } else {
    current_ = primary_;
  }
}

}  // namespace orb
