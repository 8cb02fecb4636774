// Calculator: the adding-machine pop-up of Alt+X (see calculator_state.h for the
// machine). It draws the paper tape, the entry line and the frame in a strip of 26
// columns at the machine's column, moves sideways with Left and Right, and returns the
// result text with F or Alt+F, or "" with Escape. Its whole state is read from the
// memory file "ORBCALC.TMP" in the terminal directory on opening and written back on
// leaving. The screen, colours, cursor and exit keys are as they were afterwards.
#pragma once

#include <cstdint>
#include <string>

#include "ui/calculator_state.h"
#include "ui/popup_services.h"

namespace orb {

class Calculator {
 public:
  explicit Calculator(const PopupServices& services) : s_(services) {}

  std::string ShowCalculator();

  std::string MemoryFileName() const { return s_.session.TerminalDir + "ORBCALC.TMP"; }

 private:
  void ReadMemoryFile(CalculatorState& state);
  void SaveStrip(const CalculatorState& state);
  void Draw(const CalculatorState& state);
  void DrawEntryLine(const CalculatorState& state);
  // A value as the tape and the entry line show it: 22 characters.
  std::string NumberField(double value, bool point, int16_t decimals);
  void PrintAt(int16_t row, int16_t column, const std::string& text);

  PopupServices s_;
};

}  // namespace orb
