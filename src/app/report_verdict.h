// Report verdict: what the operator (on the form) or the script (on the error stream)
// is told once a report has been made, in the session's language: the data file whose
// read stopped the report (its status and the cause in words), the print file that
// could not be written whole, the print program that could not be started or that
// failed, or the print program's own word on where the report went.
#pragma once

#include <string>

#include "core/catalogue.h"
#include "core/session.h"
#include "report/report.h"

namespace orb {

struct ReportVerdict {
  // The report reached its device; with no print program asked for, its print file
  // was written whole.
  bool printed = false;
  // What to tell (code page 850); empty when there is nothing to say (a report shown
  // on the screen has told itself).
  std::string text;
};

ReportVerdict JudgeReport(const ReportOutcome& outcome, const Session& session,
                          Catalogue& catalogue);

}  // namespace orb
