// Print devices: the device text of a print file (the session's Sortida) names where the
// report goes. Keywords are matched without regard to case, blanks around them ignored:
//
//   (empty), PANTALLA, SCREEN   preview on the terminal, in a pager
//   PDF[:file]                  a PDF file (default orbprint.pdf in the work directory)
//   TXT[:file], TEXT[:file]     a UTF-8 text file (default orbprint.txt in the work directory)
//   LP[:queue]                  the printer queue, through lp (default queue without ":")
//
// A relative file name is taken inside the work directory.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orb::print {

// Gives a fixed text (written in Catalan) in the session's language.
using Translator = std::function<std::string(const std::string&)>;

struct Device {
  enum class Kind { kScreen, kPdf, kText, kPrinter };
  Kind kind = Kind::kScreen;
  std::string target;  // file name or queue (code page 850); empty for the default
};

// False, with a message (code page 850, through `translate` when one is given), for a
// device text that names no known device.
bool ParseDevice(std::string_view text, Device& out, std::string& error,
                 const Translator& translate = nullptr);

// The suite name of a device's output file: absolute names as they stand, others and
// the default inside work_dir (which ends with a separator or is empty).
std::string OutputFileName(const Device& device, const std::string& work_dir);

}  // namespace orb::print
