#include "app/batch.h"

#include <ostream>

#include "app/data_file_table.h"
#include "app/report_verdict.h"
#include "app/session_init.h"
#include "app/work_files.h"
#include "core/catalogue.h"
#include "delivery/month_end.h"
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
#include "ui/form_loader.h"

namespace orb {
namespace {

constexpr char kBatchUsage[] =
    "usage: rptcarry --date DD/MM/YYYY --from CODE --to CODE [--no-print-program]"
    " [--wait SECONDS]\n"
    "         [--statements DIR] [--export FILE.csv|FILE.xlsx]"
    " [--mail CONTACTS.csv [--resend]]\n";

// The data layer's messages on the error stream: no screen, no keyboard. A file that
// cannot be opened is remembered so that the run ends with a failure; a file held by
// another program is waited for up to the request's limit, and said so once.
class BatchDataMessages : public DataMessages {
 public:
  BatchDataMessages(std::ostream& err, int32_t wait_seconds)
      : err_(err), wait_limit_ms_(wait_seconds * 1000) {}
  void ShowMessage(int16_t, const std::string& text) override {
    err_ << "rptcarry: " << cp850::ToUtf8(text) << "\n";
  }
  void HideMessage() override {}
  void Beep() override {}
  void WaitForKey() override {}
  void EndProgram() override { failed_ = true; }
  void Sleep(int32_t milliseconds) override { SleepMilliseconds(milliseconds); }
  bool KeepWaiting(const std::string& name, int32_t waited_ms) override {
    const std::string shown = cp850::ToUtf8(name);
    if (waited_ms >= wait_limit_ms_) {
      err_ << "rptcarry: " << shown << " is held by another program; gave up waiting after "
           << waited_ms / 1000 << " s (--wait " << wait_limit_ms_ / 1000 << ")\n";
      gave_up_ = true;
      return false;
    }
    if (waited_ms == 0) {
      err_ << "rptcarry: " << shown << " is held by another program; waiting up to "
           << wait_limit_ms_ / 1000 << " s\n";
    }
    return true;
  }
  void FileCreated(const std::string& name) override {
    err_ << "rptcarry: " << cp850::ToUtf8(name)
         << " was missing and has been created empty from its dictionary\n";
  }
  bool Failed() const { return failed_; }
  bool GaveUp() const { return gave_up_; }

