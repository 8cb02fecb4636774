// The report run: walks the owners of the chosen range in code order and, for each of
// the twenty entries of an owner's property list, gathers the property and prints its
// line, then the owner's subtotal and, at the end, the grand total. PrintOneReport is
// one whole report as the driver makes it: print file opened on the session's device,
// the report printed in the report currency, the file closed, and the suite's print
// program started on it and waited for.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/session.h"
#include "format/currency.h"
#include "report/layout.h"
#include "report/print_file.h"
#include "report/report_files.h"
#include "report/report_lines.h"
#include "report/report_parameters.h"
#include "report/report_text.h"

namespace orb {

// One report over the owners FromOwnerKey..ToOwnerKey, written to the open print file.
// The observer, when given, sees each line as it is printed (see report_lines.h).
void PrintReport(ReportFiles& files, const ReportParameters& parameters,
                 ReportLayout& layout, ReportLineObserver* observer = nullptr);

// Starts the print program (Session.ExeDir + "ORBPRINT", no arguments) and waits for
// it; returns its exit code or -1 when it could not be started.
using PrintProgramStarter = std::function<int(const Session&)>;
int StartPrintProgram(const Session& session);

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
  std::string message;             // what went wrong, naming the print file
  int print_program_status = 0;    // the print program's exit code; -1: not started
};

// The driver's steps from opening the print file to the end of the print program; the
// observer, when given, sees the report's lines while the print file is written.
ReportOutcome PrintOneReport(ReportServices& services, const ReportParameters& parameters,
                             ReportLineObserver* observer = nullptr);

}  // namespace orb
