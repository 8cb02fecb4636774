#include <gtest/gtest.h>

#include <random>

#include "orbprint/device.h"
#include "orbprint/page_layout.h"
#include "orbprint/pdf_render.h"
#include "orbprint/print_document.h"
#include "orbprint/text_render.h"

namespace orb::print {
namespace {

std::vector<Page> Pages(const std::string& file) {
  PrintDocument doc;
  const ParseResult r = ParsePrintDocument(file, doc);
  EXPECT_TRUE(r.ok) << r.error_line << ": " << r.error;
  return LayOutPages(doc);
}

TEST(TextRenderTest, ItemsSitAtTheirStartColumnsAndAdvanceLines) {
  const std::string file =
      "DEVICE\r\nPAGE 66 \r\n*@e\r\n 1 ,CASA, 0 \r\nJUSD\r\n 12 ,P\xb7G   1, 2 \r\n"
      " 3 ,T\xa1TOL, 2 \r\n*q\r\n 1 ,PRO., 0 \r\n 8 ,     COBRAT, 1 \r\n"
      " 1 ,-------------------, 1 \r\n 8 ,   1.234'56, 1 \r\n";
  EXPECT_EQ(RenderText(Pages(file)),
            "CASA       P\xc3\x80G   1\n"
            "\n"
            "  T\xc3\xadTOL\n"
            "\n"
            "PRO.        COBRAT\n"
            "-------------------\n"
            "          1.234'56\n");
}

TEST(TextRenderTest, LaterItemsOverwriteAndBlanksAtTheEndAreDropped) {
  const std::string file =
      "DEVICE\r\nPAGE 5 \r\n 1 ,abcdef   , 0 \r\n 3 ,XY, 0 \r\n 10 ,   , 3 \r\n"
      "-4 ,left, 0 \r\n 0 ,L, 1 \r\n";
  EXPECT_EQ(RenderText(Pages(file)), "abXYef\n\n\nLeft\n");
}

TEST(TextRenderTest, PagesBreakAtPageLinesAndWhenThePageIsFull) {
  const std::string file =
      "DEVICE\r\nPAGE 3 \r\n 1 ,a, 1 \r\n 1 ,b, 5 \r\n 1 ,c, 1 \r\nPAGE 2 \r\nPAGE 2 \r\n"
      " 2 ,d, -9 \r\n 2 ,e, 0 \r\n";
  const std::vector<Page> pages = Pages(file);
  ASSERT_EQ(pages.size(), 4u);
  EXPECT_EQ(pages[1].length, 3);  // the run-on page keeps the length
  EXPECT_EQ(RenderText(pages), "a\nb\n\fc\n\f\f e\n");
  EXPECT_EQ(RenderPreview(Pages("DEVICE\r\n 1 ,a, 0 \r\nPAGE 66 \r\n 1 ,b, 0 \r\n")),
            "a\n\n" + [] {
              std::string rule;
              for (int i = 0; i < 60; ++i) rule += "\u2500";
              return rule + " 2/2 " + rule;
            }() + "\n\nb\n");
}

TEST(PageLayoutTest, PageLengthBelowOneCountsAsTheStandardForm) {
  // A module that never set a page length writes "PAGE 0" before every item.
  const std::vector<Page> pages =
      Pages("DEVICE\r\nPAGE 0 \r\n 1 ,a, 70 \r\nPAGE 0 \r\n 1 ,b, 0 \r\n");
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].length, kDefaultPageLength);
  const std::vector<Page> implicit = Pages("DEVICE\r\n 1 ,a, 65 \r\n 1 ,b, 1 \r\n 1 ,c, 0 \r\n");
  ASSERT_EQ(implicit.size(), 2u);
  EXPECT_EQ(implicit[0].lines.size(), 66u);
}

TEST(PageLayoutTest, PitchAndJustificationFollowTheCommands) {
  const std::vector<Page> pages = Pages(
      "DEVICE\r\n 1 ,a, 0 \r\n*@e\r\n 2 ,b, 0 \r\n*q\r\nJUSC\r\n 3 ,c, 0 \r\n*zz\r\n"
      "JUSN 2 \\Z\\\r\n 4 ,d, 0 \r\n*@\r\n 5 ,e, 0 \r\n");
  const auto& items = pages.at(0).lines.at(0);
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].pitch, Pitch::kPica);
  EXPECT_EQ(items[0].justify, "E");
  EXPECT_EQ(items[1].pitch, Pitch::kElite);
  EXPECT_EQ(items[2].pitch, Pitch::kCondensed);
  EXPECT_EQ(items[2].justify, "C");
  EXPECT_EQ(items[3].pitch, Pitch::kCondensed);
  EXPECT_EQ(items[3].justify, "N 2 \\Z\\");
  EXPECT_EQ(items[4].pitch, Pitch::kPica);
}

TEST(PageLayoutTest, ExtremeColumnsAndAdvancesStayBounded) {
  std::string file =
      "DEVICE\r\nPAGE 32767 \r\n 32767 ,far, 5 \r\n 248 ,abcdef, -32768 \r\n"
      " 1 ,x, 32767 \r\n 1 ,y, 0 \r\n";
  const std::vector<Page> pages = Pages(file);
  ASSERT_EQ(pages.size(), 2u);  // y falls beyond the last line
  EXPECT_EQ(RenderText(pages), "x\n\n\n\n\n" + std::string(247, ' ') + "abc\n\fy\n");
  // Random instruction streams lay out and render without trouble.
  std::mt19937 rng(99);
  for (int round = 0; round < 200; ++round) {
    std::string f = "DEVICE\r\n";
    for (int k = 0; k < 50; ++k) {
      const int pick = rng() % 4;
      const int n = static_cast<int>(rng() % 65536) - 32768;
      if (pick == 0) f += "PAGE " + std::to_string(rng() % 200) + " \r\n";
      if (pick == 1) f += "*q\r\n";
      if (pick >= 2) f += std::to_string(n) + " ,x\xb7y, " + std::to_string(rng() % 90) + " \r\n";
    }
    const std::vector<Page> p = Pages(f);
    RenderText(p);
    EXPECT_EQ(RenderPdf(p).substr(0, 8), "%PDF-1.4");
  }
}

