// Print outcome: what the print program says became of a report. After it has read the
// print file a module left in the work directory, the print program leaves its last
// word in TempDir + "orbprint.msg": one line, code page 850, ending with CR LF, already in
// the session's language ("2 pàgines escrites a /srv/informes/r.pdf", "no es pot
// escriure ..."). The module removes the file before it starts the print program and
// reads it once the program has ended, so a stale word is never taken for a new one.
#pragma once

#include <string>
#include <string_view>

#include "core/session.h"

namespace orb {

inline constexpr char kPrintOutcomeName[] = "orbprint.msg";

// The longest outcome read back; the rest is left unread.
inline constexpr size_t kMaxPrintOutcomeBytes = 1024;

std::string PrintOutcomeFileName(const Session& session);

// Writes the outcome (control bytes become blanks); false when it cannot be written.
bool WritePrintOutcome(const Session& session, std::string_view text);

// The outcome left since the last removal: its first line, control bytes as blanks,
// trailing blanks removed; empty when there is none.
std::string ReadPrintOutcome(const Session& session);

void RemovePrintOutcome(const Session& session);

}  // namespace orb
