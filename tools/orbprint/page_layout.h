// Page layout: the instructions of a print document placed on pages, the way a line
// printer would put them on paper.
//
// - "PAGE n" starts a new page of n lines (a length below 1 counts as 66). Items before
//   the first PAGE line go on a page of 66 lines.
// - An item is placed at the current line of the page, then the line moves down by its
//   advance (never above the top line). An item that falls at or beyond the page's last
//   line starts a new page of the same length, as the paper would run on.
// - Columns are start columns counted from 1; a column below 1 is placed at column 1.
//   Texts that would pass column kMaxColumns are cut there.
// - Commands set the pitch of the following items: "@e" elite (12 characters per inch,
//   the page head), "q" condensed (17 per inch, the 135-column body), "@" or "@p" pica
//   (10 per inch, the printer's default). Any other command is ignored.
// - A justification code is kept with each following item. The module pads every text to
//   its own width, so no code moves a text away from its start column.
#pragma once

#include <string>
#include <vector>

#include "orbprint/print_document.h"

namespace orb::print {

inline constexpr int kDefaultPageLength = 66;
inline constexpr int kMaxColumns = 250;

enum class Pitch { kPica, kElite, kCondensed };

struct PlacedItem {
  int column = 1;       // from 1
  std::string text;     // code page 850, no control bytes
  Pitch pitch = Pitch::kPica;
  std::string justify;  // the code in force, "E" by default
};

struct Page {
  int length = kDefaultPageLength;
  std::vector<std::vector<PlacedItem>> lines;  // only up to the last line used
};

std::vector<Page> LayOutPages(const PrintDocument& document);

// Characters per inch of a pitch.
double CharactersPerInch(Pitch pitch);

}  // namespace orb::print
