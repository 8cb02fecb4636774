// Feeding a program: starts a program found on the PATH with the given arguments (no
// command interpreter), writes a text to its standard input and waits for it to end.
// The program shares this process's terminal for its output. Used by the print program
// to hand a report to a pager or a printer queue.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

// The program's exit status (128 + signal number when it was killed), or nothing when it
// could not be started. A program that stops reading early (a pager left with "q") is not
// an error: the rest of the input is dropped.
std::optional<int> RunWithInput(const std::vector<std::string>& argv, std::string_view input);

// The path of a program to run: a name with a slash as it stands, any other name
// looked for in the directories of PATH; nothing when no executable file is found.
std::optional<std::string> FindProgram(std::string_view name);

// True when standard output is a terminal.
bool StdoutIsTerminal();

}  // namespace orb
