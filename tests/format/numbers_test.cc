#include "format/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "settings_file.h"

namespace orb {
namespace {

// Results are written between bars to show their spaces.
std::string Bars(const std::string& text) { return "|" + text + "|"; }

class Numbers : public ::testing::Test {
 protected:
  std::string Number(const char* mask, double value) {
    return Bars(FormatNumber(mask, value, settings_));
  }
  std::string Amount(const char* picture, double amount) {
    return Bars(FormatAmount(picture, amount, currency_, settings_));
  }
  void SetUp() override { currency_.SetCurrency("a,E"); }
  UserSettings settings_{MissingVoraIni()};
  Currency currency_;
};

TEST_F(Numbers, MaskExamples) {
  EXPECT_EQ(Number("ZZZ9", 42), "|  42|");
  EXPECT_EQ(Number("ZZZ9", 0), "|   0|");
  EXPECT_EQ(Number("999", 7), "|007|");
  EXPECT_EQ(Number("ZZ9.99-", -3.456), "|  3'46-|");
  EXPECT_EQ(Number("ZZ9.99-", 3.456), "|  3'46 |");
  EXPECT_EQ(Number("ZZ9.99+", 3.456), "|  3'46+|");
  EXPECT_EQ(Number("**9.99", 5), "|**5'00|");
  EXPECT_EQ(Number("ZZZ.ZZ", 5.1), "|  5'1 |");
  EXPECT_EQ(Number("ZZZ.ZZ", 5), "|  5   |");
  EXPECT_EQ(Number("ZZZ.ZZ", 0), "|      |");
  EXPECT_EQ(Number("ZZZ", 0.4), "|  0|");
  EXPECT_EQ(Number("ZZZ", 0), "|   |");
  EXPECT_EQ(Number("ZZZ", 10), "| 10|");
  EXPECT_EQ(Number("9,999", 5), "|0.005|");
  EXPECT_EQ(Number("Z,ZZ9", 1234), "|1.234|");
  EXPECT_EQ(Number("ZZZ,ZZ9", -123), "|   -123|");
  EXPECT_EQ(Number("-Z,ZZZ,ZZ9", -1234), "|-    1.234|");
  EXPECT_EQ(Number("Ref ZZ9", 12), "|Ref  12|");
  EXPECT_EQ(Number("", 12), "||");
}

TEST_F(Numbers, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Number("9.9", 0.25), "|0'2|");
  EXPECT_EQ(Number("9", 2.5), "|2|");
  EXPECT_EQ(Number("9", 3.5), "|4|");
  EXPECT_EQ(Number("9.99", 0.125), "|0'12|");
  EXPECT_EQ(Number("9.99", 0.375), "|0'38|");
  EXPECT_EQ(Number("9.99", 1.005), "|1'00|");  // 100.4999... as a binary number
  EXPECT_EQ(Number("9", 2.5000001), "|3|");
}

TEST_F(Numbers, TooWideForTheMask) {
  EXPECT_EQ(Number("ZZ9", 12345), "|!!!|");
  EXPECT_EQ(Number("99", -12), "|!!|");
  EXPECT_EQ(Number("Z,ZZ9", -1234), "|-1234|");
  EXPECT_EQ(Number("99.9", 123.4), "|123'|");
  EXPECT_EQ(Number("ZZZZ9.9", 123456.7), "|123456'|");
  EXPECT_EQ(Number("ZZ9", 1e300), "|!!!|");
  EXPECT_EQ(Number("ZZ9", std::numeric_limits<double>::infinity()), "|!!!|");
  EXPECT_EQ(Number("ZZ9", -std::numeric_limits<double>::infinity()), "|!!!|");
  EXPECT_EQ(Number("ZZ9", std::nan("")), "|!!!|");
  EXPECT_EQ(Number("ZZ9", std::numeric_limits<double>::max()), "|!!!|");
}

TEST_F(Numbers, NegativeWithoutSignPosition) {
  EXPECT_EQ(Number("ZZ9", -5), "| -5|");
  EXPECT_EQ(Number("**9.99", -5), "|*-5'00|");
  EXPECT_EQ(Number("ZZ9", -0.0), "|  0|");  // negative zero is not negative
}

TEST_F(Numbers, SeparatorsFromTheSettings) {
  VoraIni ini("[Usuari]\nDecCaracter=,\nMilCaracter= \n");
  UserSettings settings(ini.path());
  EXPECT_EQ(FormatNumber("ZZZ,ZZ9.99", 12345.678, settings), " 12.345,68");
  VoraIni ini2("[Usuari]\nDecCaracter=,\nMilCaracter=_\n");
  UserSettings settings2(ini2.path());
  EXPECT_EQ(FormatNumber("ZZZ,ZZ9.99", 12345.678, settings2), " 12_345,68");
}

TEST_F(Numbers, AmountExamples) {
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 1234567), "|  12.345'67|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 0), "|       0'00|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", -500), "|      -5'00|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", -1234567), "| -12.345'67|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 5), "|       0'05|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZZ", 0), "|           |");
  EXPECT_EQ(Amount("ZZZZZZ", 0), "|      |");
  EXPECT_EQ(Amount("ZZZZZZ", 1250), "| 12'50|");
  EXPECT_EQ(Amount("***,**9", 1250), "|**12'50|");
  EXPECT_EQ(Amount("ZZZ,ZZ9-", -1250), "|  12'50-|");
  EXPECT_EQ(Amount("-ZZZ,ZZ9", -1250), "|-  12'50|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 1e15), "|!!!!!!!!!!!|");
  EXPECT_EQ(Amount("", 1250), "||");
}

TEST_F(Numbers, AmountsInTheOtherCurrency) {
  currency_.SetCurrency("b,P");
  currency_.SetCurrency("P");
  EXPECT_EQ(currency_.Current(), 'P');
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 100), "|        166|");      // 166.386
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 1000000), "|  1.663.860|");
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9.9", 100), "|        166'4|");  // the point counts as one
  currency_.SetCurrency("x");
  EXPECT_EQ(currency_.Current(), 'E');
  EXPECT_EQ(Amount("ZZZ,ZZZ,ZZ9", 100), "|       1'00|");
}

