// The data tool's commands. Each returns the process exit code: 0 done, 1 the record
// manager or a file failed, 2 bad input (arguments, dictionary, CSV). Messages go to
// stderr, naming the file and line.
#pragma once

#include <string>

namespace orb::orbdata {

// Names given on the command line are host paths (UTF-8); a data file name without an
// extension in its last component gets ".dat", as the program's own opens do.
std::string DataFilePath(const std::string& argument);

int CreateCommand(const std::string& data_file, const std::string& dictionary);
int DictionaryCommand(const std::string& kind, const std::string& dictionary);
// `dictionary` empty: look next to the data file (see the usage text).
int ImportCommand(const std::string& kind, const std::string& data_file,
                  const std::string& csv_file, const std::string& dictionary);
int DumpCommand(const std::string& data_file);
int StatCommand(const std::string& data_file);

}  // namespace orb::orbdata
