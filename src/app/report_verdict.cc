#include "app/report_verdict.h"

#include "platform/cp850.h"
#include "platform/host_path.h"
#include "report/print_file.h"

namespace orb {
namespace {

constexpr char kPrintFileFailed[] = "NO S'HA POGUT ESCRIURE EL FITXER D'IMPRESSI\xe0 ";
constexpr char kPrintProgramNotStarted[] = "NO ES POT ENGEGAR EL PROGRAMA D'IMPRESSI\xe0 ";
constexpr char kPrintProgramFailed[] = "EL PROGRAMA D'IMPRESSI\xe0 HA FALLAT (ESTAT ";
constexpr char kNoProgramDirectory[] = "LA VARIABLE ORBEXE \x90S BUIDA";

// A suite file name as this host shows it, in code page 850.
std::string Shown(const std::string& suite_name) {
  const auto path = HostPath(suite_name);
  return path ? cp850::FromUtf8(*path) : suite_name;
}

}  // namespace

ReportVerdict JudgeReport(const ReportOutcome& outcome, const Session& session,
                          Catalogue& catalogue) {
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
