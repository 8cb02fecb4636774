// The session as --session shows it: every field of the session record on a line of its
// own ("RootDir: ..."), in UTF-8 for the terminal, then the user's date and number
// separators from Vora.ini. Directories that cannot be used on this host (missing, or
// written with a drive prefix) are pointed out on their line.
#pragma once

#include <ostream>

#include "core/session.h"

namespace orb {

void WriteSessionReport(const Session& session, std::ostream& out);

}  // namespace orb
