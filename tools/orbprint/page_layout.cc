#include "orbprint/page_layout.h"

namespace orb::print {

double CharactersPerInch(Pitch pitch) {
  switch (pitch) {
    case Pitch::kElite:
      return 12.0;
    case Pitch::kCondensed:
      return 120.0 / 7.0;  // 17.14
    case Pitch::kPica:
      break;
  }
  return 10.0;
}

std::vector<Page> LayOutPages(const PrintDocument& document) {
  std::vector<Page> pages;
  Pitch pitch = Pitch::kPica;
  std::string justify = "E";
  int line = 0;
  auto start_page = [&](int length) {
    Page page;
    page.length = length < 1 ? kDefaultPageLength : length;
    pages.push_back(std::move(page));
    line = 0;
  };

  for (const Instruction& in : document.instructions) {
    switch (in.kind) {
      case Instruction::Kind::kPage:
        start_page(in.number);
        break;
      case Instruction::Kind::kCommand:
        if (in.text == "@e") {
          pitch = Pitch::kElite;
        } else if (in.text == "q") {
          pitch = Pitch::kCondensed;
        } else if (in.text == "@" || in.text == "@p") {
          pitch = Pitch::kPica;
        }
        break;
      case Instruction::Kind::kJustify:
        justify = in.text;
        break;
      case Instruction::Kind::kItem: {
        if (pages.empty()) start_page(kDefaultPageLength);
        if (line >= pages.back().length) start_page(pages.back().length);
        Page& page = pages.back();
        PlacedItem item;
        item.column = in.number < 1 ? 1 : in.number;
        if (item.column <= kMaxColumns) {
          const size_t room = static_cast<size_t>(kMaxColumns - item.column + 1);
          item.text = in.text.substr(0, room);
          item.pitch = pitch;
          item.justify = justify;
          if (page.lines.size() <= static_cast<size_t>(line)) page.lines.resize(line + 1);
          page.lines[line].push_back(std::move(item));
        }
        const int next = line + in.advance;  // both within 16 bits: no overflow
        line = next < 0 ? 0 : next > page.length ? page.length : next;
        break;
      }
    }
  }
  return pages;
}

}  // namespace orb::print
