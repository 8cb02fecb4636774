// The window stack's work file WinPush.tmp as a crashed run may leave it.
#include "fuzz_helper.h"
#include "platform/memory_console.h"
#include "ui/window_stack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const orb::Session session = orb::fuzz::WorkSession();
  orb::MemoryConsole console;
  orb::ColourSelector colours(console, session);
  orb::WindowStack stack(console, colours, session);
  orb::fuzz::PutFile(orb::kWindowStackFile, data, size);
  stack.PopWindow();
  orb::fuzz::PutFile(orb::kWindowStackFile, data, size);
  stack.PushWindow(3, 3, 10, 40);
  stack.PopWindow();
  stack.PopWindow();
  return 0;
}
