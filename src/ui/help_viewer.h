// HelpViewer: F1's help page of a topic. Under a windowed host (Session.HostKind "WIN")
// the page "AJUDA\<topic>.HTM" is handed to the suite's launcher through the command
// interpreter named by COMSPEC, and the viewer waits for it to end. Otherwise the text
// help file "AJUDA\<topic>.HLP" is shown in a framed box (rows 4 to ScreenRows - 3, the
// whole width) that scrolls with Up, Down, PgUp, PgDn, Home and End; F1 opens the
// general help "UMAINMNU" over it and Escape closes it.
//
// A text help file is a run of fixed-length records, one display line each, as long as
// the screen is wide; the number of lines is the file size over that length, rounded
// to the nearest whole number. Inside a line the bytes 0x1E, 0x1F and 0x10 switch
// highlight, underline and reverse on and off and are not shown. A missing file shows
// an empty box; a short last record shows what it has. A file in UTF-8 is read as its
// code page 850 text before it is cut into records.
//
// Promises: the topic reaches the launcher as one argument of its own; no shell ever
// reads it, so no character in it can start anything else.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/colour.h"
#include "core/session.h"
#include "platform/console.h"
#include "ui/key_reader.h"
#include "ui/window_stack.h"

namespace orb {

// Control bytes of text help lines.
inline constexpr char kHelpHighlight = '\x1e';
inline constexpr char kHelpUnderline = '\x1f';
inline constexpr char kHelpReverse = '\x10';

// The suite's general help, opened with F1 from any other help page.
inline constexpr char kGeneralHelpTopic[] = "UMAINMNU";

class HelpViewer {
 public:
  // Starts a program (a suite name) with arguments one by one and waits for it; returns
  // its exit code.
  using ProgramRunner =
      std::function<int(std::string_view program, const std::vector<std::string>& arguments)>;
  // The value of an environment variable (code page 850), empty when unset.
  using EnvironmentValue = std::function<std::string(const char* name)>;

  struct Parts {
    Console& console;
    ColourSelector& colours;
    WindowStack& windows;
    KeyReader& keys;
    const Session& session;
    // Directory that holds AJUDA ("" for the current directory, else ending in "\").
    std::string directory;
    ProgramRunner run_program;
    EnvironmentValue environment;
  };

  explicit HelpViewer(Parts parts) : p_(std::move(parts)) {}

  // Shows the help page of the topic and returns when the operator has left it.
  void ShowHelp(const std::string& topic);

  // The launcher's arguments after COMSPEC, as host texts: "/C", "ULAUNC" and the page.
  static std::vector<std::string> LauncherArguments(std::string_view topic);

  // Lines in a text help file of `size` bytes with records of `record_length` bytes:
  // the quotient rounded to the nearest whole number (halves to even), at most 32767.
  static int LineCount(int64_t size, int record_length);

 private:
  class TextView;
  void Launch(std::string_view topic);

  Parts p_;
};

}  // namespace orb
