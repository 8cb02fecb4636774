// The statement document: a long table runs over pages numbered "x of N", accents show,
// and the document carries its title and author.
#include "delivery/statement_pdf.h"

#include <gtest/gtest.h>

#include "../core/temp_dir.h"
#include "delivery_fixture.h"

namespace orb::testing {
namespace {

class StatementPdfTest : public TempDirTest {};

StatementDocument LongStatement(int rows) {
  StatementDocument d;
  d.doc_title = "LIQUIDACI\xe0 AL PROPIETARI 0007";
  d.doc_author = "Finques Mart\xa1 i Soler";
  d.heading = "LIQUIDACI\xe0 AL PROPIETARI";
  d.holder_lines = {"Finques Mart\xa1 i Soler", "NIF: ES39457812R"};
  d.owner_lines = {"Propietari: 0007  Merc\x8a Riera", "NIF: ES23775684D"};
  d.column_heads = {"FINCA", "COBRAT", "PENDENT", "DESPESES", "HONORARIS", "SUPLERTS", "R\xe3SSEC"};
  for (int i = 0; i < rows; ++i) {
    d.rows.push_back({std::to_string(100 + i), "C/ MAJOR, " + std::to_string(i),
                      {"1.000'00", "0'00", "0'00", "100'00", "0'00", "900'00"}});
  }
  d.total = {"", "TOTAL", {"85.000'00", "0'00", "0'00", "8.500'00", "0'00", "76.500'00"}};
  d.page_word = "P\xb7GINA ";
  d.of_word = " DE ";
  return d;
}

TEST_F(StatementPdfTest, ALongTableRunsOverNumberedPages) {
  const int rows = 2 * kStatementRowsPerPage + 5;
  std::string pdf, error;
  ASSERT_TRUE(RenderStatementPdf(LongStatement(rows), pdf, error)) << error;
  ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
  Write("s.pdf", pdf);
  const std::string text = PdfText(dir_ / "s.pdf");
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.find("P\xc3\x80GINA 1 DE 3"), std::string::npos) << text;
  EXPECT_NE(text.find("P\xc3\x80GINA 3 DE 3"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 3);
  EXPECT_NE(text.find("Merc\xc3\xa8 Riera"), std::string::npos);  // accents as such
  EXPECT_NE(text.find("R\xc3\x92SSEC"), std::string::npos);
  EXPECT_NE(text.find("C/ MAJOR, " + std::to_string(rows - 1)), std::string::npos);
  // The total only once, on the last page.
  const size_t total = text.find("TOTAL");
  EXPECT_GT(total, text.find("P\xc3\x80GINA 2 DE 3"));
  EXPECT_EQ(total, text.rfind("TOTAL"));
  // Title and author in the document information (PDFDocEncoding: Latin-1 accents).
  EXPECT_NE(pdf.find("/Title (LIQUIDACI\\323 AL PROPIETARI 0007)"), std::string::npos);
  EXPECT_NE(pdf.find("/Author (Finques Mart\\355 i Soler)"), std::string::npos);
}

TEST_F(StatementPdfTest, NoRowsStillGivesOnePage) {
  std::string pdf, error;
  ASSERT_TRUE(RenderStatementPdf(LongStatement(0), pdf, error)) << error;
  Write("s.pdf", pdf);
  EXPECT_NE(PdfText(dir_ / "s.pdf").find("P\xc3\x80GINA 1 DE 1"), std::string::npos);
}

TEST(WinAnsiTest, CodePage850BecomesWinAnsi) {
  EXPECT_EQ(ToWinAnsi("R\xe3SSEC \x87 \xb7 \xd5"), "R\xd2SSEC \xe7 \xc0 \x80");  // Ò ç À €
  EXPECT_EQ(ToWinAnsi("\xc4\xcd"), "--");  // box lines
  EXPECT_EQ(ToWinAnsi("\xdb"), "?");
}

}  // namespace
}  // namespace orb::testing
