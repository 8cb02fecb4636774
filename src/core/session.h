// Session: the facts of the current session (directories, menu, terminal, colours,
// working date, print destination, language, kind of host), gathered once at start-up
// from the environment and the settings files and read everywhere afterwards.
// Texts are code page 850; directories end with a backslash when not empty.
#pragma once

#include <cstdint>
#include <string>

namespace orb {

struct Session {
  std::string RootDir;      // ORBROOT: installation root
  std::string ExeDir;       // ORBEXE: the suite's programs
  std::string TempDir;      // ORBTMP, else TerminalDir: work files
  std::string TerminalDir;  // Sessio.ini [Terminal] Dir, else TERM
  std::string MenuTitle;    // " " + [Menu] Titol + " "
  std::string MenuName;     // [Menu] NomMenu: the help topic
  std::string MenuEntry;    // [Menu] Menu
  std::string MenuChain;    // [Menu] ChnMenu
  std::string Operator;     // [Menu] Operador
  int16_t OperatorType = 0; // [Menu] OrbTipOper
  int16_t Colours[5][2] = {{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}};
  std::string WorkDate;     // packed date, empty when none is configured
  std::string Output;       // VoraTerm.ini [Sistema] Sortida: print destination
  std::string Language = "   ";  // always 3 characters
  std::string HostKind = "DOS";  // "CGI", "WIN" or "DOS"
  // ORBDATABASE, else Vora.ini [Dades] Servidor, trimmed: the PostgreSQL connection
  // string of the server holding the data files; empty: SQLite files under DADES.
  std::string DataServer;
};

// The module's name: it selects the form file, the catalogue and the help topic.
inline constexpr char kModuleName[] = "RPTCARRY";

}  // namespace orb
