// Work files: the work directory (Session.TempDir) that every run writes in, and the
// work files that belong to one screen run only (the window stack's WinPush.tmp and the
// browse list's Browse.tmp). A start checks the directory, so that a missing or
// unwritable one is refused at once instead of showing a form without its frames, and
// removes what a killed run left behind, so that the window stack starts empty.
#pragma once

#include <string>
#include <vector>

#include "core/session.h"

namespace orb {

// True when files can be made in the work directory; else false with a message naming
// the directory and the reason.
bool CheckWorkDirectory(const Session& session, std::string& message);

// The work files of one screen run, by their suite names.
std::vector<std::string> ScreenRunWorkFiles(const Session& session);

// Removes the screen run's work files, where they are.
void RemoveScreenRunWorkFiles(const Session& session);

}  // namespace orb
