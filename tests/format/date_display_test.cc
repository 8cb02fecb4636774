#include "format/date_display.h"

#include <gtest/gtest.h>

#include "format/dates.h"
#include "format/packed_digits.h"
#include "settings_file.h"

namespace orb {
namespace {

std::string Date(int year, int month, int day) {
  return PackDigits(ZeroPad(year, 4) + ZeroPad(month, 2) + ZeroPad(day, 2));
}

struct LongDateCase {
  const char* language;
  const char* mode2_dma;
  const char* mode2_m;
};

TEST(FormatDate, FourLanguages) {
  UserSettings settings(MissingVoraIni());
  const std::string april5 = Date(2024, 4, 5);
  const LongDateCase cases[] = {
      {"CAT", "5 d'abril del 2024", "abril"},
      {"SPA", "5 de abril de 2024", "abril"},
      {"GLG", "5 de abril do 2024", "abril"},
      {"OCI", "5 d'abriu deth 2024", "abriu"},
      {"   ", "5 d'abril del 2024", "abril"},
      {"spa", "5 d'abril del 2024", "abril"},  // codes match exactly
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    EXPECT_EQ(FormatDate(april5, 0, "dma", settings, c.language), "5/4/2024  ");
    EXPECT_EQ(FormatDate(april5, 1, "dma", settings, c.language), "5/abr/2024 ");
    EXPECT_EQ(FormatDate(april5, 2, "dma", settings, c.language), c.mode2_dma);
    EXPECT_EQ(FormatDate(april5, 2, "m", settings, c.language), c.mode2_m);
  }
}

TEST(FormatDate, MonthNamesAndElision) {
  UserSettings settings(MissingVoraIni());
  const std::string march5 = Date(2024, 3, 5);
  EXPECT_EQ(FormatDate(march5, 2, "dma", settings, "CAT"), "5 de mar\x87 del 2024");
  EXPECT_EQ(FormatDate(march5, 3, "DMA", settings, "CAT"), "5 de mar\x87 del 2024");
  EXPECT_EQ(FormatDate(Date(2024, 8, 1), 2, "dma", settings, "OCI"), "1 d'agost deth 2024");
  EXPECT_EQ(FormatDate(Date(2024, 10, 1), 2, "dma", settings, "CAT"), "1 d'octubre del 2024");
  EXPECT_EQ(FormatDate(Date(2024, 10, 1), 2, "dma", settings, "GLG"), "1 de outubro do 2024");
  EXPECT_EQ(FormatDate(Date(2024, 1, 9), 2, "dma", settings, "OCI"), "9 de g\x8ar deth 2024");
  EXPECT_EQ(FormatDate(Date(2024, 9, 9), 1, "dma", settings, "SPA"), "9/sep/2024 ");
  EXPECT_EQ(FormatDate(Date(2024, 9, 9), 2, "m", settings, "SPA"), "septiembre");
  EXPECT_EQ(FormatDate(Date(2024, 5, 9), 1, "m", settings, "OCI"), "mai");
  EXPECT_EQ(FormatDate(Date(2024, 3, 9), 0, "m", settings, "CAT"), "3 ");
  EXPECT_EQ(FormatDate(Date(2024, 3, 9), 0, "a", settings, "CAT"), "2024");
  EXPECT_EQ(FormatDate(Date(24, 3, 9), 0, "da", settings, "CAT"), "9/0024 ");
}

TEST(FormatDate, IsoForm) {
  UserSettings settings(MissingVoraIni());
  EXPECT_EQ(FormatDate(Date(2024, 3, 5), -1, "", settings, "CAT"), "2024-03-05");
  EXPECT_EQ(FormatDate(kNullDate, -1, "dma", settings, "CAT"), "0000-00-00");
  EXPECT_EQ(FormatDate("", -1, "dma", settings, "CAT"), "0000-00-00");
}

TEST(FormatDate, NoDayAndMonth) {
  UserSettings settings(MissingVoraIni());
  for (const std::string& date : {kNullDate, std::string(), Date(2024, 0, 0)}) {
    EXPECT_EQ(FormatDate(date, 0, "dma", settings, "CAT"), std::string(10, ' '));
    EXPECT_EQ(FormatDate(date, 1, "dma", settings, "CAT"), std::string(11, ' '));
    EXPECT_EQ(FormatDate(date, 2, "dma", settings, "CAT"), "");
  }
}

TEST(FormatDate, OrderAndSeparatorFromTheSettings) {
  VoraIni amd("[Usuari]\nDatOrdre=AMD\nDatCaracter=-\n");
  UserSettings year_first(amd.path());
  EXPECT_EQ(FormatDate(Date(2024, 3, 5), 0, "dma", year_first, "CAT"), "2024-3-5  ");

  VoraIni mda("[Usuari]\nDatOrdre=MDA\n");
  UserSettings month_first(mda.path());
  EXPECT_EQ(FormatDate(Date(2024, 3, 5), 2, "dma", month_first, "CAT"),
            "mar\x87 del 5 del 2024");

  VoraIni lower("[Usuari]\nDatOrdre=dma\n");
  UserSettings selects_nothing(lower.path());
  EXPECT_EQ(FormatDate(Date(2024, 3, 5), 0, "dma", selects_nothing, "CAT"),
            std::string(10, ' '));
  EXPECT_EQ(FormatDate(Date(2024, 3, 5), 2, "dma", selects_nothing, "CAT"), "");
}

TEST(FormatDate, ImpossibleMonthsHaveNoName) {
  UserSettings settings(MissingVoraIni());
  EXPECT_EQ(FormatDate(Date(2024, 13, 5), 2, "dma", settings, "CAT"), "5 de  del 2024");
  EXPECT_EQ(FormatDate(Date(2024, 0, 5), 1, "dma", settings, "CAT"), "5//2024    ");
  EXPECT_EQ(FormatDate(Date(2024, 99, 99), 0, "dma", settings, "CAT"), "99/99/2024");
}

}  // namespace
}  // namespace orb
