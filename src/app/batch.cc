#include "app/batch.h"

#include <ostream>

#include "core/catalogue.h"
#include "app/session_init.h"
#include "data/file_table.h"
#include "format/currency.h"
#include "format/dates.h"
#include "format/numbers.h"
#include "format/user_settings.h"
#include "platform/btrieve/btrieve.h"
#include "platform/cp850.h"
#include "platform/process.h"
#include "report/print_file.h"
#include "report/report.h"
#include "report/report_files.h"
#include "report/session_report_text.h"

namespace orb {
namespace {

// The data layer's messages on the error stream: no screen, no keyboard. A file that
// cannot be opened is remembered so that the run ends with a failure.
class BatchDataMessages : public DataMessages {
 public:
  explicit BatchDataMessages(std::ostream& err) : err_(err) {}
  void ShowMessage(int16_t, const std::string& text) override {
    err_ << "rptcarry: " << cp850::ToUtf8(text) << "\n";
  }
  void HideMessage() override {}
  void Beep() override {}
  void WaitForKey() override {}
  void EndProgram() override { failed_ = true; }
  void Sleep(int32_t milliseconds) override { SleepMilliseconds(milliseconds); }
  bool Failed() const { return failed_; }

 private:
  std::ostream& err_;
  bool failed_ = false;
};

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

BatchArguments ParseBatchArguments(const std::vector<std::string>& arguments,
                                   BatchRequest& request, std::string& error) {
  bool any = false;
  bool seen_date = false, seen_from = false, seen_to = false, seen_no_print = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    std::string* value = nullptr;
    bool* seen = nullptr;
    if (a == "--date") {
      value = &request.Date;
      seen = &seen_date;
    } else if (a == "--from") {
      value = &request.From;
      seen = &seen_from;
    } else if (a == "--to") {
      value = &request.To;
      seen = &seen_to;
    } else if (a == "--no-print-program") {
      if (seen_no_print) {
        error = "--no-print-program given twice";
        return BatchArguments::kError;
      }
      seen_no_print = true;
      request.StartPrintProgram = false;
      any = true;
      continue;
    } else {
      continue;  // not a batch option: left to the program's other options
    }
    any = true;
    if (*seen) {
      error = a + " given twice";
      return BatchArguments::kError;
    }
    if (i + 1 >= arguments.size()) {
      error = a + " needs a value";
      return BatchArguments::kError;
    }
    *seen = true;
    *value = cp850::FromUtf8(arguments[++i]);
  }
  if (!any) return BatchArguments::kNone;
  if (!seen_date || !seen_from || !seen_to) {
    error = "a batch report needs --date, --from and --to";
    return BatchArguments::kError;
  }
  return BatchArguments::kBatch;
}

bool BatchParameters(const BatchRequest& request, const Session& session,
                     const Clock& clock, ReportParameters& parameters, std::string& error) {
  std::string date = request.Date;
  if (IsBlank(date)) date = CompactDate(session.WorkDate, clock);
  if (IsBadDate(date, clock)) {
    error = "closing date (--date): \"" + cp850::ToUtf8(request.Date) +
            "\" is not a valid date (day/month/year)";
    return false;
  }
  if (IsBadNumber(request.From, "")) {
    error = "first owner (--from): \"" + cp850::ToUtf8(request.From) +
            "\" is not an owner code (digits only)";
    return false;
  }
  if (IsBadNumber(request.To, "")) {
    error = "last owner (--to): \"" + cp850::ToUtf8(request.To) +
            "\" is not an owner code (digits only)";
    return false;
  }
  parameters.ReportDate = ParseDate(date, clock);
  parameters.FromOwnerKey = PackDottedCode(request.From);
  parameters.ToOwnerKey = PackDottedCode(request.To);
  if (parameters.FromOwnerKey > parameters.ToOwnerKey) {
    error = "owner range: the first owner (" + cp850::ToUtf8(request.From) +
            ") is above the last (" + cp850::ToUtf8(request.To) + ")";
    return false;
  }
  return true;
}

int RunBatchReport(const Session& session, const BatchRequest& request, const Clock& clock,
                   std::ostream& err) {
  ReportParameters parameters;
  std::string error;
  if (!BatchParameters(request, session, clock, parameters, error)) {
    err << "rptcarry: " << error << "\n";
    return kBatchRefused;
  }

  BatchDataMessages messages(err);
  FileTable table(session, messages);
  ReportFiles files(session, table);
  const int16_t open_status = files.OpenReportFiles();
  if (messages.Failed() || open_status != 0) {
    // What the data server said, when it was the server that failed.
    if (const std::string why = BtrLastServerError(); !why.empty()) {
      err << "rptcarry: " << why << "\n";
    }
    files.CloseReportFiles();
    return kBatchFailed;
  }

  Currency currency;
  currency.SetCurrency("a,E");
  Catalogue catalogue(session);
  UserSettings settings(session.RootDir + "Vora.ini");
  SessionReportText text(session, catalogue, currency, settings);
  PrintFile print(session);
  ReportServices services{session, files, print, currency, text, {}};
  if (request.StartPrintProgram) services.start_print_program = StartPrintProgram;
  const ReportOutcome outcome = PrintOneReport(services, parameters);
  files.CloseReportFiles();
  if (!outcome.print_file_written) {
    err << "rptcarry: " << cp850::ToUtf8(outcome.message) << "\n";
    return kBatchFailed;
  }
  return kBatchOk;
}

std::optional<int> RunBatchFromArguments(const std::vector<std::string>& arguments,
                                         const EnvironmentLookup& environment,
                                         std::ostream& err) {
  BatchRequest request;
  std::string error;
  switch (ParseBatchArguments(arguments, request, error)) {
    case BatchArguments::kNone:
      return std::nullopt;
    case BatchArguments::kError:
      err << "rptcarry: " << error << "\n"
                << "usage: rptcarry --date DD/MM/YYYY --from CODE --to CODE"
                   " [--no-print-program]\n";
      return kBatchRefused;
    case BatchArguments::kBatch:
      break;
  }
  const Session session = InitSession(environment);
  SystemClock clock;
  return RunBatchReport(session, request, clock, err);
}

}  // namespace orb
