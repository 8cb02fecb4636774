// PopupHotKeys: the calculator (Alt+X) and the calendar (Alt+C) as the key reader
// opens them from any input. The pop-ups read their keys through the key reader that
// opens them, which is built with this object: attach it before the first key is read.
#pragma once

#include <optional>
#include <string>

#include "ui/calculator.h"
#include "ui/calendar.h"

namespace orb {

class PopupHotKeys : public HotKeyPopups {
 public:
  PopupHotKeys(Console& console, ColourSelector& colours, WindowStack& windows,
               ExitKeySet& exit_keys, UserSettings& settings, const Session& session,
               const Clock& clock)
      : console_(console), colours_(colours), windows_(windows), exit_keys_(exit_keys),
        settings_(settings), session_(session), clock_(clock) {}

  void AttachKeyReader(KeyReader& keys) { keys_ = &keys; }

  // "" while no key reader is attached.
  std::string RunCalculator() override;
  std::string RunCalendar() override;

 private:
  std::optional<PopupServices> Services();

  Console& console_;
  ColourSelector& colours_;
  WindowStack& windows_;
  ExitKeySet& exit_keys_;
  UserSettings& settings_;
  const Session& session_;
  const Clock& clock_;
  KeyReader* keys_ = nullptr;
};

}  // namespace orb
