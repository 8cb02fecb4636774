// orbprint: the suite's print program. Reads the print file a module left in the work
// directory (or the file named on the command line) and sends the report to the device
// its DEVICE line names, or to the one given with --device.
//
// It reads the session as the modules do (ORBROOT, ORBTMP and the settings files), so
// that its messages are in the session's language (catalogue LOCALE\ORBPRINT.LNG). What
// became of a module's print file is also left in the work directory's outcome file
// (see report/print_outcome.h) for the module to show once the print program has ended.
// Command-line mistakes and the checks of the print file's lines are told in English,
// like the modules' own command lines.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/session_init.h"
#include "core/catalogue.h"
#include "orbprint/device.h"
#include "orbprint/page_layout.h"
#include "orbprint/pdf_render.h"
#include "orbprint/print_document.h"
#include "orbprint/text_render.h"
#include "platform/cp850.h"
#include "platform/host_path.h"
#include "platform/pipe_process.h"
#include "report/print_file.h"
#include "report/print_outcome.h"

namespace orb::print {
namespace {

constexpr char kUsage[] =
    "usage: orbprint [--device DEVICE] [PRINT_FILE]\n"
    "       orbprint --help | --version\n"
    "Prints the report in PRINT_FILE (default: orbprint.tmp in the work directory, ORBTMP)\n"
    "on DEVICE (default: the file's DEVICE line): PANTALLA or SCREEN, PDF[:file],\n"
    "TXT[:file], LP[:queue].\n";

#ifndef ORB_VERSION
#define ORB_VERSION "0"
#endif

constexpr size_t kMaxPrintFileBytes = size_t{512} << 20;

// The texts an operator may see, in Catalan, code page 850.
constexpr char kPageWritten[] = "p\x85gina escrita a ";
constexpr char kPagesWritten[] = "p\x85gines escrites a ";
constexpr char kCannotWrite[] = "no es pot escriure ";
constexpr char kCannotRead[] = "no es pot llegir el fitxer d'impressi\xa2 ";
constexpr char kTooLarge[] = "el fitxer d'impressi\xa2 \x82s massa gran: ";
constexpr char kEmptyReport[] = "l'informe \x82s buit: no hi ha res a imprimir";
constexpr char kSentToPrinter[] = "informe enviat a la impressora";
constexpr char kCannotStartLp[] = "no es pot engegar lp";
constexpr char kLpFailed[] = "lp ha fallat amb l'estat ";

std::vector<std::string> PagerCommand() {
  std::vector<std::string> argv;
  const std::string pager = cp850::ToUtf8(GetEnv("PAGER"));
  size_t pos = 0;
  while (pos < pager.size()) {
    const size_t end = pager.find(' ', pos);
    const std::string word = pager.substr(pos, end == std::string::npos ? end : end - pos);
    if (!word.empty()) argv.push_back(word);
    pos = end == std::string::npos ? pager.size() : end + 1;
  }
  if (argv.empty()) argv = {"less", "-S"};
  return argv;
}

bool WriteStdout(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
         std::fflush(stdout) == 0;
}

// A suite file name as this host shows it, in code page 850.
std::string Shown(const std::string& suite_name) {
  const auto path = HostPath(suite_name);
  return path ? cp850::FromUtf8(*path) : suite_name;
}

// Tells what became of the report: on standard output when it was done, on standard
// error when it failed, and, for a module's print file, in the outcome file as well.
class Teller {
 public:
  Teller(const Session& session, bool module_print_file)
      : session_(session), module_print_file_(module_print_file) {}

  int Done(const std::string& text) {
    std::printf("orbprint: %s\n", cp850::ToUtf8(text).c_str());
    Leave(text);
    return 0;
  }
  int Failed(const std::string& text) {
    std::fprintf(stderr, "orbprint: %s\n", cp850::ToUtf8(text).c_str());
    Leave(text);
    return 1;
  }

