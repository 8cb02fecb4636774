// orbdata: sets up and inspects the data files of an installation.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "csv_reader.h"
#include "data_server.h"

#ifndef ORB_VERSION
#define ORB_VERSION "0"
#endif

namespace {

constexpr char kUsage[] =
    "usage:\n"
    "  orbdata --help | --version\n"
    "  orbdata create DATAFILE DICTIONARY\n"
    "      creates an empty data file from a dictionary (.xdf); an existing file is\n"
    "      left alone\n"
    "  orbdata dictionary KIND DICTIONARY\n"
    "      writes the dictionary of one kind of record\n"
    "  orbdata import [--dictionary DICTIONARY] KIND DATAFILE CSVFILE\n"
    "      appends the records of a UTF-8 CSV file with a header row, all or none;\n"
    "      a missing DATAFILE is first created from DICTIONARY, else from\n"
    "      ../ddf/NAME.xdf beside the data file's directory (the installation's\n"
    "      layout: DADES/NAME.dat and ddf/NAME.xdf), else from the kind's own layout\n"
    "  orbdata dump DATAFILE\n"
    "      prints the records in key 0 order, one a line, in hexadecimal\n"
    "  orbdata stat DATAFILE\n"
    "      prints the file's record length, page size, record count and keys\n"
    "  orbdata copy FROM TO\n"
    "      copies every data file of an installation from its folder to a PostgreSQL\n"
    "      server (a connection string such as \"host=db dbname=agency\") or from a\n"
    "      server to a folder, all or nothing; nothing is written when TO already\n"
    "      holds one of the files\n"
    "\n"
    "KIND and the CSV columns:\n"
    "  owners       code,name,tax_id,properties   (properties: up to 20 code:regime\n"
    "               joined by ';', regime 0 or 1)\n"
    "  properties   code,name,fee_percent,supplement,fixed_fee\n"
    "  units        property,unit\n"
    "  collections  property,unit,date,amount,kind,deduct,add,state\n"
    "  payments     property,date,amount,state\n"
    "Codes are decimal digits, dates YYYY-MM-DD, amounts whole hundredths, fee_percent a\n"
    "decimal number with a point. A data file name without extension gets \".dat\".\n"
    "Fields are separated by ',' or, as spreadsheets here save CSV, by ';' (then with a\n"
    "decimal comma); the header line decides.\n"
    "With a server configured (ORBDATABASE, or [Dades] Servidor in the Vora.ini of\n"
    "ORBROOT), a DATAFILE inside ORBROOT is that file on the server.\n"
    "Exit codes: 0 done, 1 the file or the record manager failed, 2 bad input.\n";

// What was refused, then the usage.
int Refuse(const std::string& what) {
  std::fprintf(stderr, "orbdata: %s\n%s", orb::orbdata::Printable(what).c_str(), kUsage);
  return 2;
}

// The number of arguments each command takes after its name.
struct CommandShape {
  const char* name;
  size_t arguments;
  const char* needs;
};
constexpr CommandShape kCommands[] = {
    {"create", 2, "DATAFILE DICTIONARY"},
    {"dictionary", 2, "KIND DICTIONARY"},
    {"import", 3, "[--dictionary DICTIONARY] KIND DATAFILE CSVFILE"},
    {"dump", 1, "DATAFILE"},
    {"stat", 1, "DATAFILE"},
    {"copy", 2, "FROM TO"},
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Refuse("no command given");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args[0] == "--version") {
    std::printf("orbdata %s\n", ORB_VERSION);
    return 0;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  std::string dictionary;
  if (command == "import" && args.size() >= 2 && args[0] == "--dictionary") {
    dictionary = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  const CommandShape* shape = nullptr;
  for (const CommandShape& c : kCommands) {
    if (command == c.name) shape = &c;
  }
  if (shape == nullptr) {
    return Refuse((!command.empty() && command[0] == '-' ? "unknown option '"
                                                          : "unknown command '") +
                  command + "'");
  }
  for (const std::string& arg : args) {
    if (arg.size() > 1 && arg[0] == '-') {
      return Refuse("unknown option '" + arg + "' for " + command);
    }
  }
  if (args.size() != shape->arguments) {
    return Refuse(command + " takes " + shape->needs + " (" + std::to_string(args.size()) +
                  " argument" + (args.size() == 1 ? "" : "s") + " given)");
  }
  using namespace orb::orbdata;
  if (command == "copy" && args.size() == 2) return CopyCommand(args[0], args[1]);
  UseConfiguredServer();
  if (command == "create" && args.size() == 2) return CreateCommand(args[0], args[1]);
  if (command == "dictionary" && args.size() == 2) return DictionaryCommand(args[0], args[1]);
  if (command == "import" && args.size() == 3) {
    return ImportCommand(args[0], args[1], args[2], dictionary);
  }
  if (command == "dump" && args.size() == 1) return DumpCommand(args[0]);
  if (command == "stat" && args.size() == 1) return StatCommand(args[0]);
  return Refuse("unknown command '" + command + "'");
}
