// rptcarry: the carry-over report module.
#include <string>
#include <vector>

#include "app/batch.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (const auto exit_code = orb::RunBatchFromArguments(arguments)) return *exit_code;
  return 0;
}