 private:
  void Leave(const std::string& text) {
    if (module_print_file_) WritePrintOutcome(session_, text);
  }
  const Session& session_;
  const bool module_print_file_;
};

int Refuse(const std::string& what) {
  std::fprintf(stderr, "orbprint: %s\n%s", what.c_str(), kUsage);
  return 2;
}

int Run(int argc, char** argv) {
  std::string device_text;
  bool device_given = false;
  std::string file_name;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--version") {
      std::printf("orbprint %s\n", ORB_VERSION);
      return 0;
    }
    if (arg == "--device") {
      if (i + 1 >= argc) return Refuse("--device needs a value");
      if (device_given) return Refuse("--device given twice");
      device_text = cp850::FromUtf8(argv[++i]);
      device_given = true;
    } else if (!arg.empty() && arg.front() == '-') {
      return Refuse("unknown option '" + arg + "'");
    } else if (file_name.empty()) {
      file_name = cp850::FromUtf8(arg);
    } else {
      return Refuse("one print file only ('" + cp850::ToUtf8(file_name) + "', then '" + arg +
                    "')");
    }
  }
  const Session session = InitSession(HostEnvironment());
  Catalogue catalogue(session, "ORBPRINT");
  const Translator say = [&catalogue](const std::string& key) {
    return catalogue.Translate(key);
  };
  const std::string& work_dir = session.TempDir;
  // Only the print file a module left is answered in the outcome file.
  Teller tell(session, file_name.empty());
  if (file_name.empty()) file_name = work_dir + kPrintFileName;
  const std::string shown_name = Shown(file_name);

  std::string bytes;
  std::string reason;
  if (!ReadFile(file_name, bytes, kMaxPrintFileBytes + 1, &reason)) {
    return tell.Failed(say(kCannotRead) + shown_name + ": " + cp850::FromUtf8(reason));
  }
  if (bytes.size() > kMaxPrintFileBytes) return tell.Failed(say(kTooLarge) + shown_name);
  PrintDocument document;
  const ParseResult parsed = ParsePrintDocument(bytes, document);
  if (!parsed.ok) {
    std::string where = shown_name;
    if (parsed.error_line > 0) where += ", line " + std::to_string(parsed.error_line);
    return tell.Failed(where + ": " + parsed.error);
  }
  if (!device_given) device_text = document.device;
  Device device;
  std::string error;
  if (!ParseDevice(device_text, device, error, say)) return tell.Failed(shown_name + ": " + error);

  const std::vector<Page> pages = LayOutPages(document);
  const bool to_people = device.kind == Device::Kind::kScreen ||
                         device.kind == Device::Kind::kPrinter;
  if (pages.empty() && to_people) return tell.Done(say(kEmptyReport));
  switch (device.kind) {
    case Device::Kind::kScreen:
      // The report on the screen tells itself: nothing more is said.
      if (StdoutIsTerminal()) {
        const std::string preview = RenderPreview(pages);
        if (RunWithInput(PagerCommand(), preview)) return 0;
        return WriteStdout(preview) ? 0 : 1;
      }
      return WriteStdout(RenderText(pages)) ? 0 : 1;
    case Device::Kind::kPdf:
    case Device::Kind::kText: {
      const std::string out_name = OutputFileName(device, work_dir);
      const std::string content =
          device.kind == Device::Kind::kPdf ? RenderPdf(pages) : RenderText(pages);
      if (!WriteFile(out_name, content, &reason)) {
        return tell.Failed(say(kCannotWrite) + Shown(out_name) + ": " + cp850::FromUtf8(reason));
      }
      return tell.Done(std::to_string(pages.size()) + " " +
                       say(pages.size() == 1 ? kPageWritten : kPagesWritten) + Shown(out_name));
    }
    case Device::Kind::kPrinter: {
      std::vector<std::string> lp = {"lp"};
      if (!device.target.empty()) {
        lp.push_back("-d");
        lp.push_back(cp850::ToUtf8(device.target));
      }
      const auto status = RunWithInput(lp, RenderText(pages));
      if (!status) return tell.Failed(say(kCannotStartLp));
      if (*status != 0) return tell.Failed(say(kLpFailed) + std::to_string(*status));
      std::string sent = say(kSentToPrinter);
      if (!device.target.empty()) sent += " " + device.target;
      return tell.Done(sent);
    }
  }
  return 1;
}

}  // namespace
}  // namespace orb::print

int main(int argc, char** argv) { return orb::print::Run(argc, argv); }