 private:
  std::ostream& err_;
  const int32_t wait_limit_ms_;
  bool failed_ = false;
  bool gave_up_ = false;
};

// A report stopped by a file or record that another program holds.
bool IsHeldStatus(const ReportOutcome& outcome) {
  if (!outcome.read_failure) return false;
  const int16_t status = outcome.read_failure->status;
  return status == kBtrRecordInUse || status == kBtrFileInUse;
}

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

// The batch options, one row each: the name, whether a value follows, and how it is
// stored (false, with the reason, for a value the option cannot take).
struct BatchOption {
  const char* name;
  bool takes_value;
  bool required;
  bool (*store)(BatchRequest& request, const std::string& value, std::string& error);
};

bool StoreSeconds(BatchRequest& request, const std::string& value, std::string& error) {
  int64_t seconds = 0;
  bool digits = !value.empty() && value.size() <= 9;
  for (char c : value) {
    digits = digits && c >= '0' && c <= '9';
    if (digits) seconds = seconds * 10 + (c - '0');
  }
  if (!digits || seconds > kMaxBatchWaitSeconds) {
    error = "--wait: \"" + value + "\" is not a number of seconds from 0 to " +
            std::to_string(kMaxBatchWaitSeconds);
    return false;
  }
  request.WaitSeconds = static_cast<int32_t>(seconds);
  return true;
}

// A file or directory name for the month-end outputs: not blank.
bool StoreName(std::string& to, const char* option, const std::string& value,
               std::string& error) {
  if (IsBlank(value)) {
    error = std::string(option) + " needs a name that is not blank";
    return false;
  }
  to = cp850::FromUtf8(value);
  return true;
}

const BatchOption kBatchOptions[] = {
    {"--date", true, true,
     [](BatchRequest& r, const std::string& v, std::string&) {
       r.Date = cp850::FromUtf8(v);
       return true;
     }},
    {"--from", true, true,
     [](BatchRequest& r, const std::string& v, std::string&) {
       r.From = cp850::FromUtf8(v);
       return true;
     }},
    {"--to", true, true,
     [](BatchRequest& r, const std::string& v, std::string&) {
       r.To = cp850::FromUtf8(v);
       return true;
     }},
    {"--no-print-program", false, false,
     [](BatchRequest& r, const std::string&, std::string&) {
       r.StartPrintProgram = false;
       return true;
     }},
    {"--wait", true, false, StoreSeconds},
    {"--statements", true, false,
     [](BatchRequest& r, const std::string& v, std::string& e) {
       return StoreName(r.Statements, "--statements", v, e);
     }},
    {"--export", true, false,
     [](BatchRequest& r, const std::string& v, std::string& e) {
       return StoreName(r.Export, "--export", v, e);
     }},
    {"--mail", true, false,
     [](BatchRequest& r, const std::string& v, std::string& e) {
       return StoreName(r.Mail, "--mail", v, e);
     }},
    {"--resend", false, false,
     [](BatchRequest& r, const std::string&, std::string&) {
       r.Resend = true;
       return true;
     }},
};
constexpr size_t kBatchOptionCount = sizeof kBatchOptions / sizeof kBatchOptions[0];

const BatchOption* FindBatchOption(const std::string& name) {
  for (const BatchOption& option : kBatchOptions) {
    if (name == option.name) return &option;
  }
  return nullptr;
}

// The typed text without the blanks after it, which the form does not keep.
size_t TypedLength(const std::string& text) {
  const size_t last = text.find_last_not_of(' ');
  return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

BatchArguments ParseBatchArguments(const std::vector<std::string>& arguments,
                                   BatchRequest& request, std::string& error) {
  bool any = false;
  for (const std::string& argument : arguments) any = any || FindBatchOption(argument);
  if (!any) return BatchArguments::kNone;

  bool seen[kBatchOptionCount] = {};
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    const BatchOption* option = FindBatchOption(a);
    if (option == nullptr) {
      error = (!a.empty() && a[0] == '-' ? "unknown option '" : "unexpected argument '") + a +
              "' beside the batch options";
      return BatchArguments::kError;
    }
    bool& was_seen = seen[option - kBatchOptions];
    if (was_seen) {
      error = a + " given twice";
      return BatchArguments::kError;
    }
    was_seen = true;
    std::string value;
    if (option->takes_value) {
      if (i + 1 >= arguments.size()) {
        error = a + " needs a value";
        return BatchArguments::kError;
      }
      value = arguments[++i];
    }
    if (!option->store(request, value, error)) return BatchArguments::kError;
  }
  for (size_t k = 0; k < kBatchOptionCount; ++k) {
    if (kBatchOptions[k].required && !seen[k]) {
      error = "a batch report needs --date, --from and --to";
      return BatchArguments::kError;
    }
  }
  if (!request.Mail.empty() && request.Statements.empty()) {
    error = "--mail needs --statements DIR (the statements it sends)";
    return BatchArguments::kError;
  }
  if (request.Resend && request.Mail.empty()) {
    error = "--resend goes with --mail";
    return BatchArguments::kError;
  }
  return BatchArguments::kBatch;
}

bool FitsSelectionFields(const BatchRequest& request, const FormTable& form,
                         std::string& error) {
  struct Typed {
    const std::string& text;
    int field;
    const char* what;
  };
  const Typed typed[] = {{request.Date, 1, "closing date (--date)"},
                         {request.From, 2, "first owner (--from)"},
                         {request.To, 3, "last owner (--to)"}};
  for (const Typed& t : typed) {
    const auto length = static_cast<size_t>(std::max<int16_t>(form.Field(1, t.field).Len, 0));
    if (TypedLength(t.text) > length) {
      error = std::string(t.what) + ": \"" + cp850::ToUtf8(t.text) + "\" is longer than the " +
              std::to_string(length) + " characters the form's field holds";
      return false;
    }
  }
  return true;
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
                   std::ostream& err, RecordManager* records) {
  // The form's fields say how long each typed text may be.
  FormTable form;
  const FormLoadResult loaded =
      LoadForm(session.RootDir + "FORMS\\" + kModuleName + ".OPN",
               [](const std::string& text) { return text; }, "", form);
  if (!loaded.ok) {
    err << "rptcarry: " << cp850::ToUtf8(loaded.error) << "\n";
    return kBatchBadForm;
  }
  ReportParameters parameters;
  std::string error;
  if (!FitsSelectionFields(request, form, error) ||
      !BatchParameters(request, session, clock, parameters, error)) {
    err << "rptcarry: " << error << "\n";
    return kBatchRefused;
  }

  BatchDataMessages messages(err, request.WaitSeconds);
  std::unique_ptr<FileTable> own_table = MakeFileTable(session, messages, records);
  ReportFiles files(session, *own_table);
  const int16_t open_status = files.OpenReportFiles();
  if (messages.Failed() || open_status != 0) {
    // What the data server said, when it was the server that failed.
    if (const std::string why = BtrLastServerError(); !why.empty()) {
      err << "rptcarry: " << why << "\n";
    }
    files.CloseReportFiles();
    return messages.GaveUp() ? kBatchFileBusy : kBatchFailed;
  }

  Currency currency;
  currency.SetCurrency("a,E");
  Catalogue catalogue(session);
  UserSettings settings(session.RootDir + "Vora.ini");
  SessionReportText text(session, catalogue, currency, settings);
  // The statements, the export and the mailing: checked before the report, fed by it.
  MonthEndDelivery delivery(session, text, files, parameters, clock,
                            {request.Statements, request.Export, request.Mail, request.Resend,
                             request.Sendmail});
  if (!delivery.Prepare(err)) {
    files.CloseReportFiles();
    return kBatchFailed;
  }
  PrintFile print(session);
  ReportServices services{session, files, print, currency, text, {}};
  if (request.StartPrintProgram) services.start_print_program = StartPrintProgram;
  const ReportOutcome outcome = PrintOneReport(services, parameters, delivery.Observer());
  files.CloseReportFiles();
  if (!outcome.Whole()) {
    // Not printed, and the month-end outputs do not go out either.
    if (!outcome.print_file_written) err << "rptcarry: " << cp850::ToUtf8(outcome.message) << "\n";
    if (outcome.read_failure) {
      err << "rptcarry: " << cp850::ToUtf8(outcome.read_message) << "\n";
      if (const std::string why = BtrLastServerError(); !why.empty()) {
        err << "rptcarry: " << why << "\n";
      }
    }
    delivery.Finish(false, err);
    return IsHeldStatus(outcome) ? kBatchFileBusy : kBatchFailed;
  }
  const bool delivered = delivery.Finish(true, err);
  // A report that was printed has been told by the print program itself.
  const ReportVerdict verdict = JudgeReport(outcome, session, catalogue);
  if (!verdict.printed) {
    err << "rptcarry: " << cp850::ToUtf8(verdict.text) << "\n";
    return kBatchNotPrinted;
  }
  return delivered ? kBatchOk : kBatchFailed;
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
      err << "rptcarry: " << error << "\n" << kBatchUsage;
      return kBatchRefused;
    case BatchArguments::kBatch:
      break;
  }
  request.Sendmail = environment("ORBSENDMAIL");
  const Session session = InitSession(environment);
  if (!CheckWorkDirectory(session, error)) {
    err << "rptcarry: " << error << "\n";
    return kBatchFailed;
  }
  SystemClock clock;
  return RunBatchReport(session, request, clock, err);
}

}  // namespace orb
