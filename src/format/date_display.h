// FormatDate: a packed date (see dates.h) as the operator reads it, in the order and
// with the separator of the user settings, and in words in the session's language.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "format/user_settings.h"

namespace orb {

// `mode` -1: ISO AAAA-MM-DD (0000-00-00 for no date), whatever the rest says.
// `mode` 0: the numeric form, components joined by DatCaracter in DatOrdre order,
//   padded or cut to a fixed width (10 for "dma").
// `mode` 1: as 0 with the month's first three letters (11 for "dma").
// `mode` 2 and above: in words ("5 d'abril del 2024"), not padded.
// `parts` names the components shown with the letters D, M and A in any case.
// `language` is Session.Language: "SPA", "GLG" or "OCI", anything else is Catalan.
// A date without day and month is blank (modes 0 and 1) or empty (mode 2).
std::string FormatDate(std::string_view date, int16_t mode, std::string_view parts,
                       UserSettings& settings, std::string_view language);

}  // namespace orb
