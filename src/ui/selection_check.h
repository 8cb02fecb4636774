// The check made when the operator leaves the selection form (window 1): the closing
// date and the owner range become the report's selection, a reversed range keeps the
// form open, and otherwise the confirmation (window 2) runs; only the answer "S" lets
// the form be left. Other windows are always let go.
#pragma once

#include <cstdint>
#include <string>

#include "ui/field_formats.h"
#include "ui/form_engine.h"

namespace orb {

struct Selection {
  std::string ReportDate;    // packed date
  std::string FromOwnerKey;  // packed owner code
  std::string ToOwnerKey;
};

// 0 when the window may be left; -1 keeps the selection form open. Sets `selection`
// from window 1 whenever it is asked about window 1 (except for Escape).
int16_t CheckSelectionEnd(FormEngine& engine, FieldFormats& formats, int16_t window,
                          int16_t key, Selection& selection);

}  // namespace orb
