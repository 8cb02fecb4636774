// InitSession: gathers the session once at start-up from the environment (ORBROOT,
// ORBEXE, ORBTMP, TERM, HTTP_USER_AGENT, HTTP_ACCEPT, WINDIR, SYSTEMROOT) and the settings
// files Sessio.ini and VoraTerm.ini (in the temporary directory) and Vora.ini (in the
// root). Missing variables, files, sections and keys give the defaults; nothing fails.
// The currency is chosen by the caller right after this, not here.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "core/session.h"

namespace orb {

// Looks up an environment variable by name: its value in code page 850, empty when unset.
using EnvironmentLookup = std::function<std::string(std::string_view name)>;

// The process's own environment.
EnvironmentLookup HostEnvironment();

Session InitSession(const EnvironmentLookup& environment);

// A directory as the session keeps it: a backslash appended unless the text is empty or
// already ends in ":", "\" or "/".
std::string WithDirectoryEnd(std::string directory);

// The default colour string: five pairs of two-digit foreground and background numbers.
inline constexpr char kDefaultColours[] = "15000700000700070007";

}  // namespace orb
