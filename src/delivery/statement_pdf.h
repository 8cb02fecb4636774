// The owner statement as a PDF document (A4, through libharu): the holder and the
// owner at the head, then a table of one row per property with the six figures and the
// owner's total, continued over as many pages as it needs, each page numbered "x of N".
// Every text arrives already worded and formatted (code page 850); here it only becomes
// the PDF's WinAnsi text, so that accented letters show as such.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace orb {

struct StatementRow {
  std::string code;                   // the property code as shown
  std::string name;
  std::array<std::string, 6> figures;  // collected ... carry-over, formatted
};

struct StatementDocument {
  std::string doc_title;   // the PDF's Title
  std::string doc_author;  // the PDF's Author
  std::string heading;     // the statement's title line
  std::vector<std::string> holder_lines;  // name, tax id
  std::vector<std::string> owner_lines;   // code and name, tax id, closing date
  std::array<std::string, 7> column_heads;  // property, then the six figures
  std::vector<StatementRow> rows;
  StatementRow total;                     // name holds the total's label
  std::string page_word;                  // "PAGE " as in "PAGE 1 OF 2"
  std::string of_word;                    // " OF "
};

// Rows that fit on one page of the table.
inline constexpr int kStatementRowsPerPage = 40;

// The PDF bytes; false with the reason when the library failed.
bool RenderStatementPdf(const StatementDocument& document, std::string& pdf, std::string& error);

// A code page 850 text as WinAnsi bytes (characters WinAnsi lacks become "?").
std::string ToWinAnsi(std::string_view cp850_text);

}  // namespace orb
