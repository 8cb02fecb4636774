// Program: the module from start to end. It owns the session and the state of every
// subsystem, hands them to each other by reference, and runs the fixed sequence once:
// gather the session, choose the currency, make the installation root the current
// directory, set the module name, check the work directory, load the form, open the
// report files, run the report until the operator leaves it, close everything.
// Exit codes: 0 when the operator left the form, 1 when the terminal or the work
// directory cannot be used, 3 when the form file cannot be used, 128 + the signal
// number when SIGINT, SIGTERM, SIGHUP or SIGQUIT ended the run (its work files removed).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "app/report_driver.h"
#include "core/session.h"
#include "app/session_init.h"
#include "format/currency.h"
#include "platform/console.h"

namespace orb {

class Program {
 public:
  explicit Program(EnvironmentLookup environment) : environment_(std::move(environment)) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Start-up, up to the point where the module's own files are read.
  void StartUp();
  // The whole run on the terminal; the exit code of the process. A work directory or
  // a terminal that cannot be used and a form file that cannot be read are told on err.
  int Run(std::ostream& err);
  // The whole run over a console: the cursor switched off, start-up, the work
  // directory checked, then the screen run (form, report files, the selection form
  // until Escape, files closed). Messages for the error stream (a work directory or a
  // form file that cannot be used) are returned in `message`.
  int RunOnConsole(Console& console, TerminalHooks& terminal, std::string& message);

  const Session& session() const { return session_; }
  const Currency& currency() const { return currency_; }
  const std::string& ModuleName() const { return module_name_; }
  Catalogue& catalogue() { return catalogue_; }

 private:
  // The screen run once the session is gathered and the work directory checked.
  int RunScreen(Console& console, TerminalHooks& terminal, std::string& message);

  EnvironmentLookup environment_;
  Session session_;
  Currency currency_;
  std::string module_name_;
  Catalogue catalogue_{session_};
};

// The process entry, given its arguments (without the program name) and its environment:
// dispatches the command line, runs the program, and returns the exit code.
int Main(const std::vector<std::string>& arguments, const EnvironmentLookup& environment,
         std::ostream& out, std::ostream& err);

}  // namespace orb
