// ReportParameters: what the operator chose for one report, as the selection form
// leaves it: the closing date and the owner range, all packed texts. They keep their
// values between reports.
#pragma once

#include <string>

namespace orb {

struct ReportParameters {
  std::string ReportDate;    // packed date (4 bytes)
  std::string FromOwnerKey;  // packed owner code (2 bytes for codes up to four digits)
  std::string ToOwnerKey;
};

}  // namespace orb
