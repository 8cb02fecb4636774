#include "app/command_line.h"

#ifndef ORB_VERSION
#define ORB_VERSION "0"
#endif

namespace orb {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  bool help = false;
  bool version = false;
  bool session = false;
  for (const std::string& argument : arguments) {
    if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--session") {
      session = true;
    } else if (!argument.empty() && argument[0] == '-') {
      return {CommandAction::kError, "unknown option '" + argument + "'"};
    } else {
      return {CommandAction::kError, "unexpected argument '" + argument + "'"};
    }
  }
  if (help) return {CommandAction::kHelp, ""};
  if (version) return {CommandAction::kVersion, ""};
  if (session) return {CommandAction::kShowSession, ""};
  return {CommandAction::kRun, ""};
}

void WriteUsage(std::ostream& out) {
  out << "Usage: rptcarry [--session | --keytest | --help | --version]\n"
         "       rptcarry --date DATE --from CODE --to CODE [--no-print-program]\n"
         "                [--wait SECONDS] [--statements DIR] [--export FILE.csv|FILE.xlsx]\n"
         "                [--mail CONTACTS.csv [--resend]]\n"
         "\n"
         "Carry-over report of the property-management suite: choose a closing date and a\n"
         "range of owners on the form, and the report goes to the suite's print program.\n"
         "The session comes from the environment (ORBROOT, ORBEXE, ORBTMP, TERM) and from\n"
         "Sessio.ini and VoraTerm.ini in the temporary directory and Vora.ini in the root.\n"
         "\n"
         "Options:\n"
         "  --session   show the session as gathered at start-up, and stop\n"
         "  --keytest   show the code of each key pressed (Escape twice leaves)\n"
         "  --date, --from, --to\n"
         "              print one report without the form: the closing date and the\n"
         "              first and last owner code, as typed on the form\n"
         "  --no-print-program\n"
         "              with --date: leave the print file without starting ORBPRINT\n"
         "  --statements DIR\n"
         "              with --date: also one PDF statement per owner the report lists,\n"
         "              DIR/YYYY-MM/NNNN.pdf (closing month, owner code); replaced on re-runs\n"
         "  --export FILE.csv | FILE.xlsx\n"
         "              with --date: also the report's lines as a spreadsheet\n"
         "  --mail CONTACTS.csv\n"
         "              with --statements: mail each owner's statement (CSV columns\n"
         "              owner,email[,name]) through sendmail -t -oi, or the program\n"
         "              ORBSENDMAIL names; the sender is Vora.ini [Titular] Correu; the log\n"
         "              is DIR/YYYY-MM/sent.csv and owners already sent are not sent again\n"
         "  --resend    with --mail: send again to owners the log shows as sent\n"
         "  --wait SECONDS\n"
         "              with --date: how long a data file held by another program is\n"
         "              waited for (default 60); then the run ends with exit code 5\n"
         "  --help      show this text, and stop\n"
         "  --version   show the version, and stop\n"
         "\n"
         "With --date the print file is always written and ORBPRINT prints it unless\n"
         "--no-print-program is given; --statements and --export add their files from the\n"
         "same report, alone or together, printed or not. A statements directory, export\n"
         "file, contacts file or send log that cannot be used, or a mail not sent, ends\n"
         "with exit code 1 (the message names it).\n";
}

void WriteVersion(std::ostream& out) { out << "rptcarry " << ORB_VERSION << "\n"; }

}  // namespace orb
