// Settings files: section headers and key=value lines (Sessio.ini, VoraTerm.ini,
// Vora.ini). Read-only; the file is opened, scanned and closed on every call. Lines end
// in CR LF or LF; a UTF-8 file is read as its code page 850 text (core/text_file.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orb {

// The value of `key` in the first `section` of `file` (a suite file name), as written
// after the "=" (comments cut at ";", one pair of enclosing quotes removed); the empty
// text when the file, the section or the key is missing. Section and key names match
// without regard to case.
std::string ReadIniValue(std::string_view file, std::string_view section,
                         std::string_view key);

// Settings files beyond this size are read only up to it.
inline constexpr size_t kMaxSettingsFileBytes = size_t{16} << 20;

// The same lookup in the code page 850 text of a settings file.
std::string IniValueInText(std::string_view text, std::string_view section,
                           std::string_view key);

// Upper-cases a-z and the code page 850 letters ä ö ü é ñ å ç, as names are compared.
std::string IniUpper(std::string_view text);

}  // namespace orb
