#include "orbprint/pdf_render.h"

#include <algorithm>
#include <cstdio>

#include "platform/cp850.h"

namespace orb::print {
namespace {

constexpr double kPageWidth = 595.28;   // A4, points
constexpr double kPageHeight = 841.89;
constexpr double kMargin = 28.35;       // 1 cm
constexpr double kLineHeight = 12.0;    // 6 lines per inch
constexpr double kCourierAdvance = 0.6; // glyph width per point of font size

// WinAnsi bytes 0x80..0x9F and the characters they stand for.
constexpr std::pair<char32_t, uint8_t> kWinAnsiHigh[] = {
    {0x20AC, 0x80}, {0x201A, 0x82}, {0x0192, 0x83}, {0x201E, 0x84}, {0x2026, 0x85},
    {0x2020, 0x86}, {0x2021, 0x87}, {0x02C6, 0x88}, {0x2030, 0x89}, {0x0160, 0x8A},
    {0x2039, 0x8B}, {0x0152, 0x8C}, {0x017D, 0x8E}, {0x2018, 0x91}, {0x2019, 0x92},
    {0x201C, 0x93}, {0x201D, 0x94}, {0x2022, 0x95}, {0x2013, 0x96}, {0x2014, 0x97},
    {0x02DC, 0x98}, {0x2122, 0x99}, {0x0161, 0x9A}, {0x203A, 0x9B}, {0x0153, 0x9C},
    {0x017E, 0x9E}, {0x0178, 0x9F},
};

uint8_t WinAnsiByte(char32_t ch) {
  if (ch >= 0x20 && ch < 0x7F) return static_cast<uint8_t>(ch);
  if (ch >= 0xA0 && ch <= 0xFF) return static_cast<uint8_t>(ch);
  for (const auto& [unicode, byte] : kWinAnsiHigh) {
    if (unicode == ch) return byte;
  }
  if (ch == 0x2500 || ch == 0x2017) return '-';
  if (ch == 0x2550) return '=';
  if (ch == 0x2502 || ch == 0x2551) return '|';
  if (ch > 0x2500 && ch < 0x2580) return '+';
  if ((ch >= 0x2580 && ch <= 0x2593) || ch == 0x25A0) return '#';
  if (ch == 0x0131) return 'i';
  return '?';
}

std::string Number(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  return buffer;
}

std::string PdfString(std::string_view win_ansi) {
  std::string out = "(";
  for (char c : win_ansi) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '(' || c == ')' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 32 || b >= 127) {
      char octal[8];
      std::snprintf(octal, sizeof octal, "\\%03o", b);
      out += octal;
    } else {
      out += c;
    }
  }
  return out + ")";
}

double Advance(Pitch pitch) { return 72.0 / CharactersPerInch(pitch); }

double DocumentScale(const std::vector<Page>& pages) {
  double width = 0, height = 0;
  for (const Page& page : pages) {
    height = std::max(height, page.length * kLineHeight);
    for (const auto& items : page.lines) {
      for (const PlacedItem& item : items) {
        width = std::max(width, (item.column - 1 + item.text.size()) * Advance(item.pitch));
      }
    }
  }
  double scale = 1.0;
  if (width > 0) scale = std::min(scale, (kPageWidth - 2 * kMargin) / width);
  if (height > 0) scale = std::min(scale, (kPageHeight - 2 * kMargin) / height);
  return scale;
}

std::string PageContent(const Page& page, double scale) {
  std::string out;
  for (size_t line = 0; line < page.lines.size(); ++line) {
    const double y = kPageHeight - kMargin - (line + 0.8) * kLineHeight * scale;
    for (const PlacedItem& item : page.lines[line]) {
      std::string_view text = item.text;
      while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
      if (text.empty()) continue;
      const double advance = Advance(item.pitch) * scale;
      out += "BT /F1 " + Number(advance / kCourierAdvance) + " Tf " +
             Number(kMargin + (item.column - 1) * advance) + " " + Number(y) + " Td " +
             PdfString(ToWinAnsi(text)) + " Tj ET\n";
    }
  }
  return out;
}

}  // namespace

std::string ToWinAnsi(std::string_view cp850_text) {
  std::string out;
  out.reserve(cp850_text.size());
  for (char c : cp850_text) {
    out += static_cast<char>(WinAnsiByte(cp850::ToUnicode(static_cast<uint8_t>(c))));
  }
  return out;
}

std::string RenderPdf(const std::vector<Page>& pages) {
  const std::vector<Page> blank(1);
  const std::vector<Page>& all = pages.empty() ? blank : pages;
  const double scale = DocumentScale(all);

  std::string pdf = "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n";
  std::vector<size_t> offsets;  // of objects 1, 2, ...
  auto add_object = [&](const std::string& body) {
    offsets.push_back(pdf.size());
    pdf += std::to_string(offsets.size()) + " 0 obj\n" + body + "\nendobj\n";
  };

  std::string kids;
  for (size_t i = 0; i < all.size(); ++i) {
    kids += (i ? " " : "") + std::to_string(4 + 2 * i) + " 0 R";
  }
  add_object("<< /Type /Catalog /Pages 2 0 R >>");
  add_object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(all.size()) +
             " >>");
  add_object("<< /Type /Font /Subtype /Type1 /BaseFont /Courier /Encoding /WinAnsiEncoding >>");
  for (size_t i = 0; i < all.size(); ++i) {
    add_object("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + Number(kPageWidth) + " " +
               Number(kPageHeight) + "] /Resources << /Font << /F1 3 0 R >> >> /Contents " +
               std::to_string(5 + 2 * i) + " 0 R >>");
    const std::string content = PageContent(all[i], scale);
    add_object("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
               "endstream");
  }

  const size_t xref = pdf.size();
  pdf += "xref\n0 " + std::to_string(offsets.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char entry[24];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    pdf += entry;
  }
  pdf += "trailer\n<< /Size " + std::to_string(offsets.size() + 1) +
         " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

}  // namespace orb::print
