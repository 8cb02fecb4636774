#include "app/session_report.h"

#include <string>
#include <string_view>

#include "core/settings.h"
#include "format/packed_digits.h"
#include "platform/btrieve/btrieve.h"
#include "platform/cp850.h"
#include "platform/host_path.h"

namespace orb {
namespace {

// Code page 850 text for the terminal; control bytes show their screen glyphs, so no
// setting can send escape sequences to it.
std::string ForTerminal(std::string_view text) {
  std::string out;
  for (unsigned char c : text) cp850::AppendUtf8(out, cp850::ToGlyph(c));
  return out;
}

void Line(std::ostream& out, std::string_view name, std::string_view value,
          std::string_view note = {}) {
  out << name << ": " << ForTerminal(value);
  if (!note.empty()) out << "  [" << note << "]";
  out << "\n";
}

std::string DirectoryNote(const std::string& directory, bool must_end_in_separator) {
  if (directory.empty()) return "empty: the current directory";
  if (HasDrivePrefix(directory)) return "drive prefix: no such place on this host";
  if (!DirectoryExists(directory)) return "does not exist on this host";
  const char last = directory.back();
  if (must_end_in_separator && last != '\\' && last != '/') {
    return "does not end with a backslash: file names are appended to it directly";
  }
  return "";
}

// A one-time user setting as the formatting code keeps it: left-aligned in a fixed
// width, the default when it is all spaces.
void UserSetting(std::ostream& out, const Session& session, const char* key, size_t width,
                 const char* fallback) {
  std::string value = ReadIniValue(session.RootDir + "Vora.ini", "Usuari", key);
  value.resize(width, ' ');
  const bool blank = value.find_first_not_of(' ') == std::string::npos;
  Line(out, key, blank ? fallback : value, blank ? "default" : "");
}

}  // namespace

void WriteSessionReport(const Session& session, std::ostream& out) {
  Line(out, "RootDir", session.RootDir, DirectoryNote(session.RootDir, true));
  Line(out, "ExeDir", session.ExeDir, DirectoryNote(session.ExeDir, true));
  Line(out, "TempDir", session.TempDir, DirectoryNote(session.TempDir, false));
  Line(out, "TerminalDir", session.TerminalDir, DirectoryNote(session.TerminalDir, false));
  Line(out, "MenuTitle", session.MenuTitle);
  Line(out, "MenuName", session.MenuName, session.MenuName.empty() ? "empty: F1 opens no help" : "");
  Line(out, "MenuEntry", session.MenuEntry);
  Line(out, "MenuChain", session.MenuChain);
  Line(out, "Operator", session.Operator);
  Line(out, "OperatorType", std::to_string(session.OperatorType));
  std::string colours;
  for (const auto& pair : session.Colours) {
    if (!colours.empty()) colours += ' ';
    colours += std::to_string(pair[0]) + "/" + std::to_string(pair[1]);
  }
  Line(out, "Colours", colours);
  Line(out, "WorkDate", UnpackDigits(session.WorkDate), session.WorkDate.empty() ? "none" : "");
  Line(out, "Output", session.Output);
  const std::string& language = session.Language;
  std::string language_note;
  if (language.find_first_not_of(' ') == std::string::npos) {
    language_note = "blank: Catalan";
  } else if (language != "CAT" && language != "SPA" && language != "GLG" && language != "OCI") {
    language_note = "not a known code: Catalan";
  }
  Line(out, "Language", language, language_note);
  Line(out, "HostKind", session.HostKind);
  UserSetting(out, session, "DatCaracter", 1, "/");
  UserSetting(out, session, "DatOrdre", 3, "DMA");
  UserSetting(out, session, "DecCaracter", 1, "'");
  UserSetting(out, session, "MilCaracter", 1, ".");
  // Which engine holds the data files, never with a password.
  const std::string engine = BtrDescribeEngine(cp850::ToUtf8(session.DataServer));
  std::string source = "default: no server configured";
  if (!session.DataServer.empty()) {
    std::string configured = ReadIniValue(session.RootDir + "Vora.ini", "Dades", "Servidor");
    const size_t begin = configured.find_first_not_of(" \t");
    configured = begin == std::string::npos ? "" : configured.substr(begin);
    source = configured.rfind(session.DataServer, 0) == 0 ? "Vora.ini [Dades] Servidor"
                                                         : "ORBDATABASE";
  }
  Line(out, "DataFiles", cp850::FromUtf8(engine), source);
}

}  // namespace orb
