#include "ui/selection_check.h"

#include "format/dates.h"
#include "ui/key_reader.h"

namespace orb {

int16_t CheckSelectionEnd(FormEngine& engine, FieldFormats& formats, int16_t window,
                          int16_t key, Selection& selection) {
  if (key == keys::kEscape || window != 1) return 0;
  FormTable& table = engine.table();
  selection.ReportDate = formats.ParseDate(table.Value(1, 1));
  selection.FromOwnerKey = PackDottedCode(table.Value(1, 2));
  selection.ToOwnerKey = PackDottedCode(table.Value(1, 3));
  if (selection.FromOwnerKey > selection.ToOwnerKey) return -1;
  table.SetValue(2, 1, "");
  int16_t confirmation = 2, stay = 0, stay_too = 0, confirmation_key = 0;
  engine.RunForm(confirmation, stay, stay_too, confirmation_key);
  return table.Value(2, 1) == "S" ? 0 : -1;
}

}  // namespace orb
