// rptcarry --keytest: the key test screen on this terminal, for checking that a
// terminal's keys reach the program with the codes the forms expect.
#pragma once

#include <ostream>

namespace orb {

// Runs the key test on the terminal; 0 when it ended with Escape twice, 1 (with the
// reason on err) when the terminal could not be used.
int RunKeyTestCommand(std::ostream& err);

}  // namespace orb
