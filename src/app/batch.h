// Batch entry: one report from the command line, for month-end scripts:
//   rptcarry --date D --from A --to B [--no-print-program]
//            [--statements DIR] [--export FILE] [--mail CONTACTS.csv [--resend]]
// The three texts are taken as an operator types them into the selection form and get
// the form's checks (a real date; codes of digits and blanks only; a first owner not
// above the last). A refused selection is told on the error stream with exit code 2.
// Otherwise one report is printed and, unless --no-print-program is given, the print
// program is started on it and waited for, as after a report chosen on the form. The
// statements, the export and the mailing are made from the same walk over the owners.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"
#include "app/session_init.h"
#include "platform/clock.h"
#include "report/report_parameters.h"

namespace orb {

struct BatchRequest {
  std::string Date;   // as typed; blank: the session's working date, as on the form
  std::string From;
  std::string To;
  bool StartPrintProgram = true;
  // Month-end outputs beside the report (see delivery/month_end.h).
  std::string Statements;  // --statements DIR
  std::string Export;      // --export FILE.csv | FILE.xlsx
  std::string Mail;        // --mail CONTACTS.csv
  bool Resend = false;     // --resend
  std::string Sendmail;    // ORBSENDMAIL
};

enum class BatchArguments { kNone, kBatch, kError };

// Finds the batch options among the program's arguments (argv without the program
// name). kNone when none is present; kError (with the reason in `error`) when one is
// present without its value, repeated, unknown, or when --date, --from or --to is missing.
BatchArguments ParseBatchArguments(const std::vector<std::string>& arguments,
                                   BatchRequest& request, std::string& error);

// The report parameters for the typed texts, checked as the form checks them; false
// with the reason (naming the field) when the selection is refused.
bool BatchParameters(const BatchRequest& request, const Session& session,
                     const Clock& clock, ReportParameters& parameters, std::string& error);

// Exit codes of the batch entry.
enum BatchExit : int { kBatchOk = 0, kBatchFailed = 1, kBatchRefused = 2 };

// Checks the selection, prints the report and starts the print program. Messages go
// to `err`. Returns a BatchExit code.
int RunBatchReport(const Session& session, const BatchRequest& request, const Clock& clock,
                   std::ostream& err);

// For the program's start: when the arguments (without the program name) hold batch
// options, gathers the session from the environment, runs the batch report and returns
// its exit code (2 as well for misused options); nothing when there is no batch option.
std::optional<int> RunBatchFromArguments(const std::vector<std::string>& arguments,
                                         const EnvironmentLookup& environment,
                                         std::ostream& err);

}  // namespace orb
