#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace orb {
namespace {

TEST(LeadingNumber, ReadsSignDigitsAndFraction) {
  EXPECT_EQ(LeadingNumber("42"), 42);
  EXPECT_EQ(LeadingNumber("  -3.25xyz"), -3.25);
  EXPECT_EQ(LeadingNumber("\t+7 8"), 7);
  EXPECT_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_EQ(LeadingNumber("5."), 5);
  size_t used = 0;
  EXPECT_EQ(LeadingNumber(" 12ab", &used), 12);
  EXPECT_EQ(used, 3u);
}

TEST(LeadingNumber, NothingWithoutADigit) {
  for (const char* text : {"", "   ", "-", "+.", ".", "abc", "x1", "- 1"}) {
    EXPECT_FALSE(LeadingNumber(text)) << text;
    EXPECT_EQ(NumericValue(text), 0) << text;
  }
}

TEST(LeadingNumber, HugeAndTinyNumbers) {
  EXPECT_EQ(LeadingNumber(std::string(400, '9')), std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("-" + std::string(400, '9')), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(LeadingNumber(std::string(400, '0') + "1"), 1);
}

TEST(RoundToInt16, HalvesGoToEvenAndRangeIsClamped) {
  EXPECT_EQ(RoundToInt16(2.5), 2);
  EXPECT_EQ(RoundToInt16(3.5), 4);
  EXPECT_EQ(RoundToInt16(-2.5), -2);
  EXPECT_EQ(RoundToInt16(2.4999), 2);
  EXPECT_EQ(RoundToInt16(32767.4), 32767);
  EXPECT_EQ(RoundToInt16(40000), 32767);
  EXPECT_EQ(RoundToInt16(-40000), -32768);
  EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::infinity()), 32767);
  EXPECT_EQ(RoundToInt16(-std::numeric_limits<double>::infinity()), -32768);
  EXPECT_EQ(RoundToInt16(std::nan("")), 0);
}

}  // namespace
}  // namespace orb
