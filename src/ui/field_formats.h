// FieldFormats: how the form shows and checks its date and number fields: a typed date
// shown in the operator's numeric form, the session date in the compact form that
// pre-fills blank dates, and the checks of typed dates and numbers. It bundles the
// clock (for the century of two-digit years), the user's settings and the language.
#pragma once

#include <string>
#include <string_view>

#include "core/session.h"
#include "format/user_settings.h"
#include "platform/clock.h"

namespace orb {

class FieldFormats {
 public:
  FieldFormats(const Session& session, const Clock& clock, UserSettings& settings)
      : session_(session), clock_(clock), settings_(settings) {}

  // The typed text read as a date and shown in the numeric form (10 characters).
  std::string DisplayDate(std::string_view typed);
  // The session's working date as day, month and year digits.
  std::string WorkDateText();
  bool IsBadDate(std::string_view typed);
  bool IsBadNumber(std::string_view typed);
  // The packed date of a typed text.
  std::string ParseDate(std::string_view typed);

 private:
  const Session& session_;
  const Clock& clock_;
  UserSettings& settings_;
};

}  // namespace orb
