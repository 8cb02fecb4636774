#include "ui/form_loader.h"

#include <cstdint>
#include <optional>

#include "core/item_reader.h"
#include "core/text_file.h"
#include "platform/host_path.h"

namespace orb {
namespace {

// Largest sizes a form may declare; anything beyond is a broken file, not a form.
constexpr int kMaxWindows = 99;
constexpr int kMaxFields = 99;
constexpr int kMaxLists = 99;
constexpr int kMaxScreen = 99;       // rows and columns of boxes and labels
constexpr int kMaxValueLength = 2000;
constexpr int kMaxRightColumn = 255; // last column a field may reach
constexpr size_t kMaxFileBytes = 1 << 20;

class FormParser {
 public:
  FormParser(std::string_view bytes, std::string_view file_name, const TextTranslator& translate,
             FormTable& table)
      : items_(bytes), file_name_(file_name), translate_(translate), table_(table) {}

  FormLoadResult Run() {
    if (!ReadFormHeader() || !ReadWindows() || !ReadListHeader() || !ReadLists() ||
        !CheckReferences()) {
      table_ = FormTable{};
      return {false, error_};
    }
    return {true, ""};
  }

 private:
  bool Fail(const std::string& what) {
    if (error_.empty()) {
      error_ = std::string(file_name_) + ", line " + std::to_string(item_line_) + ": " + what;
    }
    return false;
  }

  // True when an item follows; notes its line for messages.
  bool NextItem(const char* what) {
    item_line_ = items_.LineNumber();
    if (items_.AtEnd()) return Fail(std::string("the file ends where ") + what + " should be");
    return true;
  }

  bool Text(std::string& out, const char* what) {
    if (!NextItem(what)) return false;
    out = items_.ReadText();
    return true;
  }

  bool Integer(int16_t& out, const char* what, int low, int high) {
    if (!NextItem(what)) return false;
    size_t start = items_.Position();
    bool well_formed = false;
    int16_t number = items_.ReadInteger(&well_formed);
    std::optional<int16_t> value;
    if (well_formed && number > INT16_MIN && number < INT16_MAX) value = number;
    if (!value) {
      size_t end = items_.Position();
      items_.Seek(start);
      std::string item = items_.ReadText();
      items_.Seek(end);
      return Fail(std::string(what) + " is not a number of 16 bits: \"" + item + "\"");
    }
    if (*value < low || *value > high) {
      return Fail(std::string(what) + " " + std::to_string(*value) + " is outside " +
                  std::to_string(low) + ".." + std::to_string(high));
    }
    out = *value;
    return true;
  }

  bool ReadFormHeader() {
    items_.SkipCommentLines();
    int16_t windows = 0, max_fields = 0;
    if (!Integer(windows, "the number of windows", 1, kMaxWindows)) return false;
    if (windows < 2) return Fail("the form needs window 1 (the selection) and window 2 (the confirmation)");
    if (!Integer(max_fields, "the largest number of fields", 1, kMaxFields)) return false;
    table_.Reset(windows, max_fields);
    return true;
  }

  bool ReadWindows() {
    for (int w = 1; w <= table_.WindowCount(); ++w) {
      items_.SkipCommentLines();
      if (items_.AtEnd()) {
        return Fail("the file ends before window " + std::to_string(w) + " of " +
                    std::to_string(table_.WindowCount()));
      }
      if (!ReadWindow(w)) return false;
    }
    return true;
  }

  bool ReadWindow(int w) {
    FormWindow& window = table_.Window(w);
    int16_t field_count = 0;
    if (!Text(window.ExitKeys, "the exit keys of window")) return false;
    if (!Integer(field_count, "the number of fields", 0, table_.MaxFields())) return false;
    if (!Integer(window.Next, "the continuation window", 0, table_.WindowCount())) return false;
    if (!Integer(window.Box[0], "the box top row", 0, kMaxScreen)) return false;
    if (!Integer(window.Box[1], "the box left column", 0, kMaxScreen)) return false;
    if (!Integer(window.Box[2], "the box bottom row", 0, kMaxScreen)) return false;
    if (!Integer(window.Box[3], "the box right column", 0, kMaxScreen)) return false;
    if (window.HasBox() && (window.Box[1] < 1 || window.Box[2] <= window.Box[0] ||
                            window.Box[3] <= window.Box[1])) {
      return Fail("window " + std::to_string(w) + " has a box that is not a rectangle on screen");
    }
    if (w == 1 && field_count < 3) {
      return Fail("window 1 (the selection form) needs 3 fields, it has " +
                  std::to_string(field_count));
    }
    if (w == 2 && field_count < 1) return Fail("window 2 (the confirmation) needs a field");
    window.Fields.resize(static_cast<size_t>(field_count));
    for (FormField& field : window.Fields) {
      if (!ReadField(field)) return false;
    }
    for (FormField& field : window.Fields) {
      field.Value.assign(static_cast<size_t>(field.Len), ' ');
      field.Label = translate_ ? translate_(field.Label) : field.Label;
      field.Options = translate_ ? translate_(field.Options) : field.Options;
    }
    return true;
  }

