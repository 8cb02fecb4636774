// Print document: the print file a module leaves for the print program, read and checked
// line by line. Lines end with CR LF (a bare LF is accepted too) and hold code page 850.
//
//   DEVICE<text>          first line: where the report goes
//   PAGE<n>               a new page of n lines
//   *<text>               a printer command ("@e", "q")
//   JUS<code>             justification of the following items: C, D, A, E or N n mask
//   <col>,<text>,<adv>    an item: text at a column, then move down adv lines
//
// Numbers are in print form (sign position, digits, blank); an item line is split at its
// first and its last comma, so its text may hold commas. Any other line is refused with
// its line number.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orb::print {

struct Instruction {
  enum class Kind { kPage, kCommand, kJustify, kItem };
  Kind kind = Kind::kItem;
  int line = 0;        // line number in the file, from 1
  int32_t number = 0;  // page length, or the item's column
  int32_t advance = 0; // item only
  std::string text;    // command text, justification code, or item text
};

struct PrintDocument {
  std::string device;
  std::vector<Instruction> instructions;
};

struct ParseResult {
  bool ok = false;
  int error_line = 0;  // 0 when the error concerns the whole file
  std::string error;   // what is wrong, without the line number
};

// Reads a whole print file. Control bytes in texts become blanks.
ParseResult ParsePrintDocument(std::string_view bytes, PrintDocument& out);

// A 16-bit number in print form (blanks around it allowed), or false.
bool ParsePrintNumber(std::string_view text, int32_t& value);

}  // namespace orb::print
