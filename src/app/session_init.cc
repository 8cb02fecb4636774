#include "app/session_init.h"

#include <cstdlib>

#include "core/number_text.h"
#include "core/settings.h"
#include "format/packed_digits.h"
#include "platform/host_path.h"

namespace orb {
namespace {

// Left-aligned in 3 characters, cut or padded with spaces.
std::string FixedThree(std::string text) {
  text.resize(3, ' ');
  return text;
}

bool AllSpaces(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

void ReadColours(const std::string& terminal_file, Session& session) {
  const int selection = RoundToInt16(NumericValue(ReadIniValue(terminal_file, "Pantalla", "Seleccio")));
  const std::string key = "Col" + std::to_string(std::abs(selection));
  std::string colours = ReadIniValue(terminal_file, "Pantalla", key);
  if (colours.empty()) colours = kDefaultColours;
  for (size_t i = 0; i < 5; ++i) {
    for (size_t j = 0; j < 2; ++j) {
      const size_t start = 4 * i + 2 * j;
      const std::string_view pair =
          start < colours.size() ? std::string_view(colours).substr(start, 2) : std::string_view();
      session.Colours[i][j] = RoundToInt16(NumericValue(pair));
    }
  }
}

}  // namespace

EnvironmentLookup HostEnvironment() {
  return [](std::string_view name) { return GetEnv(std::string(name).c_str()); };
}

std::string WithDirectoryEnd(std::string directory) {
  if (!directory.empty()) {
    const char last = directory.back();
    if (last != ':' && last != '\\' && last != '/') directory.push_back('\\');
  }
  return directory;
}

namespace {

std::string Trimmed(const std::string& text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

}  // namespace

Session InitSession(const EnvironmentLookup& environment) {
  Session session;
  // File names are appended to these directly, so each ends with a separator.
  session.RootDir = WithDirectoryEnd(environment("ORBROOT"));
  session.ExeDir = WithDirectoryEnd(environment("ORBEXE"));
  session.TempDir = WithDirectoryEnd(environment("ORBTMP"));

  const std::string session_file = session.TempDir + "Sessio.ini";
  session.MenuTitle = " " + ReadIniValue(session_file, "Menu", "Titol") + " ";
  session.MenuName = ReadIniValue(session_file, "Menu", "NomMenu");
  session.MenuEntry = ReadIniValue(session_file, "Menu", "Menu");
  session.MenuChain = ReadIniValue(session_file, "Menu", "ChnMenu");
  session.Operator = ReadIniValue(session_file, "Menu", "Operador");
  session.OperatorType = RoundToInt16(NumericValue(ReadIniValue(session_file, "Menu", "OrbTipOper")));
  std::string terminal = ReadIniValue(session_file, "Terminal", "Dir");
  if (terminal.empty()) terminal = environment("TERM");
  session.TerminalDir = WithDirectoryEnd(terminal);

  if (session.TempDir.empty()) session.TempDir = session.TerminalDir;

  const std::string terminal_file = session.TempDir + "VoraTerm.ini";
  ReadColours(terminal_file, session);
  session.WorkDate = PackDigits(ReadIniValue(terminal_file, "Sistema", "Data"));
  session.Output = ReadIniValue(terminal_file, "Sistema", "Sortida");
  session.Language = FixedThree(ReadIniValue(terminal_file, "Sistema", "Idioma"));
  if (AllSpaces(session.Language)) {
    session.Language = FixedThree(ReadIniValue(session.RootDir + "Vora.ini", "Usuari", "Idioma"));
  }

  if (!environment("HTTP_USER_AGENT").empty() || !environment("HTTP_ACCEPT").empty()) {
    session.HostKind = "CGI";
  } else if (!environment("WINDIR").empty() || !environment("SYSTEMROOT").empty()) {
    session.HostKind = "WIN";
  } else {
    session.HostKind = "DOS";
  }
  session.DataServer = Trimmed(environment("ORBDATABASE"));
  if (session.DataServer.empty()) {
    session.DataServer = Trimmed(ReadIniValue(session.RootDir + "Vora.ini", "Dades", "Servidor"));
  }
  return session;
}

}  // namespace orb