  bool ReadField(FormField& f) {
    if (!Integer(f.Row, "the field row", 1, kMaxScreen)) return false;
    if (!Integer(f.Col, "the field column", 1, kMaxScreen)) return false;
    if (!Text(f.Label, "the field label")) return false;
    if (!Integer(f.Len, "the field length", 1, kMaxValueLength)) return false;
    if (!Integer(f.LineWidth, "the line width", 0, f.Len)) return false;
    if (!Integer(f.ExtraLen, "the extra length", 0, kMaxScreen)) return false;
    if (!Integer(f.Flags, "the field flags", 0, 15)) return false;
    if (!Integer(f.Type, "the field type", INT16_MIN, INT16_MAX)) return false;
    if (!Integer(f.List, "the browse list number", 0, kMaxLists)) return false;
    if (!Text(f.Options, "the option list")) return false;
    int width = f.LineWidth > 0 ? f.LineWidth : f.Len;
    int lines = f.LineWidth > 0 ? f.Len / f.LineWidth : 1;
    if (f.Row + lines - 1 > kMaxScreen ||
        f.Col + static_cast<int>(f.Label.size()) + width + f.ExtraLen - 1 > kMaxRightColumn) {
      return Fail("the field labelled \"" + f.Label + "\" does not fit on the screen");
    }
    return true;
  }

  bool ReadListHeader() {
    items_.SkipCommentLines();
    int16_t lists = 0;
    if (!Integer(lists, "the number of lists", 0, kMaxLists)) return false;
    table_.ResetLists(lists);
    return true;
  }

  bool ReadLists() {
    for (int i = 1; i <= table_.ListCount(); ++i) {
      items_.SkipCommentLines();
      if (items_.AtEnd()) {
        return Fail("the file ends before list " + std::to_string(i) + " of " +
                    std::to_string(table_.ListCount()));
      }
      FormList& list = table_.MutableList(i);
      for (int s = 0; s < 7; ++s) {
        if (!Integer(list.Spec[s], "a list definition number", INT16_MIN, INT16_MAX)) return false;
      }
      if (!Text(list.Title, "the list title")) return false;
      if (!Integer(list.Spec[7], "the next list", 0, table_.ListCount())) return false;
      for (int s = 2; s <= 5; ++s) {
        if (list.Spec[s] < 0 || list.Spec[s] > kMaxScreen) {
          return Fail("list " + std::to_string(i) + " has a box off the screen");
        }
      }
      list.Title = translate_ ? translate_(list.Title) : list.Title;
    }
    return true;
  }

  // Checks that need the whole table: list numbers exist, continuation chains end.
  bool CheckReferences() {
    for (int w = 1; w <= table_.WindowCount(); ++w) {
      for (int k = 1; k <= table_.Window(w).FieldCount(); ++k) {
        if (table_.Field(w, k).List > table_.ListCount()) {
          return Fail("window " + std::to_string(w) + ", field " + std::to_string(k) +
                      " opens list " + std::to_string(table_.Field(w, k).List) +
                      ", which the file does not define");
        }
      }
      int steps = 0;
      for (int m = table_.Window(w).Next; m != 0; m = table_.Window(m).Next) {
        if (m == w || ++steps > table_.WindowCount()) {
          return Fail("the continuation windows of window " + std::to_string(w) + " form a loop");
        }
      }
    }
    return true;
  }

  ItemReader items_;
  int item_line_ = 1;
  std::string_view file_name_;
  const TextTranslator& translate_;
  FormTable& table_;
  std::string error_;
};

}  // namespace

FormLoadResult ParseForm(std::string_view bytes, std::string_view file_name,
                         const TextTranslator& translate, FormTable& table) {
  const std::string text = WithCrLfLineEnds(TextFileAsCp850(bytes));
  return FormParser(text, file_name, translate, table).Run();
}

FormLoadResult LoadForm(std::string_view file_name, const TextTranslator& translate,
                        std::string_view date_default, FormTable& table) {
  std::string bytes;
  if (!ReadFile(file_name, bytes, kMaxFileBytes + 1)) {
    table = FormTable{};
    return {false, std::string(file_name) + ": the form definition file cannot be opened"};
  }
  if (bytes.size() > kMaxFileBytes) {
    table = FormTable{};
    return {false, std::string(file_name) + ": the form definition file is too large"};
  }
  FormLoadResult result = ParseForm(bytes, file_name, translate, table);
  if (!result.ok) return result;
  table.SetValue(1, 1, date_default);
  table.SetValue(1, 2, "1");
  table.SetValue(1, 3, "9999");
  return result;
}

}  // namespace orb
