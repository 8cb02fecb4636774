// rptcarry: the carry-over report module.
#include <cfenv>
#include <iostream>
#include <string>
#include <vector>

#include "app/program.h"

int main(int argc, char** argv) {
  // Conversions of computed numbers to integers round to the nearest, halves to even.
  std::fesetround(FE_TONEAREST);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return orb::Main(arguments, orb::HostEnvironment(), std::cout, std::cerr);
}
