// FormEngine: lets the operator fill one window of the loaded form and the windows
// chained to it: draws the window (in its box, when it has one) with every label and
// value, hands each field to the field editor, checks and stores what was typed,
// serves F1 (help), F4 (browse list) and mouse clicks, and returns the key that ended
// the window. Values are checked by type (dates, numbers); a refused value beeps and
// keeps the cursor in the field. Leaving a window with PgUp/PgDn (when allowed) is
// remembered, and the next run of the window goes straight back into the chained
// window where the operator was.
//
// The check made when a window is left (turning the selection into report parameters
// and running the confirmation) is handed in as a callback, so that this layer knows
// nothing of the report.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/colour.h"
#include "core/session.h"
#include "platform/console.h"
#include "ui/exit_keys.h"
#include "ui/field_editor.h"
#include "ui/field_formats.h"
#include "ui/form_table.h"
#include "ui/window_stack.h"

namespace orb {

// The pop-ups the engine opens from a field. The defaults do nothing.
class FormPopups {
 public:
  virtual ~FormPopups() = default;
  // F1: the help page of a topic.
  virtual void ShowHelp(const std::string& /*topic*/) {}
  // F4: browse list `list`; 0 when a record was chosen, -1 when the operator cancelled,
  // else the record manager's status.
  virtual int16_t BrowseList(int16_t /*list*/) { return -1; }
  // The record chosen last from the list's data file.
  virtual std::string ChosenRecord(int16_t /*list*/) { return ""; }
};

class FormEngine {
 public:
  // Status 0 lets the window be left; anything else restarts it at its first field.
  using FormEndCheck = std::function<int16_t(FormEngine& engine, int16_t window, int16_t key)>;

  struct Parts {
    FormTable& table;
    Console& console;
    ColourSelector& colours;
    WindowStack& windows;
    FieldEditor& editor;
    ExitKeySet& exit_keys;
    FieldFormats& formats;
    FormPopups& popups;
    const Session& session;
  };

  explicit FormEngine(Parts parts) : p_(parts) {}

  void SetFormEndCheck(FormEndCheck check) { form_end_check_ = std::move(check); }

  // Runs window `window` (negative: |window| as a continuation of the caller; it is
  // made positive). leave_on_pg_up / leave_on_pg_dn: whether PgUp on the first field /
  // PgDn on the last one leaves the window. key returns the key that ended the window:
  // Enter or Down after the last field, Escape, PgUp/PgDn, End, 2, or another key of
  // the window's exit keys.
  void RunForm(int16_t& window, int16_t& leave_on_pg_up, int16_t& leave_on_pg_dn, int16_t& key);

  // The menu title and the whole window: labels and values.
  void ShowForm(int16_t window);
  // One field's value in its display form.
  void ShowFieldValue(int16_t window, int16_t field);
  // Checks an edited value by the field's type and stores it; 0 when accepted.
  int16_t AcceptFieldValue(int16_t window, std::string text, int16_t field);
  // 0 when the window may be left with key (always for Escape).
  int16_t CheckFormEnd(int16_t window, int16_t key);
  // Puts the record chosen in a browse list into the field.
  void ApplyListChoice(int16_t list, int16_t window, int16_t field);

  int16_t FormResumeWindow() const { return resume_window_; }
  FormTable& table() { return p_.table; }

 private:
  struct Range {
    int first;
    int last;
  };
  Range EditableRange(int w) const;
  // Edits field c; returns with key set to the key to act on.
  void EditOneField(int w, int c, int16_t& key);
  // The field under a mouse click, or c when none.
  int FieldAtClick(int w, int16_t key, int c) const;

  Parts p_;
  FormEndCheck form_end_check_;
  int16_t resume_window_ = 0;
};

}  // namespace orb
