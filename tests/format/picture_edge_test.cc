// Further picture and date cases: signs inside the decimal area, amounts with asterisk
// fill and trailing or leading signs, day counts across the calendar reform, and dotted
// codes whose first group is six digits wide.
#include <gtest/gtest.h>

#include "format/dates.h"
#include "format/numbers.h"
#include "format/packed_digits.h"
#include "settings_file.h"

namespace orb {
namespace {

std::string Date(int year, int month, int day) {
  return PackDigits(ZeroPad(year, 4) + ZeroPad(month, 2) + ZeroPad(day, 2));
}

struct NumberCase {
  const char* mask;
  double value;
  const char* shown;  // between bars
};

TEST(PictureEdges, SignsInTheDecimalArea) {
  UserSettings settings(MissingVoraIni());
  const NumberCase cases[] = {
      {"9.9-", -0.25, "|0'2-|"},
      {"9.9-", 0.25, "|0'2 |"},
      {"ZZ.ZZ+", 0, "|     +|"},
      {"ZZ.ZZ-", 0.5, "|  '5  |"},
      {"ZZ.ZZ-", -0.5, "|  '5 -|"},
      {"Z,ZZ9.99-", -1234.5, "|1.234'50-|"},
      {"+ZZ9.99", -1.5, "|-  1'50|"},
      {"+ZZ9.99", 1.5, "|+  1'50|"},
      {"ZZ9.99+", 0, "|  0'00+|"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ("|" + FormatNumber(c.mask, c.value, settings) + "|", c.shown)
        << c.mask << " " << c.value;
  }
}

TEST(PictureEdges, AmountsWithAsteriskFillAndSigns) {
  UserSettings settings(MissingVoraIni());
  Currency currency;
  currency.SetCurrency("a,E");
  const NumberCase cases[] = {
      {"***,**9-", -1234, "|**12'34-|"},   // mask ,**9.99-
      {"***,**9-", 1234, "|**12'34 |"},
      {"***,**9-", 0, "|***0'00 |"},
      {"*****+", 1250, "|12'50+|"},        // mask *9.99+
      {"*****+", 0, "|**   +|"},           // mask **.ZZ+: nothing to show
      {"+****9", -1250, "|-12'50|"},       // mask +*9.99
      {"-*****9", 5, "| **0'05|"},          // mask -**9.99
      {"ZZZ,ZZZ,ZZ9-", -1234567, "|  12.345'67-|"},
  };
  for (const NumberCase& c : cases) {
    EXPECT_EQ("|" + FormatAmount(c.mask, c.value, currency, settings) + "|", c.shown)
        << c.mask << " " << c.value;
  }
}

TEST(DayCountEdges, AcrossTheCalendarReform) {
  struct Case {
    std::string from, to;
    int32_t days;
  };
  const Case cases[] = {
      {Date(1581, 1, 1), Date(1583, 1, 1), 730},      // 1581 Julian, 1582 Gregorian: no leap
      {Date(1500, 3, 1), Date(1600, 3, 1), 36525},    // 20 Julian + 4 Gregorian leap years
      {Date(1700, 2, 28), Date(1700, 3, 1), 1},
      {Date(1580, 2, 28), Date(1580, 3, 1), 2},
      {Date(1582, 10, 1), Date(1582, 10, 31), 30},    // the ten dropped days still count
      {Date(1581, 12, 31), Date(1582, 1, 1), 1},
      {Date(1582, 1, 1), Date(1581, 12, 31), 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DateDiff(c.from, c.to, "D"), c.days) << UnpackDigits(c.from);
  }
  EXPECT_EQ(DateDiff(Date(1581, 12, 31), Date(1583, 1, 1), "A"), 1);
  EXPECT_EQ(DateDiff(Date(1581, 12, 31), Date(1583, 1, 1), "M"), 13);
}

TEST(DottedCodeEdges, SixDigitFirstGroups) {
  struct Case {
    const char* text;
    const char* digits;
  };
  const Case packed[] = {
      {"000123", "000123"},            // 6 characters, no point: one group of 6
      {"12.345", "00120345"},          // 6 characters with a point: groups of 4
      {"123456.7890", "1234567890"},   // 11 characters, one point: 6 then 4
      {"12345678901", "678901"},       // 11 characters, no point: the last 6 digits
      {"1234.5678.9", "123456780009"}, // 11 characters, two points: groups of 4
      {"1.2.3.4", "0001000200030004"},
  };
  for (const Case& c : packed) {
    EXPECT_EQ(UnpackDigits(PackDottedCode(c.text)), c.digits) << c.text;
  }
  struct Shown {
    const char* digits;
    const char* text;
  };
  const Shown shown[] = {
      {"1234567890", "123456.7890"},
      {"0000120003", "12.3"},
      {"0000120000", "12"},
      {"0000000005", "0.5"},
      {"0000000000", ""},
  };
  for (const Shown& c : shown) {
    EXPECT_EQ(DottedCodeText(PackDigits(c.digits)), c.text) << c.digits;
  }
  EXPECT_EQ(DottedCodeText(PackDottedCode("123456.7890")), "123456.7890");
}

}  // namespace
}  // namespace orb
