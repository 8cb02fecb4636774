#include "app/program.h"

#include "app/batch.h"
#include "app/command_line.h"
#include "app/session_report.h"
#include "app/work_files.h"
#include "platform/clock.h"
#include "platform/cp850.h"
#include "platform/end_signals.h"
#include "platform/host_path.h"
#include "platform/terminal/terminal_console.h"
#include "platform/terminal/terminal_guard.h"
#include "report/report.h"

namespace orb {

void Program::StartUp() {
  // RunOnConsole switches the text cursor off before this.
  session_ = InitSession(environment_);
  currency_.SetCurrency("a,E");
  // An empty root leaves the current directory as it is; the module's own files are
  // named with the root in front in any case, so a failure here changes nothing else.
  if (!session_.RootDir.empty()) ChangeDirectory(session_.RootDir);
  module_name_ = kModuleName;
}

namespace {

// Exit code of a run whose terminal or work directory cannot be used.
constexpr int kUnusableExit = 1;

// The terminal console as the screen run reaches it beyond the console operations.
class TerminalConsoleHooks : public TerminalHooks {
 public:
  explicit TerminalConsoleHooks(TerminalConsole& console) : console_(console) {}
  void WriteRaw(std::string_view bytes) override { console_.WriteRaw(bytes); }
  void Suspend() override { console_.Suspend(); }
  void Resume() override { console_.Resume(); }

 private:
  TerminalConsole& console_;
};

}  // namespace

int Program::Run(std::ostream& err) {
  StartUp();
  std::string message;
  // Said before the terminal is taken, so that it stays on the screen.
  if (!CheckWorkDirectory(session_, message)) {
    err << "rptcarry: " << message << "\n";
    return kUnusableExit;
  }
  std::unique_ptr<TerminalConsole> console = TerminalConsole::Open(message);
  if (console == nullptr) {
    err << "rptcarry: " << message << "\n";
    return kUnusableExit;
  }
  int exit_code;
  {
    // A signal that ends the run removes its work files and gives the terminal back.
    // Stale ones go first, so that the names armed are the ones this run creates.
    RemoveScreenRunWorkFiles(session_);
    EndSignalScope end_signals(ScreenRunWorkFiles(session_), RestoreTerminalAndDisarm);
    TerminalConsoleHooks hooks(*console);
    console->SetCursorShape(0);
    exit_code = RunScreen(*console, hooks, message);
  }
  console.reset();  // the terminal as it was, before anything is said on it
  if (!message.empty()) err << cp850::ToUtf8(message) << "\n";
  return exit_code;
}

int Program::RunOnConsole(Console& console, TerminalHooks& terminal, std::string& message) {
  console.SetCursorShape(0);
  StartUp();
  if (!CheckWorkDirectory(session_, message)) {
    message = "rptcarry: " + cp850::FromUtf8(message);
    return kUnusableExit;
  }
  return RunScreen(console, terminal, message);
}

int Program::RunScreen(Console& console, TerminalHooks& terminal, std::string& message) {
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
  return program.Run(err);
}

}  // namespace orb
