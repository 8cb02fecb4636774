// A text help file AJUDA\<topic>.HLP, shown and scrolled through to its end and back.
#include "fuzz_helper.h"
#include "platform/memory_console.h"
#include "ui/help_viewer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::fuzz::PutFile("AJUDA/RPTCARRY.HLP", data, size);
  const orb::Session session = orb::fuzz::WorkSession();
  orb::MemoryConsole console;
  orb::ColourSelector colours(console, session);
  orb::WindowStack windows(console, colours, session);
  orb::HotKeyPopups no_popups;
  orb::KeyReader keys(console, no_popups);
  for (int16_t key : {orb::keys::kDown, orb::keys::kPgDn, orb::keys::kEnd, orb::keys::kUp,
                      orb::keys::kPgUp, orb::keys::kHome, orb::keys::kEscape}) {
    console.PushKeyCode(static_cast<uint16_t>(key));
  }
  console.SetIdleKey(orb::KeyTextOf(orb::keys::kEscape));
  orb::HelpViewer viewer({console, colours, windows, keys, session, orb::fuzz::WorkDir(),
                          [](std::string_view, const std::vector<std::string>&) { return 0; },
                          [](const char*) { return std::string(); }});
  viewer.ShowHelp("RPTCARRY");
  return 0;
}
