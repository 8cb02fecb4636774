// The report run: walks the owners of the chosen range in code order and, for each of
// the twenty entries of an owner's property list, gathers the property and prints its
// line, then the owner's subtotal and, at the end, the grand total. A read that fails
// (anything but a record or a normal end, see report_reads.h) stops the walk there:
// the report is then unfinished and gets no grand total. PrintOneReport is one whole
// report as the driver makes it: print file opened on the session's device, the report
// printed in the report currency, the file closed, and the suite's print program
// started on it and waited for, but only when the report was finished and its file
// written whole.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/session.h"
#include "format/currency.h"
#include "report/layout.h"
#include "report/print_file.h"
#include "report/report_files.h"
#include "report/report_lines.h"
#include "report/report_parameters.h"
#include "report/report_reads.h"
#include "report/report_text.h"

namespace orb {

// One report over the owners FromOwnerKey..ToOwnerKey, written to the open print file.
// The observer, when given, sees each line as it is printed (see report_lines.h).
// Returns the read that failed, if one did: the walk stopped there.
std::optional<ReadFailure> PrintReport(ReportFiles& files, const ReportParameters& parameters,
                                       ReportLayout& layout,
                                       ReportLineObserver* observer = nullptr);

// What became of the print program.
struct PrintProgramRun {
  int status = -1;      // its exit code; -1: it could not be started
  std::string reason;   // why it could not be started, in the system's words
  std::string outcome;  // its last word on the report (see print_outcome.h), or empty
};

// The print program as the module names it: Session.ExeDir + "ORBPRINT".
std::string PrintProgramName(const Session& session);

// Starts the print program with no arguments and waits for it; its outcome file is
// removed before and read after.
using PrintProgramStarter = std::function<PrintProgramRun(const Session&)>;
PrintProgramRun StartPrintProgram(const Session& session);

// What one report needs from the program.
struct ReportServices {
  const Session& session;
  ReportFiles& files;
  PrintFile& print;
  Currency& currency;
  const ReportText& text;
  PrintProgramStarter start_print_program;  // empty: no print program
};

struct ReportOutcome {
  bool print_file_written = true;  // false: the print file could not be created or written
  std::string message;             // what went wrong, naming the print file and why
  std::string reason;              // why, in the system's words
  // The read that stopped the walk: the report was not finished.
  std::optional<ReadFailure> read_failure;
  std::string read_message;  // what went wrong, naming the data file and why
  bool print_program_started = false;  // asked for and tried (the report was whole)
  PrintProgramRun print_program;

  // The report reached its end and its print file was written whole.
  bool Whole() const { return print_file_written && !read_failure; }
};

// The driver's steps from opening the print file to the end of the print program; the
// observer, when given, sees the report's lines while the print file is written.
ReportOutcome PrintOneReport(ReportServices& services, const ReportParameters& parameters,
                             ReportLineObserver* observer = nullptr);

}  // namespace orb
