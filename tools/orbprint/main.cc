// orbprint: the suite's print program. Reads the print file a module left in the work
// directory (or the file named on the command line) and sends the report to the device
// its DEVICE line names, or to the one given with --device.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/settings.h"
#include "orbprint/device.h"
#include "orbprint/page_layout.h"
#include "orbprint/pdf_render.h"
#include "orbprint/print_document.h"
#include "orbprint/text_render.h"
#include "platform/cp850.h"
#include "platform/host_path.h"
#include "platform/pipe_process.h"

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

std::string WithSeparator(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/' && dir.back() != ':') dir += '\\';
  return dir;
}

// The work directory as the module finds it: ORBTMP, else the terminal directory of
// Sessio.ini in the current directory, else TERM.
std::string WorkDirectory() {
  std::string dir = WithSeparator(GetEnv("ORBTMP"));
  if (dir.empty()) {
    dir = ReadIniValue("Sessio.ini", "Terminal", "Dir");
    if (dir.empty()) dir = GetEnv("TERM");
    dir = WithSeparator(dir);
  }
  return dir;
}

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

// A suite file name as this host shows it.
std::string Shown(const std::string& suite_name) {
  return HostPath(suite_name).value_or(cp850::ToUtf8(suite_name));
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "orbprint: %s\n", message.c_str());
  return 1;
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
    if (arg == "--device" && i + 1 < argc) {
      device_text = cp850::FromUtf8(argv[++i]);
      device_given = true;
    } else if (!arg.empty() && arg.front() == '-') {
      std::fputs(kUsage, stderr);
      return 2;
    } else if (file_name.empty()) {
      file_name = cp850::FromUtf8(arg);
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  const std::string work_dir = WorkDirectory();
  if (file_name.empty()) file_name = work_dir + "orbprint.tmp";
  const std::string shown_name = Shown(file_name);

  std::string bytes;
  if (!ReadFile(file_name, bytes, kMaxPrintFileBytes + 1)) {
    return Fail("cannot read the print file " + shown_name);
  }
  if (bytes.size() > kMaxPrintFileBytes) return Fail(shown_name + ": the print file is too large");
  PrintDocument document;
  const ParseResult parsed = ParsePrintDocument(bytes, document);
  if (!parsed.ok) {
    std::string where = shown_name;
    if (parsed.error_line > 0) where += ", line " + std::to_string(parsed.error_line);
    return Fail(where + ": " + parsed.error);
  }
  if (!device_given) device_text = document.device;
  Device device;
  std::string error;
  if (!ParseDevice(device_text, device, error)) return Fail(shown_name + ": " + cp850::ToUtf8(error));

  const std::vector<Page> pages = LayOutPages(document);
  const bool to_people = device.kind == Device::Kind::kScreen ||
                         device.kind == Device::Kind::kPrinter;
  if (pages.empty() && to_people) {
    std::printf("orbprint: the report is empty; nothing to print\n");
    return 0;
  }
  switch (device.kind) {
    case Device::Kind::kScreen:
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
      if (!WriteFile(out_name, content)) return Fail("cannot write " + Shown(out_name));
      std::printf("orbprint: %zu page(s) written to %s\n", pages.size(),
                  Shown(out_name).c_str());
      return 0;
    }
    case Device::Kind::kPrinter: {
      std::vector<std::string> lp = {"lp"};
      if (!device.target.empty()) {
        lp.push_back("-d");
        lp.push_back(cp850::ToUtf8(device.target));
      }
      const auto status = RunWithInput(lp, RenderText(pages));
      if (!status) return Fail("cannot start lp");
      if (*status != 0) return Fail("lp failed with status " + std::to_string(*status));
      return 0;
    }
  }
  return 1;
}

}  // namespace
}  // namespace orb::print

int main(int argc, char** argv) { return orb::print::Run(argc, argv); }
