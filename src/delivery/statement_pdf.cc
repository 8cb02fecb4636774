#include "delivery/statement_pdf.h"

#include <hpdf.h>

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/cp850.h"

namespace orb {
namespace {

constexpr double kPageWidth = 595.276;
constexpr double kPageHeight = 841.89;
constexpr double kLeft = 42;
constexpr double kRight = kPageWidth - 42;
constexpr double kTableFont = 8;
constexpr double kRowHeight = 13;
// Right edges of the six figure columns; the property column runs up to the first.
constexpr double kFigureRight[6] = {268, 326, 384, 442, 500, kRight};
constexpr double kPropertyRight = 206;

constexpr std::pair<char32_t, uint8_t> kWinAnsiHigh[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
    {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
    {0x017E, 0x9E}, {0x0178, 0x9F},
};

char WinAnsiByte(char32_t ch) {
  if ((ch >= 0x20 && ch < 0x7F) || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<char>(ch);
  for (const auto& [unicode, byte] : kWinAnsiHigh) {
    if (unicode == ch) return static_cast<char>(byte);
  }
  if (ch == 0x2500 || ch == 0x2550) return '-';
  if (ch == 0x2502 || ch == 0x2551) return '|';
  return '?';
}

// libharu reports errors through a handler; the first one is kept.
struct PdfErrors {
  HPDF_STATUS code = HPDF_OK;
  HPDF_STATUS detail = 0;
};

void OnPdfError(HPDF_STATUS code, HPDF_STATUS detail, void* data) {
  auto* errors = static_cast<PdfErrors*>(data);
  if (errors->code == HPDF_OK) {
    errors->code = code;
    errors->detail = detail;
  }
}

class PageWriter {
 public:
  PageWriter(HPDF_Page page, HPDF_Font regular, HPDF_Font bold)
      : page_(page), regular_(regular), bold_(bold) {}

  void Text(double x, double y, const std::string& text, bool bold, double size) {
    HPDF_Page_BeginText(page_);
    HPDF_Page_SetFontAndSize(page_, bold ? bold_ : regular_, static_cast<HPDF_REAL>(size));
    HPDF_Page_TextOut(page_, static_cast<HPDF_REAL>(x), static_cast<HPDF_REAL>(y), text.c_str());
    HPDF_Page_EndText(page_);
  }
  double Width(const std::string& text, bool bold, double size) {
    HPDF_Page_SetFontAndSize(page_, bold ? bold_ : regular_, static_cast<HPDF_REAL>(size));
    return HPDF_Page_TextWidth(page_, text.c_str());
  }
  void RightText(double right, double y, const std::string& text, bool bold, double size) {
    Text(right - Width(text, bold, size), y, text, bold, size);
  }
  // The text cut until it fits the width.
  std::string Fit(std::string text, double width, bool bold, double size) {
    while (!text.empty() && Width(text, bold, size) > width) text.pop_back();
    return text;
  }
  void Rule(double y, double width) {
    HPDF_Page_SetLineWidth(page_, static_cast<HPDF_REAL>(width));
    HPDF_Page_MoveTo(page_, static_cast<HPDF_REAL>(kLeft), static_cast<HPDF_REAL>(y));
    HPDF_Page_LineTo(page_, static_cast<HPDF_REAL>(kRight), static_cast<HPDF_REAL>(y));
    HPDF_Page_Stroke(page_);
  }

 private:
  HPDF_Page page_;
  HPDF_Font regular_;
  HPDF_Font bold_;
};

void TableRow(PageWriter& w, double y, const StatementRow& row, bool bold) {
  const std::string label = ToWinAnsi(row.code.empty() ? row.name : row.code + "  " + row.name);
  w.Text(kLeft, y, w.Fit(label, kPropertyRight - kLeft, bold, kTableFont), bold, kTableFont);
  for (size_t i = 0; i < 6; ++i) {
    w.RightText(kFigureRight[i], y, ToWinAnsi(row.figures[i]), bold, kTableFont);
  }
}

}  // namespace

std::string ToWinAnsi(std::string_view cp850_text) {
  std::string out;
  out.reserve(cp850_text.size());
  for (char c : cp850_text) out += WinAnsiByte(cp850::ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

bool RenderStatementPdf(const StatementDocument& d, std::string& pdf, std::string& error) {
  PdfErrors errors;
  HPDF_Doc doc = HPDF_New(OnPdfError, &errors);
  if (doc == nullptr) {
    error = "the PDF library could not start";
    return false;
  }
  HPDF_SetCompressionMode(doc, HPDF_COMP_ALL);
  HPDF_SetInfoAttr(doc, HPDF_INFO_TITLE, ToWinAnsi(d.doc_title).c_str());
  HPDF_SetInfoAttr(doc, HPDF_INFO_AUTHOR, ToWinAnsi(d.doc_author).c_str());
  HPDF_SetInfoAttr(doc, HPDF_INFO_CREATOR, "rptcarry");
  HPDF_Font regular = HPDF_GetFont(doc, "Helvetica", "WinAnsiEncoding");
  HPDF_Font bold = HPDF_GetFont(doc, "Helvetica-Bold", "WinAnsiEncoding");

  const size_t rows = d.rows.size();
  const size_t pages = rows == 0 ? 1 : (rows + kStatementRowsPerPage - 1) / kStatementRowsPerPage;
  for (size_t p = 0; p < pages && errors.code == HPDF_OK; ++p) {
    HPDF_Page page = HPDF_AddPage(doc);
    HPDF_Page_SetSize(page, HPDF_PAGE_SIZE_A4, HPDF_PAGE_PORTRAIT);
    PageWriter w(page, regular, bold);
    double y = kPageHeight - 56;
    for (size_t i = 0; i < d.holder_lines.size(); ++i) {
      w.Text(kLeft, y, ToWinAnsi(d.holder_lines[i]), i == 0, i == 0 ? 12 : 9);
      y -= i == 0 ? 15 : 12;
    }
    y -= 18;
    w.Text(kLeft, y, ToWinAnsi(d.heading), true, 14);
    y -= 22;
    for (const std::string& line : d.owner_lines) {
      w.Text(kLeft, y, ToWinAnsi(line), false, 10);
      y -= 14;
    }
    y -= 12;
    w.Text(kLeft, y, ToWinAnsi(d.column_heads[0]), true, kTableFont);
    for (size_t i = 0; i < 6; ++i) {
      w.RightText(kFigureRight[i], y, ToWinAnsi(d.column_heads[i + 1]), true, kTableFont);
    }
    y -= 5;
    w.Rule(y, 0.6);
    y -= kRowHeight;
    const size_t first = p * kStatementRowsPerPage;
    const size_t last = std::min(rows, first + kStatementRowsPerPage);
    for (size_t r = first; r < last; ++r) {
      TableRow(w, y, d.rows[r], false);
      y -= kRowHeight;
    }
    if (p + 1 == pages) {
      y += kRowHeight - 5;
      w.Rule(y, 0.6);
      y -= kRowHeight;
      TableRow(w, y, d.total, true);
    }
    const std::string number = ToWinAnsi(d.page_word + std::to_string(p + 1) + d.of_word +
                                          std::to_string(pages));
    w.RightText(kRight, 36, number, false, 8);
  }

  if (errors.code == HPDF_OK) HPDF_SaveToStream(doc);
  if (errors.code == HPDF_OK) {
    HPDF_UINT32 size = HPDF_GetStreamSize(doc);
    pdf.assign(size, '\0');
    HPDF_ReadFromStream(doc, reinterpret_cast<HPDF_BYTE*>(pdf.data()), &size);
    pdf.resize(size);
  }
  HPDF_Free(doc);
  if (errors.code != HPDF_OK) {
    char text[64];
    std::snprintf(text, sizeof text, "the PDF library failed (error 0x%04X, %u)",
                  static_cast<unsigned>(errors.code), static_cast<unsigned>(errors.detail));
    error = text;
    return false;
  }
  return true;
}

}  // namespace orb
