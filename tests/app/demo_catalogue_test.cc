#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/item_reader.h"
#include "ui/form_loader.h"

namespace orb {
namespace {

// The demo installation's catalogue holds every fixed text of the form and the report
// in the three other languages; the form's labels keep their width so that the values
// stay aligned.
TEST(DemoCatalogueTest, EveryFixedTextIsTranslated) {
  const std::vector<std::string> report_keys = {
      "P\xb7GINA ", "TOTAL", "R\xe3SSEC DE VERTICAL ENTRE EL PROPIETARI ", " I EL ", " A ",
      "PRO.", "COD", "FINCA", "     COBRAT", "    PENDENT", "   DESPESES", "  HONORARIS",
      "   SUPLERTS", "     R\xe3SSEC"};
  const std::vector<std::string> column_heads(report_keys.begin() + 8, report_keys.end());
  const std::string print_file_failed = "NO S'HA POGUT ESCRIURE EL FITXER D'IMPRESSI\xe0 ";
  for (const char* language : {"SPA", "GLG", "OCI"}) {
    Session session;
    session.RootDir = std::string(ORB_TEST_DATA) + "/../demo/";
    session.Language = language;
    Catalogue catalogue(session);
    std::vector<std::string> asked;
    TextTranslator translate = [&](const std::string& key) {
      asked.push_back(key);
      return catalogue.Translate(key);
    };
    FormTable table;
    FormLoadResult loaded = LoadForm(session.RootDir + "FORMS/RPTCARRY.OPN", translate, "", table);
    ASSERT_TRUE(loaded.ok) << loaded.error;
    for (int k = 1; k <= 3; ++k) {
      EXPECT_EQ(table.Field(1, k).Label.size(), 19u) << language << " " << table.Field(1, k).Label;
    }
    EXPECT_EQ(table.Field(2, 1).Options.substr(0, 3), "|S,") << language;
    EXPECT_NE(table.Field(2, 1).Options.find("|N,"), std::string::npos) << language;
    for (const std::string& key : asked) {
      if (key.empty() || key == "|S,S\xa1|N,No" || key == "CODI__NOM") continue;
      if (std::string(language) != "OCI") {
        EXPECT_NE(catalogue.Translate(key), key) << language << ": " << key;
      }
    }
    for (const std::string& key : report_keys) {
      std::string text = catalogue.Translate(key);
      EXPECT_FALSE(text.empty()) << language << ": " << key;
      EXPECT_EQ(text.front() == ' ', key.front() == ' ') << language << ": " << key;
      EXPECT_EQ(text.back() == ' ', key.back() == ' ') << language << ": " << key;
    }
    const std::string told = catalogue.Translate(print_file_failed);
    EXPECT_NE(told, print_file_failed) << language;
    EXPECT_EQ(told.back(), ' ') << language;  // the file name follows
    for (const std::string& key : column_heads) {
      EXPECT_EQ(catalogue.Translate(key).size(), 11u) << language << ": " << key;
    }
    EXPECT_NE(catalogue.Translate("R\xe3SSEC DE VERTICAL ENTRE EL PROPIETARI "),
              std::string("R\xe3SSEC DE VERTICAL ENTRE EL PROPIETARI "));
    // What is said of the print program: each followed by a name or a number.
    for (const std::string key : {"NO ES POT ENGEGAR EL PROGRAMA D'IMPRESSI\xe0 ",
                                  "EL PROGRAMA D'IMPRESSI\xe0 HA FALLAT (ESTAT "}) {
      const std::string text = catalogue.Translate(key);
      EXPECT_NE(text, key) << language;
      EXPECT_EQ(text.back(), ' ') << language;
    }
    EXPECT_NE(catalogue.Translate("LA VARIABLE ORBEXE \x90S BUIDA"),
              "LA VARIABLE ORBEXE \x90S BUIDA") << language;
  }

  // The print program's own catalogue: four texts a record, none left untranslated.
  std::string bytes;
  std::ifstream in(std::string(ORB_TEST_DATA) + "/../demo/LOCALE/ORBPRINT.LNG", std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), {});
  ItemReader reader(bytes);
  int records = 0;
  while (!reader.AtEnd()) {
    const std::string catalan = reader.ReadText();
    const std::string spanish = reader.ReadText();
    const std::string galician = reader.ReadText();
    const std::string aranese = reader.ReadText();
    EXPECT_FALSE(spanish.empty() || galician.empty() || aranese.empty()) << catalan;
    EXPECT_NE(spanish, catalan);
    EXPECT_EQ(spanish.back() == ' ', catalan.back() == ' ') << catalan;
    EXPECT_EQ(aranese.back() == ' ', catalan.back() == ' ') << catalan;
    ++records;
  }
  EXPECT_GE(records, 10);
}

}  // namespace
}  // namespace orb
