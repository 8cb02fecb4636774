// The demo installation's catalogue holds the texts of the statements, the export and
// the mail in the three other languages, keeping the blanks the texts are joined with.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/catalogue.h"

namespace orb {
namespace {

TEST(DemoDeliveryTextsTest, EveryTextIsTranslated) {
  // Texts whose Spanish form is the Catalan one.
  const std::vector<std::string> same = {"NIF: ", " DE ", "Finca"};
  const std::vector<std::string> keys = {
      "LIQUIDACI\xe0 AL PROPIETARI", "Propietari: ", "Propietari", "Nom del propietari",
      "Nom de la finca", "Cobrat", "Pendent", "Despeses", "Honoraris", "Suplerts",
      "R\x95ssec", "L\xa1nia", "Total propietari", "Liquidaci\xa2 al propietari a ",
      "Benvolgut propietari,", "Us adjuntem la liquidaci\xa2 a ", "Atentament,",
      "Data de tancament: "};
  for (const char* language : {"SPA", "GLG", "OCI"}) {
    Session session;
    session.RootDir = std::string(ORB_TEST_DATA) + "/../demo/";
    session.Language = language;
    Catalogue catalogue(session);
    for (const std::string& key : keys) {
      const std::string text = catalogue.Translate(key);
      EXPECT_FALSE(text.empty()) << language << ": " << key;
      if (std::string(language) == "SPA") {
        EXPECT_NE(text, key) << key;
      }
      EXPECT_EQ(text.back() == ' ', key.back() == ' ') << language << ": " << key;
    }
    for (const std::string& key : same) EXPECT_EQ(catalogue.Translate(key), key) << language;
  }
}

}  // namespace
}  // namespace orb
