// The module's command line: no arguments runs the module; --session shows the gathered
// session and stops; --help and --version print and stop. Anything else is an error
// (exit code 2) with a message for standard error.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orb {

enum class CommandAction { kRun, kShowSession, kHelp, kVersion, kError };

struct CommandLine {
  CommandAction action = CommandAction::kRun;
  std::string error;  // for kError: what was wrong, one line
};

// The arguments after the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

void WriteUsage(std::ostream& out);
void WriteVersion(std::ostream& out);

}  // namespace orb
