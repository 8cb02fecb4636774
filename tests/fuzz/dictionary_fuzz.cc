// A dictionary file (ddf\*.xdf) as the data tool's create reads it into a data file.
#include <filesystem>

#include "fuzz_helper.h"
#include "orbdata/commands.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string dictionary = orb::fuzz::PutFile("ddf/FUZZ.xdf", data, size);
  const std::string data_file = orb::fuzz::WorkDir() + "FUZZ.dat";
  std::filesystem::remove(data_file);
  orb::orbdata::CreateCommand(data_file, dictionary);
  std::filesystem::remove(data_file);
  return 0;
}
