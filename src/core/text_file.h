// Text files written by hand or by other programs (settings, the catalogue, the form
// file, help files): how their bytes are taken, decided here once for every reader.
// The suite writes them in code page 850 with CR LF line ends; editors on this host save
// UTF-8 with LF line ends. Both read alike.
#pragma once

#include <string>
#include <string_view>

namespace orb {

// The file's text in code page 850. A file that begins with the UTF-8 byte-order mark,
// or that is well-formed UTF-8 and holds a byte above 127, is UTF-8: it is converted
// (the mark dropped; characters the code page lacks as cp850::TextFromUtf8 says). Any
// other file is code page 850 already and comes back byte for byte.
std::string TextFileAsCp850(std::string_view bytes);

// The text with every line feed that follows no carriage return made a CR LF, so that
// readers that rely on the suite's CR LF line ends read LF-only files line by line too.
std::string WithCrLfLineEnds(std::string_view text);

}  // namespace orb
