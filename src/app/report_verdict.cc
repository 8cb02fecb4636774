#include "app/report_verdict.h"

#include "data/status_cause.h"
#include "platform/cp850.h"
#include "platform/host_path.h"
#include "report/print_file.h"

namespace orb {
namespace {

constexpr char kPrintFileFailed[] = "NO S'HA POGUT ESCRIURE EL FITXER D'IMPRESSI\xe0 ";
constexpr char kPrintProgramNotStarted[] = "NO ES POT ENGEGAR EL PROGRAMA D'IMPRESSI\xe0 ";
constexpr char kPrintProgramFailed[] = "EL PROGRAMA D'IMPRESSI\xe0 HA FALLAT (ESTAT ";
constexpr char kNoProgramDirectory[] = "LA VARIABLE ORBEXE \x90S BUIDA";
constexpr char kDataFileUnread[] = "NO S'HA POGUT LLEGIR EL FITXER ";
constexpr char kReportUnfinished[] = "L'INFORME NO S'HA ACABAT I NO S'HA IMPR\xd4S";

// A suite file name as this host shows it, in code page 850.
std::string Shown(const std::string& suite_name) {
  const auto path = HostPath(suite_name);
  return path ? cp850::FromUtf8(*path) : suite_name;
}

// The read that stopped the walk: the data file, its status and what that means.
std::string UnfinishedReportText(const ReadFailure& failure, Catalogue& catalogue) {
  std::string text = catalogue.Translate(kDataFileUnread) + failure.file + " (" +
                     std::to_string(failure.status) + ")";
  if (const std::string cause = CauseText(failure.status, catalogue); !cause.empty()) {
    text += ": " + cause;
  }
  return text + ". " + catalogue.Translate(kReportUnfinished);
}

}  // namespace

ReportVerdict JudgeReport(const ReportOutcome& outcome, const Session& session,
                          Catalogue& catalogue) {
  if (outcome.read_failure) return {false, UnfinishedReportText(*outcome.read_failure, catalogue)};
  if (!outcome.print_file_written) {
    return {false, catalogue.Translate(kPrintFileFailed) +
                       Shown(session.TempDir + kPrintFileName) + ": " +
                       cp850::FromUtf8(outcome.reason)};
  }
  if (!outcome.print_program_started) return {true, ""};

  const PrintProgramRun& run = outcome.print_program;
  const std::string program = Shown(PrintProgramName(session));
  if (run.status < 0) {
    std::string text = catalogue.Translate(kPrintProgramNotStarted) + program + ": " +
                       cp850::FromUtf8(run.reason);
    if (session.ExeDir.empty()) text += " (" + catalogue.Translate(kNoProgramDirectory) + ")";
    return {false, text};
  }
  if (run.status != 0) {
    return {false, catalogue.Translate(kPrintProgramFailed) + std::to_string(run.status) +
                       "): " + (run.outcome.empty() ? program : run.outcome)};
  }
  return {true, run.outcome};
}

}  // namespace orb
