// BrowseList: F4's list of the records of a data file, one line per record in key
// order, in a framed box whose top line is the list's column heading. The operator
// scrolls it (Up, Down, PgUp, PgDn; Left and Right by 8 columns together with the
// heading when lines are wider than the box) and chooses a line with Enter, which
// leaves that record in the data file's record area; Escape cancels. A list may first
// run a filter window of the form, and may pass on with F4 to a follow-on list.
//
// Records are read forwards only, without locks (the file's lock mode is saved and set
// to plain reads while the list is open, then restored). Every record listed is noted
// in the work file Browse.tmp (see BrowseFile), which lets the list go back without
// reading the data file backwards; the work file exists only while the list is open.
// An Escape pressed while a page is being filled stops reading; other keys pressed
// meanwhile are kept for the list.
//
// In this program list 1 is the owners' list: the owner code, two blanks, the name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/colour.h"
#include "core/session.h"
#include "data/file_table.h"
#include "platform/console.h"
#include "ui/browse_file.h"
#include "ui/exit_keys.h"
#include "ui/form_table.h"
#include "ui/key_reader.h"
#include "ui/window_stack.h"

namespace orb {

class FormEngine;

// The bytes now in the record area of a data file (by file number); empty when the
// caller keeps no area for it.
using RecordAreaLookup = std::function<std::string(int16_t file_no)>;

// The line of a list for a record: for list 1, the owner code (the first 2 bytes,
// packed digits), two blanks and the name (the next 30 bytes), right-trimmed; empty for
// every other list.
std::string BrowseLineText(int16_t list, std::string_view record);

class BrowseList {
 public:
  // Result of Run when the operator cancelled (or nothing could be chosen).
  static constexpr int16_t kCancelled = -1;

  struct Parts {
    const FormTable& table;
    FileTable& files;
    Console& console;
    ColourSelector& colours;
    WindowStack& windows;
    KeyReader& keys;
    ExitKeySet& exit_keys;
    const Session& session;
    RecordAreaLookup record_area;
  };

  explicit BrowseList(Parts parts) : p_(std::move(parts)) {}

  // The engine that runs filter windows and applies the choice of a follow-on list;
  // without one, lists with a filter window open without it.
  void SetFormEngine(FormEngine* engine) { engine_ = engine; }

  // Opens list `list` and returns 0 when a record was chosen (it is in the data file's
  // record area; a list without data file also gives 0 on Enter), -1 when the operator
  // cancelled or the list was empty, or the record manager's status when reading the
  // chosen record failed. A list whose box does not fit the screen does not open (-1).
  int16_t Run(int16_t list);

  // The record last read from list `list`'s data file (its record area).
  std::string ChosenRecord(int16_t list);

  std::string WorkFileName() const { return p_.session.TempDir + kBrowseWorkFile; }

 private:
  class OpenList;
  int16_t RunAtDepth(int16_t list, int depth);

  Parts p_;
  FormEngine* engine_ = nullptr;
};

}  // namespace orb
