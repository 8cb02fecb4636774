// FieldEditor: edits one fixed-length value in place on the screen: cursor movement,
// insert and overwrite (the mode is kept from one field to the next), hidden echo,
// word jumps, clearing, the clipboard, and option fields whose value is chosen from a
// list of "|code,description" entries. It never changes the length of the value. The
// keys that end editing, and what they report, come from the ExitKeySet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/colour.h"
#include "platform/clipboard.h"
#include "platform/console.h"
#include "ui/exit_keys.h"
#include "ui/key_reader.h"

namespace orb {

// One entry of an option list.
struct FieldOption {
  std::string code;
  std::string description;
};

// Splits "|code,description|code,description..." into its entries.
std::vector<FieldOption> ParseFieldOptions(std::string_view options);

class FieldEditor {
 public:
  FieldEditor(Console& console, ColourSelector& colours, KeyReader& keys, ExitKeySet& exit_keys,
              Clipboard& clipboard)
      : console_(console), colours_(colours), keys_(keys), exit_keys_(exit_keys),
        clipboard_(clipboard) {}

  // The option list of the next fields edited ("" = free entry).
  void SetFieldOptions(std::string options) { options_ = std::move(options); }

  // Edits text at (row, column) (0: the cursor's row or column), in lines of
  // line_width characters (0: one line). position is the starting cursor position
  // (clamped to 1..length + 1) and returns the last one; key returns the key that ended
  // editing (a mouse click outside the field as -(column x 100 + row)).
  void EditField(int16_t row, int16_t column, int16_t line_width, std::string& text,
                 int16_t& position, int16_t& key);

  bool InsertMode() const { return insert_mode_; }
  void SetInsertMode(bool on) { insert_mode_ = on; }

 private:
  struct State;
  void Redraw(const State& s, std::string& text);
  void PlaceCursor(const State& s, int16_t position);
  // Acts on a key; true when it ends editing.
  bool ActOnPlainKey(State& s, std::string& text, int16_t& position, int16_t key);
  bool ActOnOptionKey(State& s, std::string& text, int16_t key);
  void Paste(std::string& text, int16_t position);

  Console& console_;
  ColourSelector& colours_;
  KeyReader& keys_;
  ExitKeySet& exit_keys_;
  Clipboard& clipboard_;
  std::string options_;
  bool insert_mode_ = false;
};

}  // namespace orb