TEST(Currency, SetCurrency) {
  Currency c;
  EXPECT_EQ(c.Current(), 0);
  c.SetCurrency("a,E");
  EXPECT_EQ(c.Primary(), 'E');
  EXPECT_EQ(c.Current(), 'E');
  c.SetCurrency("p");  // no secondary: the primary stays current
  EXPECT_EQ(c.Current(), 'E');
  c.SetCurrency("");
  EXPECT_EQ(c.Current(), 'E');
  c.SetCurrency("B,  p x");
  EXPECT_EQ(c.Secondary(), 'P');
  EXPECT_EQ(c.Current(), 'E');
  c.SetCurrency("Pts");
  EXPECT_EQ(c.Current(), 'P');
  c.SetCurrency("b,");  // empty: the secondary becomes the primary
  EXPECT_EQ(c.Secondary(), 'E');
  c.SetCurrency("A,  ");
  EXPECT_EQ(c.Primary(), 'E');
  c.SetCurrency("a,d,x");
  EXPECT_EQ(c.Primary(), 'D');
  EXPECT_EQ(c.Current(), 'D');
}

TEST(IsBadNumber, Acceptable) {
  EXPECT_FALSE(IsBadNumber("-12.5", "-ZZ9.99"));
  EXPECT_FALSE(IsBadNumber(" + 12.5 ", "ZZ9.99+"));
  EXPECT_FALSE(IsBadNumber("", "ZZ9"));
  EXPECT_FALSE(IsBadNumber("12 3", ""));
  EXPECT_FALSE(IsBadNumber(".5", "Z.99"));
}

TEST(IsBadNumber, NotAcceptable) {
  EXPECT_TRUE(IsBadNumber("12-", "-ZZ9.99"));   // sign after a digit
  EXPECT_TRUE(IsBadNumber(".-5", "-ZZ9.99"));   // sign after the point
  EXPECT_TRUE(IsBadNumber("--5", "-ZZ9.99"));
  EXPECT_TRUE(IsBadNumber("1.2.3", "ZZ9.99"));  // second point
  EXPECT_TRUE(IsBadNumber("1.5", "ZZ9"));       // no point in the mask
  EXPECT_TRUE(IsBadNumber("-1", ""));
  EXPECT_TRUE(IsBadNumber("1.0", ""));
  EXPECT_TRUE(IsBadNumber("1a", "ZZ9"));
  EXPECT_TRUE(IsBadNumber("x12", "ZZ9"));
}

}  // namespace
}  // namespace orb
