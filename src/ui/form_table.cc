#include "ui/form_table.h"

namespace orb {

int16_t FormField::Number(int index) const {
  switch (index) {
    case 0: return Row;
    case 1: return Col;
    case 2: return Len;
    case 3: return LineWidth;
    case 4: return ExtraLen;
    case 5: return Flags;
    case 6: return Type;
    case 7: return List;
    default: return 0;
  }
}

std::string FitText(std::string_view text, int length) {
  if (length < 0) length = 0;
  std::string out(text.substr(0, static_cast<size_t>(length)));
  out.resize(static_cast<size_t>(length), ' ');
  return out;
}

const FormWindow& FormTable::Window(int w) const {
  return HasWindow(w) ? windows_[static_cast<size_t>(w - 1)] : no_window_;
}

FormWindow& FormTable::Window(int w) {
  if (HasWindow(w)) return windows_[static_cast<size_t>(w - 1)];
  no_window_ = FormWindow{};
  return no_window_;
}

const FormField& FormTable::Field(int w, int k) const {
  return HasField(w, k) ? Window(w).Fields[static_cast<size_t>(k - 1)] : no_field_;
}

FormField& FormTable::Field(int w, int k) {
  if (HasField(w, k)) return Window(w).Fields[static_cast<size_t>(k - 1)];
  no_field_ = FormField{};
  return no_field_;
}

const FormList& FormTable::List(int i) const {
  return i >= 1 && i <= ListCount() ? lists_[static_cast<size_t>(i - 1)] : no_list_;
}

FormList& FormTable::MutableList(int i) {
  if (i >= 1 && i <= ListCount()) return lists_[static_cast<size_t>(i - 1)];
  no_list_ = FormList{};
  return no_list_;
}

void FormTable::SetValue(int w, int k, std::string_view text) {
  if (!HasField(w, k)) return;
  FormField& field = Field(w, k);
  field.Value = FitText(text, field.Len);
}

void FormTable::Reset(int16_t window_count, int16_t max_fields) {
  max_fields_ = max_fields < 0 ? 0 : max_fields;
  windows_.assign(window_count < 0 ? 0 : static_cast<size_t>(window_count), FormWindow{});
  lists_.clear();
}

void FormTable::ResetLists(int16_t list_count) {
  lists_.assign(list_count < 0 ? 0 : static_cast<size_t>(list_count), FormList{});
}

}  // namespace orb
