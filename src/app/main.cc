// rptcarry: the carry-over report module.
#include <cfenv>
#include <iostream>
#include <string>
#include <vector>

#include "app/key_test_command.h"
#include "app/program.h"

int main(int argc, char** argv) {
  // Conversions of computed numbers to integers round to the nearest, halves to even.
  std::fesetround(FE_TONEAREST);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  // The key test screen stands apart from the module's own run.
  if (arguments == std::vector<std::string>{"--keytest"}) return orb::RunKeyTestCommand(std::cerr);
  return orb::Main(arguments, orb::HostEnvironment(), std::cout, std::cerr);
}
