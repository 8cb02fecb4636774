#include "app/program.h"

#include "app/batch.h"
#include "app/command_line.h"
#include "app/session_report.h"
#include "platform/clock.h"
#include "platform/host_path.h"
#include "report/report.h"

namespace orb {

void Program::StartUp() {
  // The console's text cursor is switched off here once the console exists.
  session_ = InitSession(environment_);
  currency_.SetCurrency("a,E");
  // An empty root leaves the current directory as it is; the module's own files are
  // named with the root in front in any case, so a failure here changes nothing else.
  if (!session_.RootDir.empty()) ChangeDirectory(session_.RootDir);
  module_name_ = kModuleName;
}

int Program::Run() {
  StartUp();
  // Then, in this order, as each part arrives:
  //   load the form definition (RootDir + "FORMS\" + module name + ".OPN");
  //   open the five report files and read the rates;
  //   run the report: the selection form until the operator presses Escape;
  //   close the report files and reset the data files.
  return 0;
}

int Program::RunOnConsole(Console& console, TerminalHooks& terminal, std::string& message) {
  console.SetCursorShape(0);
  StartUp();
  SystemClock clock;
  ScreenRunServices services{console,   terminal, session_, currency_, catalogue_,
                             clock,     module_name_, StartPrintProgram};
  ScreenRunResult result = RunScreenReport(services);
  message = result.message;
  return result.exit_code;
}

int Main(const std::vector<std::string>& arguments, const EnvironmentLookup& environment,
         std::ostream& out, std::ostream& err) {
  // A month-end report from a script: --date, --from, --to (see batch.h).
  if (const auto batch = RunBatchFromArguments(arguments, environment, err)) return *batch;
  const CommandLine command = ParseCommandLine(arguments);
  switch (command.action) {
    case CommandAction::kError:
      err << "rptcarry: " << command.error << "\nTry 'rptcarry --help'.\n";
      return 2;
    case CommandAction::kHelp:
      WriteUsage(out);
      return 0;
    case CommandAction::kVersion:
      WriteVersion(out);
      return 0;
    case CommandAction::kShowSession: {
      Program program(environment);
      program.StartUp();
      WriteSessionReport(program.session(), out);
      return 0;
    }
    case CommandAction::kRun:
      break;
  }
  Program program(environment);
  return program.Run();
}

}  // namespace orb