TEST(PdfRenderTest, StructureOffsetsAndWinAnsiText) {
  const std::string pdf = RenderPdf(Pages(
      "DEVICE\r\nPAGE 66 \r\n*@e\r\n 1 ,P\xb7GINA (1) \\ \xd5, 1 \r\n*q\r\n 1 ,\xc4\xcd\xb3\xdb, 0 \r\n"
      "PAGE 66 \r\n 1 ,x, 0 \r\n"));
  EXPECT_EQ(pdf.substr(0, 9), "%PDF-1.4\n");
  EXPECT_NE(pdf.find("/BaseFont /Courier /Encoding /WinAnsiEncoding"), std::string::npos);
  EXPECT_NE(pdf.find("/Count 2"), std::string::npos);
  EXPECT_NE(pdf.find("(P\\300GINA \\(1\\) \\\\ \\200) Tj"), std::string::npos);
  EXPECT_NE(pdf.find("(-=|#) Tj"), std::string::npos);
  // Every cross-reference entry points at its object.
  const size_t xref = pdf.find("xref\n0 ");
  ASSERT_NE(xref, std::string::npos);
  const size_t count = std::stoul(pdf.substr(xref + 7));
  EXPECT_EQ(count, 8u);  // catalog, pages, font, two pages and their contents
  size_t entry = pdf.find('\n', xref + 7) + 1 + 20;
  for (size_t object = 1; object < count; ++object, entry += 20) {
    const size_t offset = std::stoul(pdf.substr(entry, 10));
    EXPECT_EQ(pdf.compare(offset, std::to_string(object).size() + 6,
                          std::to_string(object) + " 0 obj"), 0) << object;
  }
  EXPECT_NE(pdf.find("startxref\n" + std::to_string(xref) + "\n%%EOF"), std::string::npos);
}

TEST(PdfRenderTest, CondensedBodyAndEliteHeadShareTheWidthOfAnA4Page) {
  const std::string pdf = RenderPdf(Pages(
      "DEVICE\r\nPAGE 66 \r\n*@e\r\n 85 ,P\xb7GINA    1, 2 \r\n*q\r\n 1 ," + std::string(135, '-') +
      ", 1 \r\n"));
  // Elite head ends at 95 x 6 pt and the condensed rule at 135 x 4.2 pt: the head is the
  // widest, scaled to the 538.58 pt between the margins.
  const double scale = 538.58 / 570.0;
  char head[64], body[64];
  std::snprintf(head, sizeof head, "/F1 %.2f Tf %.2f", 10.0 * scale, 28.35 + 84 * 6.0 * scale);
  std::snprintf(body, sizeof body, "/F1 %.2f Tf 28.35", 7.0 * scale);
  EXPECT_NE(pdf.find(head), std::string::npos) << head;
  EXPECT_NE(pdf.find(body), std::string::npos) << body;
  EXPECT_NE(RenderPdf({}).find("/Count 1"), std::string::npos);
}

TEST(DeviceTest, DeviceTextsChooseTheOutput) {
  Device d;
  std::string error;
  ASSERT_TRUE(ParseDevice("", d, error));
  EXPECT_EQ(d.kind, Device::Kind::kScreen);
  ASSERT_TRUE(ParseDevice("  pantalla ", d, error));
  EXPECT_EQ(d.kind, Device::Kind::kScreen);
  ASSERT_TRUE(ParseDevice("Screen", d, error));
  ASSERT_TRUE(ParseDevice("pdf", d, error));
  EXPECT_EQ(d.kind, Device::Kind::kPdf);
  EXPECT_EQ(OutputFileName(d, "/tmp/w\\"), "/tmp/w\\orbprint.pdf");
  ASSERT_TRUE(ParseDevice("PDF: informes\\r.pdf ", d, error));
  EXPECT_EQ(OutputFileName(d, "W\\"), "W\\informes\\r.pdf");
  ASSERT_TRUE(ParseDevice("TEXT:/srv/r.txt", d, error));
  EXPECT_EQ(d.kind, Device::Kind::kText);
  EXPECT_EQ(OutputFileName(d, "W\\"), "/srv/r.txt");
  ASSERT_TRUE(ParseDevice("TXT", d, error));
  EXPECT_EQ(OutputFileName(d, ""), "orbprint.txt");
  ASSERT_TRUE(ParseDevice("TXT:C:\\r.txt", d, error));
  EXPECT_EQ(OutputFileName(d, "W\\"), "C:\\r.txt");  // refused later by the host layer
  ASSERT_TRUE(ParseDevice("lp:oficina", d, error));
  EXPECT_EQ(d.kind, Device::Kind::kPrinter);
  EXPECT_EQ(d.target, "oficina");

  EXPECT_FALSE(ParseDevice("LPT1", d, error));
  EXPECT_NE(error.find("LPT1"), std::string::npos);
  EXPECT_FALSE(ParseDevice("LP:-oraw", d, error));
  EXPECT_FALSE(ParseDevice("PANTALLA:x", d, error));
}

}  // namespace
}  // namespace orb::print
