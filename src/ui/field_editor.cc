#include "ui/field_editor.h"

#include <algorithm>

#include "format/folding.h"
#include "ui/form_table.h"

namespace orb {
namespace {

// Marks shown beside an option field (the console's glyphs for these bytes).
constexpr char kLeftMark[] = "\x11";
constexpr char kRightMark[] = "\x10";

bool IsWordSeparator(char c) { return c == ' ' || c == ',' || c == '.' || c == ';' || c == ':'; }

bool IsPrintable(int16_t key, int16_t lowest) {
  return (key >= lowest && key <= 126) || (key >= 128 && key <= 254);
}

// Length of the text without its trailing blanks.
size_t TrimmedLength(std::string_view text) {
  size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? 0 : last + 1;
}

std::string TrimBlanks(std::string_view text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return "";
  return std::string(text.substr(b, text.find_last_not_of(' ') - b + 1));
}

// The first letter of a text as the option search compares it: capital, no accent.
char SearchLetter(char c) {
  std::string folded = FoldText(std::string_view(&c, 1), /*strip_accents=*/true);
  return folded.empty() ? ' ' : folded[0];
}

}  // namespace

std::vector<FieldOption> ParseFieldOptions(std::string_view options) {
  std::vector<FieldOption> entries;
  size_t at = options.find('|');
  while (at != std::string_view::npos) {
    size_t next = options.find('|', at + 1);
    std::string_view entry = options.substr(at + 1, next == std::string_view::npos
                                                         ? std::string_view::npos
                                                         : next - at - 1);
    size_t comma = entry.find(',');
    FieldOption option;
    option.code = std::string(entry.substr(0, comma));
    if (comma != std::string_view::npos) option.description = std::string(entry.substr(comma + 1));
    entries.push_back(std::move(option));
    at = next;
  }
  return entries;
}

struct FieldEditor::State {
  int16_t row = 0;
  int16_t column = 0;
  int end = 1;         // length + 1
  int line_width = 1;  // characters per line
  int lines = 1;
  std::vector<FieldOption> options;
  size_t selected = 0;
  int description_width = 0;
  bool IsOption() const { return !options.empty(); }
};

void FieldEditor::Redraw(const State& s, std::string& text) {
  if (s.IsOption()) {
    text = FitText(s.options[s.selected].code, static_cast<int>(text.size()));
    console_.LocateCursor(s.row, s.column);
    console_.PrintText(FitText(s.options[s.selected].description, s.description_width));
    return;
  }
  const int echo = exit_keys_.HiddenEcho();
  for (int i = 0; i < s.lines; ++i) {
    console_.LocateCursor(static_cast<int16_t>(s.row + i), s.column);
    if (echo != 0) {
      console_.PrintText(std::string(static_cast<size_t>(std::max(s.line_width - 1, 0)),
                                     static_cast<char>(echo)));
    } else {
      console_.PrintText(std::string_view(text).substr(static_cast<size_t>(i) * s.line_width,
                                                       static_cast<size_t>(s.line_width)));
    }
  }
}

void FieldEditor::PlaceCursor(const State& s, int16_t position) {
  int row = s.row + (position - 1) / s.line_width;
  int column = s.column + (position - 1) % s.line_width;
  if (position == s.end && column == s.column && position > 1) {
    row = s.row + (position - 2) / s.line_width;
    column = s.column + s.line_width;
  }
  console_.LocateCursor(static_cast<int16_t>(row), static_cast<int16_t>(column));
}

void FieldEditor::Paste(std::string& text, int16_t position) {
  std::string clean;
  for (char c : clipboard_.Paste()) {
    uint8_t b = static_cast<uint8_t>(c);
    if (b >= 32 && b != 127 && b != 255) clean += c;
  }
  clean = TrimBlanks(clean);
  for (size_t i = 0; i < clean.size() && position - 1 + i < text.size(); ++i) {
    text[position - 1 + i] = clean[i];
  }
}

bool FieldEditor::ActOnPlainKey(State& s, std::string& text, int16_t& position, int16_t key) {
  const bool hidden = exit_keys_.HiddenEcho() != 0;
  if (IsPrintable(key, 32)) {
    char c = static_cast<char>(key);
    if (insert_mode_) {
      if (!text.empty() && text.back() == ' ' && position < s.end) {
        text.insert(static_cast<size_t>(position - 1), 1, c);
        text.pop_back();
        Redraw(s, text);
        ++position;
      }
    } else if (position < s.end) {
      text[position - 1] = c;
      if (!hidden) {
        PlaceCursor(s, position);
        console_.PrintText(std::string(1, c));
      }
      ++position;
    }
    return false;
  }
  switch (key) {
    case keys::kLeft:
      if (position > 1) --position;
      return false;
    case keys::kRight:
      if (position < s.end) ++position;
      return false;
    case keys::kBackspace:
      if (position > 1) {
        --position;
        text.erase(static_cast<size_t>(position - 1), 1);
        text.push_back(' ');
        Redraw(s, text);
      }
      return false;
    case keys::kDelete:
      if (position < s.end) {
        text.erase(static_cast<size_t>(position - 1), 1);
        text.push_back(' ');
        Redraw(s, text);
      }
      return false;
    case keys::kEnd:
      position = static_cast<int16_t>(TrimmedLength(text) + 1);
      return false;
    case keys::kHome:
      position = 1;
      return false;
    case keys::kCtrlHome:
    case keys::kCtrlY:
      text.assign(text.size(), ' ');
      position = 1;
      Redraw(s, text);
      return false;
    case keys::kCtrlLeft: {
      if (position <= 1) return true;
      int i = position - 1;
      while (i >= 1 && IsWordSeparator(text[i - 1])) --i;
      while (i >= 1 && !IsWordSeparator(text[i - 1])) --i;
      position = static_cast<int16_t>(i + 1);
      return false;
    }
    case keys::kCtrlRight: {
      if (position >= s.end) return true;
      int i = position;
      while (i < s.end && !IsWordSeparator(text[i - 1])) ++i;
      while (i < s.end && IsWordSeparator(text[i - 1])) ++i;
      position = static_cast<int16_t>(i);
      return false;
    }
    case keys::kUp:
    case keys::kShiftTab:
      if (position > s.line_width) {
        position = static_cast<int16_t>(position - s.line_width);
        return false;
      }
      return true;
    case keys::kDown:
      if (position <= s.end - s.line_width) {
        position = static_cast<int16_t>(position + s.line_width);
        return false;
      }
      return true;
    case keys::kCtrlC:
      // A hidden entry never leaves the field.
      if (!hidden) clipboard_.Copy(TrimBlanks(text));
      return false;
    case keys::kCtrlV:
      Paste(text, position);
      Redraw(s, text);
      return false;
    default:
      return true;
  }
}

bool FieldEditor::ActOnOptionKey(State& s, std::string& text, int16_t key) {
  const size_t n = s.options.size();
  if (IsPrintable(key, 33)) {
    char wanted = SearchLetter(static_cast<char>(key));
    for (size_t step = 1; step <= n; ++step) {
      size_t candidate = (s.selected + step) % n;
      const std::string& description = s.options[candidate].description;
      if (!description.empty() && SearchLetter(description[0]) == wanted) {
        s.selected = candidate;
        break;
      }
    }
    Redraw(s, text);
    return false;
  }
  switch (key) {
    case keys::kLeft:
      s.selected = (s.selected + n - 1) % n;
      Redraw(s, text);
      return false;
    case keys::kRight:
    case keys::kSpace:
      s.selected = (s.selected + 1) % n;
      Redraw(s, text);
      return false;
    case keys::kBackspace: case keys::kDelete: case keys::kEnd: case keys::kHome:
    case keys::kCtrlHome: case keys::kCtrlY: case keys::kCtrlV:
      return false;
    case keys::kCtrlC:
      clipboard_.Copy(s.options[s.selected].description);
      return false;
    default:
      return true;
  }
}

void FieldEditor::EditField(int16_t row, int16_t column, int16_t line_width, std::string& text,
                            int16_t& position, int16_t& key) {
  State s;
  s.row = row != 0 ? row : console_.CursorRow();
  s.column = column != 0 ? column : console_.CursorColumn();
  s.end = static_cast<int>(text.size()) + 1;
  position = static_cast<int16_t>(std::clamp<int>(position, 1, s.end));
  s.line_width = line_width > 0 ? line_width : s.end;
  s.lines = text.empty() ? 0 : (static_cast<int>(text.size()) + s.line_width - 1) / s.line_width;
  s.options = ParseFieldOptions(options_);
  if (s.IsOption()) {
    for (size_t i = 0; i < s.options.size(); ++i) {
      if (s.options[i].code == text) {
        s.selected = i;
        break;
      }
    }
    for (const FieldOption& o : s.options) {
      s.description_width = std::max(s.description_width, static_cast<int>(o.description.size()));
    }
    console_.LocateCursor(s.row, static_cast<int16_t>(s.column - 1));
    console_.PrintText(kLeftMark);
    console_.LocateCursor(s.row, static_cast<int16_t>(s.column + s.description_width));
    console_.PrintText(kRightMark);
  }
  colours_.SetColour("u");
  Redraw(s, text);

  for (;;) {
    if (s.IsOption()) {
      console_.SetCursorShape(0);
    } else {
      PlaceCursor(s, position);
      console_.SetCursorShape(insert_mode_ ? 50 : 100);
    }
    int16_t k = 0;
    for (;;) {
      int16_t button, click_row, click_column;
      keys_.ReadKeyEvent(k, button, click_row, click_column);
      if (k == keys::kInsert) {
        insert_mode_ = !insert_mode_;
        if (!s.IsOption()) console_.SetCursorShape(insert_mode_ ? 50 : 100);
        continue;
      }
      if (k == 0 && button != 0) {
        k = static_cast<int16_t>(-(click_column * 100 + click_row));
        break;
      }
      if (k != 0) break;
      console_.WaitForInput(-1);
    }
    console_.SetCursorShape(0);

    bool ends;
    if (k < 0) {
      int click_row = (-k) % 100;
      int click_column = (-k) / 100;
      ends = false;
      if (s.IsOption()) {
        if (click_row == s.row && click_column == s.column - 1) {
          ActOnOptionKey(s, text, keys::kLeft);
        } else if (click_row == s.row && click_column == s.column + s.description_width) {
          ActOnOptionKey(s, text, keys::kRight);
        } else if (!(click_row == s.row && click_column >= s.column &&
                     click_column < s.column + s.description_width)) {
          ends = true;
        }
      } else if (click_row >= s.row && click_row < s.row + std::max(s.lines, 1) &&
                 click_column >= s.column && click_column < s.column + s.line_width) {
        int clicked = (click_row - s.row) * s.line_width + (click_column - s.column) + 1;
        position = static_cast<int16_t>(std::min(clicked, s.end));
      } else {
        ends = true;
      }
    } else {
      ends = s.IsOption() ? ActOnOptionKey(s, text, k) : ActOnPlainKey(s, text, position, k);
    }
    if (!ends) continue;

    if (k == keys::kShiftTab) {
      k = keys::kUp;
    } else if (k == keys::kTab) {
      k = keys::kEnter;
    } else if (k == keys::kEnter && exit_keys_.Contains(keys::kEnd)) {
      k = keys::kEnd;
    } else if (k == keys::kCtrlF4 || k == keys::kAltF4) {
      k = keys::kEscape;
    }
    if (!exit_keys_.Empty()) {
      std::optional<int16_t> reported = exit_keys_.Result(k);
      if (reported) {
        k = *reported;
      } else if (k >= 0) {
        continue;
      }
    }
    key = k;
    break;
  }

  colours_.SetColour("h");
  if (s.IsOption()) {
    console_.LocateCursor(s.row, static_cast<int16_t>(s.column - 1));
    console_.PrintText(" ");
    console_.LocateCursor(s.row, static_cast<int16_t>(s.column + s.description_width));
    console_.PrintText(" ");
  }
  console_.LocateCursor(s.row, s.column);
}

}  // namespace orb
