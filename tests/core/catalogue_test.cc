#include "core/catalogue.h"

#include <random>

#include "temp_dir.h"

namespace orb {
namespace {

class CatalogueTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directories(dir_ / "LOCALE");
    session_.RootDir = Dir();
  }
  std::string In(const std::string& language, std::string_view key) {
    session_.Language = language;
    Catalogue catalogue(session_);
    return catalogue.Translate(key);
  }
  void WriteCatalogue(const std::string& content) { Write("LOCALE/RPTCARRY.LNG", content); }

  Session session_;
};

TEST_F(CatalogueTest, CatalanSessionTouchesNoFile) {
  std::filesystem::remove_all(dir_ / "LOCALE");
  session_.Language = "CAT";
  Catalogue catalogue(session_);
  EXPECT_EQ(catalogue.Translate("TOTAL"), "TOTAL");
  EXPECT_EQ(catalogue.CatalogueName(), "");
  EXPECT_FALSE(Exists("LOCALE"));
}

TEST_F(CatalogueTest, FirstLookupCreatesAnEmptyCatalogue) {
  session_.Language = "SPA";
  Catalogue catalogue(session_);
  EXPECT_EQ(catalogue.Translate("Data de tancament"), "Data de tancament");
  EXPECT_EQ(catalogue.CatalogueName(), "RPTCARRY");
  ASSERT_TRUE(Exists("LOCALE/RPTCARRY.LNG"));
  EXPECT_EQ(Read("LOCALE/RPTCARRY.LNG"), "");
}

TEST_F(CatalogueTest, ExistingCatalogueIsLeftUnchangedAndFoundWithoutRegardToCase) {
  std::filesystem::remove_all(dir_ / "LOCALE");
  Write("locale/rptcarry.lng", "TOTAL,Total es,Total gl,Total oc\r\n");
  EXPECT_EQ(In("SPA", "TOTAL"), "Total es");
  EXPECT_EQ(Read("locale/rptcarry.lng"), "TOTAL,Total es,Total gl,Total oc\r\n");
  EXPECT_FALSE(Exists("LOCALE"));
}

TEST_F(CatalogueTest, MissingLocaleDirectoryReturnsTheKey) {
  std::filesystem::remove_all(dir_ / "LOCALE");
  EXPECT_EQ(In("SPA", "TOTAL"), "TOTAL");
  EXPECT_FALSE(Exists("LOCALE"));
}

TEST_F(CatalogueTest, LanguageChoosesTheItem) {
  WriteCatalogue("P\xb7GINA ,P\xb5GINA ,P\xd6XINA ,PAGINA \r\n"
                 "\"S,N\",\"S,N\",\"S,N\",\"O,N\"\r\n");
  EXPECT_EQ(In("SPA", "P\xb7GINA "), "P\xb5GINA ");
  EXPECT_EQ(In("GLG", "P\xb7GINA "), "P\xd6XINA ");
  EXPECT_EQ(In("OCI", "P\xb7GINA "), "PAGINA ");
  EXPECT_EQ(In("OCI", "S,N"), "O,N");
  // Trailing blanks are part of the key; case matters.
  EXPECT_EQ(In("SPA", "P\xb7GINA"), "P\xb7GINA");
  EXPECT_EQ(In("SPA", "p\xb7gina "), "p\xb7gina ");
  // Unknown languages, lower-case codes and blanks keep the key, but do read the file.
  EXPECT_EQ(In("XYZ", "P\xb7GINA "), "P\xb7GINA ");
  EXPECT_EQ(In("spa", "P\xb7GINA "), "P\xb7GINA ");
  EXPECT_EQ(In("   ", "P\xb7GINA "), "P\xb7GINA ");
}

TEST_F(CatalogueTest, RecordsMaySpanLinesAndShareThem) {
  WriteCatalogue("A,a-es\r\na-gl,a-oc,B,b-es\r\n  b-gl,b-oc\r\n");
  EXPECT_EQ(In("GLG", "A"), "a-gl");
  EXPECT_EQ(In("SPA", "B"), "b-es");
  EXPECT_EQ(In("OCI", "B"), "b-oc");
}

TEST_F(CatalogueTest, FirstRecordWinsAndEmptyTranslationsAreEmpty) {
  WriteCatalogue("TOTAL,TOTAL,TOTAL,TOTAL\r\nX,first,,\r\nX,second,g,o\r\n");
  for (const char* language : {"SPA", "GLG", "OCI", "XYZ"}) {
    EXPECT_EQ(In(language, "TOTAL"), "TOTAL") << language;
  }
  EXPECT_EQ(In("SPA", "X"), "first");
  EXPECT_EQ(In("GLG", "X"), "");
}

TEST_F(CatalogueTest, ShortRecordsAndEndMark) {
  WriteCatalogue("A,a-es,a-gl,a-oc\r\nB");
  EXPECT_EQ(In("SPA", "B"), "B");  // cut short after its key
  WriteCatalogue("A,a-es\x1a,a-gl,a-oc\r\nB,b,b,b\r\n");
  EXPECT_EQ(In("SPA", "A"), "a-es");
  EXPECT_EQ(In("SPA", "B"), "B");
  WriteCatalogue("C,c-es");  // the missing items read as empty
  EXPECT_EQ(In("GLG", "C"), "");
}

TEST_F(CatalogueTest, LineFeedLineEndsAndUtf8ReadAsCrLfCodePage850) {
  WriteCatalogue("TOTAL,Total es,Total gl,Total oc\nA,a-es\na-gl,a-oc\n");
  EXPECT_EQ(In("SPA", "TOTAL"), "Total es");
  EXPECT_EQ(In("OCI", "TOTAL"), "Total oc");
  EXPECT_EQ(In("GLG", "A"), "a-gl");
  // The program's keys are code page 850; a UTF-8 catalogue matches them.
  WriteCatalogue("P\xc3\x80GINA ,P\xc3\x81GINA ,P\xc3\x81XINA ,PAGINA \n");
  EXPECT_EQ(In("SPA", "P\xb7GINA "), "P\xb5GINA ");
  WriteCatalogue("\xef\xbb\xbfTOTAL,Suma,Suma gl,Suma oc\r\n");
  EXPECT_EQ(In("SPA", "TOTAL"), "Suma");
}

TEST_F(CatalogueTest, EditsAreSeenAtTheNextLookup) {
  session_.Language = "SPA";
  Catalogue catalogue(session_);
  WriteCatalogue("A,uno,,\r\n");
  EXPECT_EQ(catalogue.Translate("A"), "uno");
  WriteCatalogue("A,dos,,\r\n");
  EXPECT_EQ(catalogue.Translate("A"), "dos");
}

TEST_F(CatalogueTest, SurvivesRandomAndTruncatedBytes) {
  const std::string good = "TOTAL,Total,Total,Total\r\n\"A, B\",\"x\",y,z\r\nK,k1,k2,k3\r\n";
  for (size_t cut = 0; cut <= good.size(); ++cut) {
    WriteCatalogue(good.substr(0, cut));
    const std::string got = In("OCI", "K");
    EXPECT_TRUE(got == "K" || std::string("k3").starts_with(got)) << cut;
  }
  std::mt19937 random(99);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 200, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    WriteCatalogue(bytes);
    In("SPA", "TOTAL");
  }
}

}  // namespace
}  // namespace orb
