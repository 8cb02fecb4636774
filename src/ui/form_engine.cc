#include "ui/form_engine.h"

#include <cmath>
#include <cstdlib>

#include "format/packed_digits.h"
#include "ui/key_reader.h"

namespace orb {
namespace {

bool IsBlank(std::string_view text) { return text.find_first_not_of(' ') == std::string_view::npos; }

std::string RightTrimmed(std::string_view text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? "" : std::string(text.substr(0, end + 1));
}

// Keys after which a continuation run also ends the window that ran it.
bool EndsCaller(int16_t key) {
  return key == keys::kPgUp || key == keys::kPgDn || key == keys::kEnd || key == keys::kCtrlB ||
         key == keys::kEnter || key == keys::kDown || key == keys::kUp;
}

}  // namespace

FormEngine::Range FormEngine::EditableRange(int w) const {
  const FormWindow& window = p_.table.Window(w);
  Range range{window.FieldCount() + 1, 0};
  for (int k = 1; k <= window.FieldCount(); ++k) {
    if (p_.table.Field(w, k).Has(kFieldDisplayOnly)) continue;
    if (range.first > k) range.first = k;
    range.last = k;
  }
  return range;
}

void FormEngine::ShowForm(int16_t w) {
  p_.colours.SetColour("rh");
  const std::string& title = p_.session.MenuTitle;
  int column = static_cast<int>(std::nearbyint(41 - static_cast<double>(title.size()) / 2));
  p_.console.LocateCursor(1, static_cast<int16_t>(column < 1 ? 1 : column));
  p_.console.PrintText(title);
  p_.colours.SetColour("n");
  const FormWindow& window = p_.table.Window(w);
  for (int k = 1; k <= window.FieldCount(); ++k) {
    const FormField& f = p_.table.Field(w, k);
    p_.windows.LocateInWindow(f.Row, f.Col);
    p_.console.PrintText(f.Label);
  }
  p_.colours.SetColour("h");
  for (int k = 1; k <= window.FieldCount(); ++k) ShowFieldValue(w, static_cast<int16_t>(k));
}

void FormEngine::ShowFieldValue(int16_t w, int16_t k) {
  if (!p_.table.HasField(w, k)) return;
  const FormField& f = p_.table.Field(w, k);
  const int16_t value_column = static_cast<int16_t>(f.ValueColumn());
  p_.windows.LocateInWindow(f.Row, value_column);
  if (f.Has(kFieldHidden)) return;
  if (f.Type == kFieldDate) {
    p_.console.PrintText(p_.formats.DisplayDate(f.Value));
  } else if (!f.Options.empty()) {
    for (const FieldOption& option : ParseFieldOptions(f.Options)) {
      if (option.code == f.Value) {
        p_.console.PrintText(FitText(option.description, f.Len + f.ExtraLen));
        break;
      }
    }
  } else if (f.LineWidth == 0) {
    p_.console.PrintText(f.Value);
  } else {
    for (int i = 0; static_cast<size_t>(i) * f.LineWidth < f.Value.size(); ++i) {
      p_.windows.LocateInWindow(static_cast<int16_t>(f.Row + i), value_column);
      p_.console.PrintText(std::string_view(f.Value).substr(static_cast<size_t>(i) * f.LineWidth,
                                                             static_cast<size_t>(f.LineWidth)));
    }
  }
}

int16_t FormEngine::AcceptFieldValue(int16_t w, std::string text, int16_t k) {
  if (!p_.table.HasField(w, k)) return -1;
  const FormField& f = p_.table.Field(w, k);
  int16_t status = 0;
  if (f.Type == kFieldDate) {
    if (IsBlank(text)) text = p_.formats.WorkDateText();
    status = p_.formats.IsBadDate(text) ? 1 : 0;
  } else if (f.Type == kFieldNumber) {
    status = p_.formats.IsBadNumber(text) ? 1 : 0;
  }
  if (status == 0) {
    p_.table.SetValue(w, k, text);
    ShowFieldValue(w, k);
  }
  return status;
}

int16_t FormEngine::CheckFormEnd(int16_t w, int16_t key) {
  if (key == keys::kEscape || !form_end_check_) return 0;
  return form_end_check_(*this, w, key);
}

void FormEngine::ApplyListChoice(int16_t list, int16_t w, int16_t k) {
  if (list != 1) return;
  std::string record = p_.popups.ChosenRecord(list);
  if (record.size() < 2) return;
  AcceptFieldValue(w, UnpackDigits(std::string_view(record).substr(0, 2)), k);
}

void FormEngine::EditOneField(int w, int c, int16_t& key) {
  FormField& f = p_.table.Field(w, c);
  const FormWindow& window = p_.table.Window(w);
  const int16_t value_column = static_cast<int16_t>(f.ValueColumn());
  std::string text =
      (f.Has(kFieldStartsBlank) || f.Has(kFieldHidden)) ? std::string(f.Value.size(), ' ') : f.Value;
  if (f.ExtraLen > 0) {
    p_.windows.LocateInWindow(f.Row, static_cast<int16_t>(value_column + f.Len));
    p_.console.PrintSpaces(f.ExtraLen);
  }
  for (;;) {
    p_.editor.SetFieldOptions(f.Options);
    int16_t position = f.Has(kFieldCursorAtEnd)
                           ? static_cast<int16_t>(RightTrimmed(text).size() + 1)
                           : int16_t{1};
    p_.windows.LocateInWindow(f.Row, value_column);
    p_.editor.EditField(0, 0, f.LineWidth, text, position, key);

    if (key == keys::kF1) {
      if (!p_.session.MenuName.empty()) p_.popups.ShowHelp(RightTrimmed(p_.session.MenuName));
      key = 0;
      return;
    }
    if (key == keys::kF4) {
      key = 0;
      if (f.List > 0 && p_.popups.BrowseList(f.List) == 0) {
        ApplyListChoice(f.List, static_cast<int16_t>(w), static_cast<int16_t>(c));
        key = (c == window.FieldCount() && window.Next == 0) ? keys::kEnter : keys::kDown;
      }
      return;
    }
    if (f.ExtraLen > 0) {
      // A hidden entry is never shown, not even here.
      p_.windows.LocateInWindow(f.Row, value_column);
      p_.console.PrintText(f.Has(kFieldHidden) ? std::string(text.size(), ' ') : text);
      p_.console.PrintSpaces(f.ExtraLen);
    }
    if (key == keys::kEscape) {
      ShowFieldValue(static_cast<int16_t>(w), static_cast<int16_t>(c));
      return;
    }
    if (IsBlank(text) && (f.Has(kFieldStartsBlank) || f.Has(kFieldHidden))) text = f.Value;
    if (AcceptFieldValue(static_cast<int16_t>(w), text, static_cast<int16_t>(c)) == 0) return;
    p_.console.Beep();
  }
}

int FormEngine::FieldAtClick(int w, int16_t key, int c) const {
  const FormWindow& window = p_.table.Window(w);
  const int code = -static_cast<int>(key);
  const int row = code % 100 - (window.HasBox() ? window.Box[0] : 0);
  const int column = code / 100 - (window.HasBox() ? window.Box[1] : 0);
  for (int k = 1; k <= window.FieldCount(); ++k) {
    const FormField& f = p_.table.Field(w, k);
    if (f.Has(kFieldDisplayOnly)) continue;
    const int lines = f.LineWidth == 0 ? 1 : f.Len / f.LineWidth;
    const int width = f.LineWidth == 0 ? f.Len : f.LineWidth;
    if (row >= f.Row && row < f.Row + lines && column >= f.Col &&
        column < f.Col + static_cast<int>(f.Label.size()) + width + f.ExtraLen) {
      return k;
    }
  }
  return c;
}

void FormEngine::RunForm(int16_t& window, int16_t& leave_on_pg_up, int16_t& leave_on_pg_dn,
                         int16_t& key) {
  const bool top_level = window >= 0;
  const int w = std::abs(static_cast<int>(window));
  window = static_cast<int16_t>(w);
  if (!p_.table.HasWindow(w)) {
    key = keys::kEscape;
    return;
  }
  const FormWindow& win = p_.table.Window(w);
  if (win.HasBox()) {
    p_.colours.SetColour("+n");
    p_.windows.PushWindow(win.Box[0], win.Box[1], win.Box[2], win.Box[3]);
    p_.windows.DrawFrame(2);
    p_.colours.SetColour("-");
  }
  ShowForm(static_cast<int16_t>(w));

  Range range = EditableRange(w);
  int c = range.first;
  bool leave = range.first > range.last;
  if (!leave) {
    // Go back into the chained window the operator left with PgUp or PgDn.
    int member = w;
    for (int steps = 0; member != resume_window_ && resume_window_ > 0 &&
                        p_.table.Window(member).Next != 0 && steps <= p_.table.WindowCount();
         ++steps) {
      member = p_.table.Window(member).Next;
    }
    if (member != resume_window_) resume_window_ = 0;
    if (w == resume_window_ || resume_window_ <= 0 || win.Next == 0) {
      resume_window_ = 0;
    } else {
      int16_t next = static_cast<int16_t>(-win.Next);
      RunForm(next, leave_on_pg_up, leave_on_pg_dn, key);
      leave = EndsCaller(key);
    }
  }

  for (;;) {
    while (!leave && c >= range.first && c <= range.last) {
      const bool hidden = p_.table.Field(w, c).Has(kFieldHidden);
      p_.exit_keys.SetExitKeys("+ea", win.ExitKeys + ",3b00");
      if (hidden) p_.exit_keys.SetExitKeys("h", "");
      if (p_.table.Field(w, c).Has(kFieldDisplayOnly)) {
        // Passed over in the direction the cursor was moving.
        if (key != keys::kUp && key != keys::kDown && key != keys::kEnter) key = keys::kDown;
      } else {
        EditOneField(w, c, key);
      }
      range = EditableRange(w);
      if (hidden) p_.exit_keys.SetExitKeys("v", "");
      p_.exit_keys.SetExitKeys("-", "");

      if (key < 0) {
        c = FieldAtClick(w, key, c);
        continue;
      }
      switch (key) {
        case keys::kPgUp:
          if (c > range.first || leave_on_pg_up == 0) {
            c = range.first;
          } else {
            resume_window_ = static_cast<int16_t>(w);
            leave = true;
          }
          break;
        case keys::kPgDn:
          if (c < range.last || leave_on_pg_dn == 0) {
            c = range.last;
          } else {
            resume_window_ = static_cast<int16_t>(w);
            leave = true;
          }
          break;
        case keys::kEnd:
        case keys::kCtrlB:
          leave = true;
          break;
        case keys::kEscape:
          if (c > range.first) {
            c = range.first;
          } else {
            leave = true;
          }
          break;
        case keys::kEnter:
        case keys::kDown:
        case keys::kF2:
          if ((key == keys::kF2 || c == range.last) && win.Next >= 1) {
            int16_t next = static_cast<int16_t>(-win.Next);
            RunForm(next, leave_on_pg_up, leave_on_pg_dn, key);
            if (EndsCaller(key)) leave = true;
          } else if (key == keys::kEnter || (key == keys::kDown && c < range.last)) {
            ++c;
          }
          break;
        case keys::kUp:
          if (c > range.first) {
            --c;
          } else if (!top_level) {
            key = keys::kEscape;
            leave = true;
          }
          break;
        case 0:
          break;
        default:
          leave = true;
          break;
      }
    }

    // End of the window.
    if (CheckFormEnd(static_cast<int16_t>(w), key) == 0) break;
    if (range.first > range.last) {
      // Nothing to edit, so nothing could make the check pass.
      key = keys::kEscape;
      break;
    }
    c = range.first;
    leave = false;
    key = 0;
  }
  if (win.HasBox()) p_.windows.PopWindow();
}

}  // namespace orb
