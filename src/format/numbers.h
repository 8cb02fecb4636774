// Numbers through picture masks: a mask is a text of the field's width in which each
// character says what its position shows (see FormatNumber). Amounts, held in hundredths
// of the primary currency, are shown through a compact description and the currency in
// force. Separators come from the user settings.
#pragma once

#include <string>
#include <string_view>

#include "format/currency.h"
#include "format/user_settings.h"

namespace orb {

// Mask characters: 9 a digit ("0" when none); Z or z a digit (blank when none); * a
// digit ("*" when none); . the decimal point; , a thousands separator; - a sign ("-" or
// blank); + a sign ("-" or "+"); anything else is copied. The value is rounded to the
// digits after the point, halves to even. The result has the mask's length; a number
// too wide for the mask is shown plainly, and as "!" in every position when even its
// integer digits do not fit (also for infinities and NaN). A negative value without a
// sign position takes the first free position left of its digits.
std::string FormatNumber(std::string_view mask, double value, UserSettings& settings);

// `picture` describes the field ("ZZZ,ZZZ,ZZ9": blank fill, grouping, units always shown;
// "*" asterisk fill; "." and 9s after it: decimals; "-" or "+": a sign, leading when it
// comes first). `amount` is in hundredths of the primary currency; it is shown in the
// current currency with two decimals, or converted when the current one is "P".
std::string FormatAmount(std::string_view picture, double amount, const Currency& currency,
                         UserSettings& settings);

// True when the typed text is not a number the mask can take: only digits and spaces,
// one leading sign when the mask has a sign position, one point when the mask has one.
bool IsBadNumber(std::string_view text, std::string_view mask);

}  // namespace orb
