// StatusCause: what a status of the record manager or of the data layer means, in words,
// for every message that shows one: English for the error stream and the data tool, and
// the Catalan catalogue key (code page 850) that the catalogue gives in the session's
// language on the screen. A status that says no more than its number has no words.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/catalogue.h"

namespace orb {

struct StatusCause {
  std::string_view english;
  std::string_view catalan;
};
StatusCause CauseOf(int16_t status);

// The cause in the session's language, or empty when the status has no words.
std::string CauseText(int16_t status, Catalogue& catalogue);

}  // namespace orb
