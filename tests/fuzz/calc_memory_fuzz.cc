// The calculator's memory file ORBCALC.TMP, read and then used.
#include "fuzz_helper.h"
#include "ui/calculator_state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orb::CalculatorState state;
  state.ReadMemory(std::string_view(reinterpret_cast<const char*>(data), size));
  state.MemoryText();
  state.ResultText();
  for (const char key : std::string_view("7.5*3/0=C9+-\b\r")) {
    state.ApplyKey(static_cast<int16_t>(key));
    state.ResultText();
  }
  state.MoveColumn(-1);
  orb::CalculatorState reread;
  reread.ReadMemory(state.MemoryText());
  return 0;
}
