// Batch entry: one report from the command line, for month-end scripts:
//   rptcarry --date D --from A --to B [--no-print-program] [--wait SECONDS]
//            [--statements DIR] [--export FILE] [--mail CONTACTS.csv [--resend]]
// The three texts are taken as an operator types them into the selection form and get
// the form's checks (no longer than the form's fields; a real date; codes of digits and
// blanks only; a first owner not above the last). A refused selection is told on the
// error stream with exit code 2. Otherwise one report is printed and, unless
// --no-print-program is given, the print program is started on it and waited for, as
// after a report chosen on the form. Exit code 0 means the report was printed (or, with
// --no-print-program, its print file written whole); every other outcome is told on the
// error stream with the code of BatchExit. The statements, the export and the mailing
// are made from the same walk over the owners as the print file.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "core/session.h"
#include "app/session_init.h"
#include "data/file_table.h"
#include "platform/clock.h"
#include "report/report_parameters.h"
#include "ui/form_table.h"

namespace orb {

// How long a batch run waits, by default, for a data file another program holds.
inline constexpr int32_t kDefaultBatchWaitSeconds = 60;
inline constexpr int32_t kMaxBatchWaitSeconds = 86400;

struct BatchRequest {
  std::string Date;   // as typed; blank: the session's working date, as on the form
  std::string From;
  std::string To;
  bool StartPrintProgram = true;
  int32_t WaitSeconds = kDefaultBatchWaitSeconds;  // for a file held by another program
  // Month-end outputs beside the report (see delivery/month_end.h).
  std::string Statements{};  // --statements DIR
  std::string Export{};      // --export FILE.csv | FILE.xlsx
  std::string Mail{};        // --mail CONTACTS.csv
  bool Resend = false;       // --resend
  std::string Sendmail{};    // ORBSENDMAIL
};

enum class BatchArguments { kNone, kBatch, kError };

// Finds the batch options among the program's arguments (argv without the program
// name). kNone when none is present; kError (with the reason in `error`) when one is
// present without its value or with a value it cannot take, repeated, beside an
// argument that is not a batch option, or when --date, --from or --to is missing.
BatchArguments ParseBatchArguments(const std::vector<std::string>& arguments,
                                   BatchRequest& request, std::string& error);

// False with the reason (naming the field) when a typed text is longer than the
// selection form's field (window 1, fields 1 to 3) could hold; blanks after the text
// are not counted, as the form does not keep them.
bool FitsSelectionFields(const BatchRequest& request, const FormTable& form,
                         std::string& error);

// The report parameters for the typed texts, checked as the form checks them; false
// with the reason (naming the field) when the selection is refused.
bool BatchParameters(const BatchRequest& request, const Session& session,
                     const Clock& clock, ReportParameters& parameters, std::string& error);

// Exit codes of the batch entry (a signal that ends it gives 128 + its number).
enum BatchExit : int {
  kBatchOk = 0,          // printed
  kBatchFailed = 1,      // the work directory, a data file or the print file unusable;
                         // a statement, the export or a mail not made
  kBatchRefused = 2,     // the options or the selection refused
  kBatchBadForm = 3,     // the form file cannot be used
  kBatchNotPrinted = 4,  // the print program could not be started or failed
  kBatchFileBusy = 5,    // a data file stayed held by another program past --wait, or
                         // a read of the report found a file or record held
};

// Loads the form for its field lengths, checks the selection, prints the report and
// starts the print program. Messages go to `err`. Returns a BatchExit code. A read
// that fails stops the report: nothing is printed or sent, and the message names the
// data file and the cause. `records`: the record manager the data files are read
// through; null: the program's own.
int RunBatchReport(const Session& session, const BatchRequest& request, const Clock& clock,
                   std::ostream& err, RecordManager* records = nullptr);

// For the program's start: when the arguments (without the program name) hold batch
// options, gathers the session from the environment, checks the work directory, runs
// the batch report and returns its exit code (2 as well for misused options); nothing
// when there is no batch option.
std::optional<int> RunBatchFromArguments(const std::vector<std::string>& arguments,
                                         const EnvironmentLookup& environment,
                                         std::ostream& err);

}  // namespace orb
