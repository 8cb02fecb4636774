// FormTable: the module's forms as loaded from its form definition file: windows with
// their exit keys, continuation window, box and fields, and the browse list
// definitions. Loaded once; afterwards only the field values change. Windows, fields
// and lists are numbered from 1; every accessor takes such numbers and returns an
// empty object for numbers out of range, so no caller can read outside the table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orb {

// Bits of FormField::Flags.
enum FieldFlag : int16_t {
  kFieldStartsBlank = 1,   // editing starts from a blank value
  kFieldHidden = 2,        // hidden entry: starts blank, echoed as X, never shown
  kFieldDisplayOnly = 4,   // the cursor skips it
  kFieldCursorAtEnd = 8,   // editing starts after the last non-blank character
};

// Values of FormField::Type.
enum FieldType : int16_t { kFieldDate = 1, kFieldNumber = 2 };

struct FormField {
  int16_t Row = 0;        // screen row of the label (relative to the box, if any)
  int16_t Col = 0;        // screen column of the label
  int16_t Len = 0;        // length of the value
  int16_t LineWidth = 0;  // 0 = one line, else the value is shown in lines this wide
  int16_t ExtraLen = 0;   // columns after the value that belong to the field
  int16_t Flags = 0;      // FieldFlag bits
  int16_t Type = 0;       // FieldType, anything else is text
  int16_t List = 0;       // browse list opened by F4, 0 = none
  std::string Label;      // translated
  std::string Options;    // translated: "|code,description|code,description..." or empty
  std::string Value;      // always exactly Len characters

  // The eight integers by their index 0..7 (Row, Col, Len, LineWidth, ExtraLen, Flags,
  // Type, List); 0 for any other index.
  int16_t Number(int index) const;
  bool Has(FieldFlag flag) const { return (Flags & flag) != 0; }
  // Column where the value starts: right after the label.
  int ValueColumn() const { return Col + static_cast<int>(Label.size()); }
};

struct FormWindow {
  std::string ExitKeys;               // comma-separated hexadecimal key codes
  int16_t Next = 0;                   // continuation window, 0 = none
  std::array<int16_t, 4> Box{};       // top, left, bottom, right; top 0 = no box
  std::vector<FormField> Fields;      // field k is Fields[k - 1]

  int16_t FieldCount() const { return static_cast<int16_t>(Fields.size()); }
  bool HasBox() const { return Box[0] != 0; }
};

struct FormList {
  std::array<int16_t, 8> Spec{};  // 2..5 the box, 7 the next list
  std::string Title;              // translated
};

class FormTable {
 public:
  int16_t WindowCount() const { return static_cast<int16_t>(windows_.size()); }
  int16_t MaxFields() const { return max_fields_; }
  int16_t ListCount() const { return static_cast<int16_t>(lists_.size()); }

  bool HasWindow(int w) const { return w >= 1 && w <= WindowCount(); }
  bool HasField(int w, int k) const { return HasWindow(w) && k >= 1 && k <= Window(w).FieldCount(); }

  const FormWindow& Window(int w) const;
  FormWindow& Window(int w);
  const FormField& Field(int w, int k) const;
  FormField& Field(int w, int k);
  const FormList& List(int i) const;

  // Stores text as field (w, k)'s value, cut or blank-padded to its length; nothing for
  // a field that does not exist.
  void SetValue(int w, int k, std::string_view text);
  const std::string& Value(int w, int k) const { return Field(w, k).Value; }

  // Used by the loader.
  void Reset(int16_t window_count, int16_t max_fields);
  void ResetLists(int16_t list_count);
  FormList& MutableList(int i);

 private:
  int16_t max_fields_ = 0;
  std::vector<FormWindow> windows_;
  std::vector<FormList> lists_;
  // Returned for numbers out of range; the mutable ones are cleared on every use.
  FormWindow no_window_;
  FormField no_field_;
  FormList no_list_;
};

// text cut or padded with blanks to length (negative counts as 0).
std::string FitText(std::string_view text, int length);

}  // namespace orb
