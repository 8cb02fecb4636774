// ColourSelector: the five colour attributes of the session (normal, highlighted,
// reverse, ...) and the current one, with a stack of saved choices. Modes: "h", "n",
// "r", "u" and their combinations select an attribute; "+" first saves the current
// one; "-" restores the last saved one. On a console without colours the session's
// colours give way to white and grey on black for "h" and "n" and black on grey for the
// others, which such a screen shows as bold, normal and reverse, so that what is
// highlighted stays visible.
#pragma once

#include <string>
#include <string_view>

#include "core/session.h"
#include "platform/console.h"

namespace orb {

class ColourSelector {
 public:
  ColourSelector(Console& console, const Session& session)
      : console_(console), session_(session) {}

  void SetColour(std::string_view mode);
  int CurrentIndex() const { return current_; }

 private:
  Console& console_;
  const Session& session_;
  int current_ = 0;
  std::string saved_;  // one byte per saved index, the newest last
};

}  // namespace orb
