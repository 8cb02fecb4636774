#include "app/key_test_command.h"

#include "platform/terminal/terminal_console.h"
#include "ui/key_test.h"

namespace orb {

int RunKeyTestCommand(std::ostream& err) {
  std::string error;
  std::unique_ptr<TerminalConsole> console = TerminalConsole::Open(error);
  if (console == nullptr) {
    err << "rptcarry: " << error << "\n";
    return 1;
  }
  RunKeyTest(*console);
  return 0;
}

}  // namespace orb
