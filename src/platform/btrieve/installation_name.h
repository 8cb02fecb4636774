// How a data file is known on a data server: by its name relative to the installation
// root, as the suite writes it ("DADES\PropietV"), so that terminals whose roots sit in
// different folders name the same file alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orb::btr {

// The name of `file` (a suite or host name, absolute or relative to `cwd`) relative to
// `root`: backslashes as separators, "." and ".." resolved, the extension ".dat" (of
// any case) left out, other extensions kept. Root and file compare without regard to
// ASCII case. Nothing when the file does not lie inside the root.
std::optional<std::string> InstallationName(std::string_view file, std::string_view root,
                                            std::string_view cwd);

// The key a name is looked up by: upper-cased ASCII letters.
std::string NameKey(std::string_view name);

}  // namespace orb::btr
