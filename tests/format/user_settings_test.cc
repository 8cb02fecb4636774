#include "format/user_settings.h"

#include <gtest/gtest.h>

#include "settings_file.h"

namespace orb {
namespace {

TEST(UserSettings, DefaultsWhenMissingOrBlank) {
  UserSettings missing(MissingVoraIni());
  EXPECT_EQ(missing.DateSeparator(), '/');
  EXPECT_EQ(missing.DateOrder(), "DMA");
  EXPECT_EQ(missing.DecimalSeparator(), '\'');
  EXPECT_EQ(missing.ThousandsSeparator(), '.');

  VoraIni ini("[Usuari]\r\nDatCaracter= -\r\nDatOrdre=   \r\nDecCaracter=\r\n");
  UserSettings blank(ini.path());
  EXPECT_EQ(blank.DateSeparator(), '/');  // begins with a space
  EXPECT_EQ(blank.DateOrder(), "DMA");
  EXPECT_EQ(blank.DecimalSeparator(), '\'');
}

TEST(UserSettings, FixedFieldsCutAndPadded) {
  VoraIni ini("[usuari]\r\ndatcaracter=-x\r\nDatOrdre=am\r\nDecCaracter=,,\r\n"
              "MilCaracter=\xfa\r\n");
  UserSettings settings(ini.path());
  EXPECT_EQ(settings.DateSeparator(), '-');
  EXPECT_EQ(settings.DateOrder(), "am ");
  EXPECT_EQ(settings.DecimalSeparator(), ',');
  EXPECT_EQ(settings.ThousandsSeparator(), '\xfa');
}

TEST(UserSettings, EachIsReadOnlyOnce) {
  VoraIni ini("[Usuari]\nDatCaracter=-\nDecCaracter=,\n");
  UserSettings settings(ini.path());
  EXPECT_EQ(settings.DateSeparator(), '-');
  ini.Rewrite("[Usuari]\nDatCaracter=.\nDecCaracter=;\nMilCaracter=_\n");
  EXPECT_EQ(settings.DateSeparator(), '-');     // kept
  EXPECT_EQ(settings.DecimalSeparator(), '\'');  // read now: ";" starts a comment
  EXPECT_EQ(settings.ThousandsSeparator(), '_');
}

}  // namespace
}  // namespace orb
