// The module's interactive run over a console: the screen subsystems (colours, window
// stack, keys, field editor, form engine) built once, the form loaded, the report files
// opened, then the driver loop: the selection form until the operator leaves it with
// Escape, a report for every confirmed selection, and the files closed at the end.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/catalogue.h"
#include "core/session.h"
#include "data/file_table.h"
#include "format/currency.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "report/report.h"

namespace orb {

// What the run needs of the real terminal beyond the console operations.
class TerminalHooks {
 public:
  virtual ~TerminalHooks() = default;
  // Bytes written to the terminal as they are (the clipboard's escape sequence).
  virtual void WriteRaw(std::string_view /*bytes*/) {}
  // Around the print program: the terminal is given to it and taken back (redrawn).
  virtual void Suspend() {}
  virtual void Resume() {}
};

struct ScreenRunServices {
  Console& console;
  TerminalHooks& terminal;
  const Session& session;  // gathered already
  Currency& currency;
  Catalogue& catalogue;
  const Clock& clock;
  std::string module_name;
  // Starts the print program and waits for it; empty: none is started.
  PrintProgramStarter start_print_program;
  // The record manager the data files are read through; null: the program's own.
  RecordManager* records = nullptr;
};

struct ScreenRunResult {
  int exit_code = 0;
  std::string message;  // for the error stream once the terminal is restored
};

// LoadForm, OpenReportFiles, RunReport and CloseReportFiles over the console. The work
// files a killed run may have left are removed first, so the window stack starts empty.
// After each report the operator is told what became of it (where the print program
// sent it, or why it was not printed) in a box that a key closes; a print file that was
// not written whole is never handed to the print program. A form file that cannot be
// used gives a non-zero exit code and a message naming the file and line; a data file
// that cannot be opened ends the run (exit code 0) after its message. A report that a
// failed read stopped is never printed: the box names the data file and the cause, and
// the form comes back.
ScreenRunResult RunScreenReport(ScreenRunServices& services);

}  // namespace orb
