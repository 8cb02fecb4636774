// The fee, VAT and withholding arithmetic of one property, without data files.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report/gathering.h"
#include "report/report_files.h"

namespace orb {
namespace {

TEST(RoundAmountTest, HalvesGoToEvenWithinThirtyTwoBits) {
  EXPECT_EQ(RoundAmount(1234.5), 1234);
  EXPECT_EQ(RoundAmount(1235.5), 1236);
  EXPECT_EQ(RoundAmount(-2.5), -2);
  EXPECT_EQ(RoundAmount(259.14), 259);
  EXPECT_EQ(RoundAmount(0.5), 0);
  EXPECT_EQ(RoundAmount(1.5), 2);
  EXPECT_EQ(RoundAmount(-3.5), -4);
  EXPECT_EQ(RoundAmount(0.49999999999999994), 0);
  EXPECT_EQ(RoundAmount(2147483646.5), 2147483646);
  EXPECT_EQ(RoundAmount(std::nan("")), 0);
  EXPECT_EQ(RoundAmount(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(RoundAmount(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(RoundAmount(std::numeric_limits<double>::infinity()),
            std::numeric_limits<int32_t>::max());
}

TEST(ReadRateTest, LeadingDecimalNumberWithAPoint) {
  EXPECT_FLOAT_EQ(ReadRate("21"), 21.0f);
  EXPECT_FLOAT_EQ(ReadRate(" 10.5 % IVA"), 10.5f);
  EXPECT_FLOAT_EQ(ReadRate(".5"), 0.5f);
  EXPECT_FLOAT_EQ(ReadRate("-15"), -15.0f);
  EXPECT_FLOAT_EQ(ReadRate("21,5"), 21.0f);  // a comma ends the number
  EXPECT_FLOAT_EQ(ReadRate(""), 0.0f);
  EXPECT_FLOAT_EQ(ReadRate("IVA 21"), 0.0f);
  EXPECT_FLOAT_EQ(ReadRate("."), 0.0f);
  EXPECT_TRUE(std::isfinite(ReadRate(std::string(400, '9'))));
}

TEST(WithholdingTest, PersonHolderAndEntityOwnerOnly) {
  EXPECT_TRUE(WithholdingApplies("ES12345678Z", "ESB12345678"));
  EXPECT_TRUE(WithholdingApplies("ESX1234567L", "ESW1234567"));   // X is above W
  EXPECT_TRUE(WithholdingApplies("ES12345678Z", "ESA1234567"));
  EXPECT_FALSE(WithholdingApplies("ESB12345678", "ESB12345678"));  // entity holder
  EXPECT_FALSE(WithholdingApplies("ES12345678Z", "ES12345678Z"));  // person owner
  EXPECT_FALSE(WithholdingApplies("ES12345678Z", "ESX1234567L"));  // X is not an entity
  EXPECT_FALSE(WithholdingApplies("FR12345678Z", "ESB12345678"));
  EXPECT_FALSE(WithholdingApplies("ES12345678Z", "FRB12345678"));
  EXPECT_FALSE(WithholdingApplies("ES", "ESB12345678"));  // no third character
  EXPECT_FALSE(WithholdingApplies("", "ESB12345678"));
  EXPECT_FALSE(WithholdingApplies("es12345678Z", "ESB12345678"));  // prefix is upper case
}

TEST(RatesForRegimeTest, SupplementWithholdingOnlyWithSupplementVat) {
  ReportRates rates;
  rates.FeeVat[0] = 21;
  rates.SupplementVat[0] = 21;
  rates.FeeWithholding[0] = 15;
  rates.FeeVat[1] = 10;
  rates.SupplementVat[1] = 0;
  rates.FeeWithholding[1] = 19;
  const RegimeRates r0 = RatesForRegime(rates, 0);
  EXPECT_EQ(r0.SupplementWithholding, 15);
  const RegimeRates r1 = RatesForRegime(rates, 1);
  EXPECT_EQ(r1.FeeVat, 10);
  EXPECT_EQ(r1.SupplementWithholding, 0);
  // Other regimes take regime 0's rates.
  EXPECT_EQ(RatesForRegime(rates, 2).FeeVat, 21);
  EXPECT_EQ(RatesForRegime(rates, -1).FeeWithholding, 15);
}

PropertyAmounts Compute(double collected, float percentage, int32_t fixed_fee,
                        int32_t supplement, RegimeRates rates, bool withholding,
                        double expenses = 0) {
  PropertyAmounts a;
  a.Collected = collected;
  a.Expenses = expenses;
  ComputeFeesAndCarry(percentage, fixed_fee, supplement, rates, withholding, a);
  return a;
}

TEST(FeesTest, PercentageRoundsHalfToEvenThenVat) {
  EXPECT_EQ(Compute(12345, 10, 0, 0, {}, false).Fees, 1234);
  RegimeRates vat{21, 0, 0, 0};
  const PropertyAmounts a = Compute(12345, 10, 0, 0, vat, false);
  EXPECT_EQ(a.Fees, 1493);  // 1234 + round(259.14)
  EXPECT_EQ(a.Carry, 12345 - 1493);
  EXPECT_TRUE(a.PropertyHasData);
}

TEST(FeesTest, WithholdingTakesBothTermsFromTheAmountBeforeTheLine) {
  RegimeRates rates{21, 21, 15, 15};
  const PropertyAmounts a = Compute(0, 0, 1000, 100, rates, true);
  EXPECT_EQ(a.Fees, 1060);        // 1000 + 210 - 150
  EXPECT_EQ(a.Supplements, 106);  // 100 + 21 - 15
  EXPECT_EQ(a.Carry, -1166);
  const PropertyAmounts b = Compute(0, 0, 1000, 100, rates, false);
  EXPECT_EQ(b.Fees, 1210);
  EXPECT_EQ(b.Supplements, 121);
}

TEST(FeesTest, NoSupplementVatMeansNoSupplementWithholding) {
  ReportRates table;
  table.FeeVat[1] = 21;
  table.SupplementVat[1] = 0;
  table.FeeWithholding[1] = 15;
  const PropertyAmounts a = Compute(0, 0, 1000, 100, RatesForRegime(table, 1), true);
  EXPECT_EQ(a.Fees, 1060);
  EXPECT_EQ(a.Supplements, 100);
}

TEST(FeesTest, SupplementOnlyWithFees) {
  RegimeRates rates{21, 21, 0, 0};
  const PropertyAmounts none = Compute(0, 10, 0, 500, rates, false);
  EXPECT_EQ(none.Fees, 0);
  EXPECT_EQ(none.Supplements, 0);
  EXPECT_FALSE(none.PropertyHasData);
  const PropertyAmounts fixed = Compute(0, 0, 2000, 500, rates, false, 300);
  EXPECT_EQ(fixed.Fees, 2420);
  EXPECT_EQ(fixed.Supplements, 605);
  EXPECT_EQ(fixed.Carry, -300 - 2420 - 605);
  EXPECT_TRUE(fixed.PropertyHasData);
}

TEST(FeesTest, ImpossiblePercentagesGiveFiniteAmounts) {
  RegimeRates rates{21, 21, 15, 15};
  const PropertyAmounts nan = Compute(10000, std::numeric_limits<float>::quiet_NaN(), 0, 0,
                                      rates, false);
  EXPECT_EQ(nan.Fees, 0);
  EXPECT_EQ(nan.Carry, 10000);
  const PropertyAmounts huge = Compute(10000, 3e38f, 0, 0, rates, false);
  EXPECT_EQ(huge.Fees, 2147483647.0 + 450971566.0);  // clamped, then its VAT
  EXPECT_TRUE(std::isfinite(huge.Carry));
  const PropertyAmounts inf = Compute(0, std::numeric_limits<float>::infinity(), 0, 0,
                                      rates, false);
  EXPECT_EQ(inf.Fees, 0);  // infinity times nothing collected is not a number: 0
  const PropertyAmounts big = Compute(4e9, 10, std::numeric_limits<int32_t>::max(), 0,
                                      rates, false);
  EXPECT_TRUE(std::isfinite(big.Fees));
}

}  // namespace
}  // namespace orb
