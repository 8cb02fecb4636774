// PopupServices: what the calendar and the calculator pop-ups use of the screen
// subsystems: the console, colours, the window stack, the exit-key set, the key reader,
// the user's separators, the session and the clock. Everything is owned elsewhere.
#pragma once

#include "core/colour.h"
#include "core/session.h"
#include "format/user_settings.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "ui/exit_keys.h"
#include "ui/key_reader.h"
#include "ui/window_stack.h"

namespace orb {

struct PopupServices {
  Console& console;
  ColourSelector& colours;
  WindowStack& windows;
  ExitKeySet& exit_keys;
  KeyReader& keys;
  UserSettings& settings;
  const Session& session;
  const Clock& clock;
};

}  // namespace orb
