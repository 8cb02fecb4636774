#include "format/dates.h"

#include <gtest/gtest.h>

#include "format/packed_digits.h"

namespace orb {
namespace {

std::string Date(int year, int month, int day) {
  return PackDigits(ZeroPad(year, 4) + ZeroPad(month, 2) + ZeroPad(day, 2));
}

TEST(PackedDigits, PackAndUnpack) {
  EXPECT_EQ(PackDigits("20240105"), std::string("\x94\x98\x81\x85"));
  EXPECT_EQ(UnpackDigits(PackDigits("2024 1 5")), "20240105");  // spaces count as zeros
  EXPECT_EQ(UnpackDigits(PackDigits("  12")), "0012");
  EXPECT_EQ(UnpackDigits(PackDigits("12  ")), "0012");           // right-aligned
  EXPECT_EQ(UnpackDigits(PackDigits("123")), "1230");            // 3 digits, 2 bytes
  EXPECT_EQ(UnpackDigits(PackDigits("1x")), "10");               // non-digits count 0
  EXPECT_EQ(PackDigits(""), "");
  EXPECT_EQ(PackDigits("00000000"), kNullDate);
  EXPECT_EQ(UnpackDigits(""), "");
  EXPECT_EQ(UnpackDigits("\x85\xff"), "0527");  // 127 keeps its last two digits
  EXPECT_LT(PackDigits("20231231"), PackDigits("20240101"));  // byte order is date order
}

TEST(ZeroPad, KeepsTheRightmostDigitsWithoutSign) {
  EXPECT_EQ(ZeroPad(5, 2), "05");
  EXPECT_EQ(ZeroPad(2024, 2), "24");
  EXPECT_EQ(ZeroPad(-5, 2), "05");
  EXPECT_EQ(ZeroPad(0, 3), "000");
  EXPECT_EQ(ZeroPad(7, 0), "");
  EXPECT_EQ(ZeroPad(INT64_MIN, 4), "5808");
}

TEST(ParseDate, FormsOfTheSameDate) {
  const FixedClock clock(2026);
  const std::string expected = Date(2024, 12, 31);
  EXPECT_EQ(ParseDate("31/12/24", clock), expected);
  EXPECT_EQ(ParseDate("31.12.24", clock), expected);
  EXPECT_EQ(ParseDate("31-12-2024", clock), expected);
  EXPECT_EQ(ParseDate("311224", clock), expected);
  EXPECT_EQ(ParseDate("31122024", clock), expected);
  EXPECT_EQ(ParseDate(" 31/12/24   ", clock), expected);  // blank-padded field
  EXPECT_EQ(ParseDate("5/3/2024", clock), Date(2024, 3, 5));
}

TEST(ParseDate, UnreadableTextGivesTheNullDate) {
  const FixedClock clock(2026);
  EXPECT_EQ(ParseDate("3/12", clock), kNullDate);
  EXPECT_EQ(ParseDate("1/2/3/4", clock), kNullDate);
  EXPECT_EQ(ParseDate("31/12/2a", clock), kNullDate);
  EXPECT_EQ(ParseDate("", clock), kNullDate);
  EXPECT_EQ(ParseDate("99999999999999999999999/1/2024", clock), kNullDate);
  EXPECT_EQ(ParseDate("1/1/32768", clock), kNullDate);
  EXPECT_EQ(ParseDate("0101" + std::string(5000, '9'), clock), kNullDate);
  // Ranges are not checked here.
  EXPECT_EQ(ParseDate("31/02/2024", clock), Date(2024, 2, 31));
}

TEST(ParseDate, CenturyWindow) {
  const FixedClock clock(2026);
  EXPECT_EQ(ParseDate("1/1/76", clock), Date(1976, 1, 1));
  EXPECT_EQ(ParseDate("1/1/75", clock), Date(2075, 1, 1));
  EXPECT_EQ(ParseDate("1/1/24", clock), Date(2024, 1, 1));
  EXPECT_EQ(ParseDate("1/1/150", clock), Date(2050, 1, 1));
  EXPECT_EQ(ParseDate("1/1/0024", clock), Date(24, 1, 1));  // written with four digits
  EXPECT_EQ(ParseDate("31/12/", clock), Date(2000, 12, 31));
  EXPECT_EQ(ParseDate("0/1/24", clock), Date(24, 1, 0));    // no day: no century
  const FixedClock later(2090);
  EXPECT_EQ(ParseDate("1/1/40", later), Date(2040, 1, 1));
  EXPECT_EQ(ParseDate("1/1/39", later), Date(2139, 1, 1));
  EXPECT_EQ(ParseDate("1/1/41", later), Date(2041, 1, 1));
  const FixedClock earlier(1999);
  EXPECT_EQ(ParseDate("1/1/48", earlier), Date(2048, 1, 1));
  EXPECT_EQ(ParseDate("1/1/49", earlier), Date(1949, 1, 1));
}

TEST(IsBadDate, Calendar) {
  const FixedClock clock(2026);
  EXPECT_TRUE(IsBadDate("3/12", clock));
  EXPECT_TRUE(IsBadDate("1/2/3/4", clock));
  EXPECT_TRUE(IsBadDate("31/02/2024", clock));
  EXPECT_TRUE(IsBadDate("0/1/2024", clock));
  EXPECT_TRUE(IsBadDate("1/13/2024", clock));
  EXPECT_FALSE(IsBadDate("29/02/2024", clock));
  EXPECT_TRUE(IsBadDate("29/02/1900", clock));
  EXPECT_FALSE(IsBadDate("29/02/2000", clock));
  EXPECT_TRUE(IsBadDate("29/02/1500", clock));
  EXPECT_TRUE(IsBadDate("10/10/1582", clock));
  EXPECT_TRUE(IsBadDate("05/10/1582", clock));
  EXPECT_TRUE(IsBadDate("14/10/1582", clock));
  EXPECT_FALSE(IsBadDate("04/10/1582", clock));
  EXPECT_FALSE(IsBadDate("15/10/1582", clock));
  EXPECT_FALSE(IsBadDate("31/12/", clock));
  EXPECT_FALSE(IsBadDate("311224", clock));
  EXPECT_FALSE(IsBadDate("31/12/24", clock));
  EXPECT_TRUE(IsBadDate("", clock));
  EXPECT_TRUE(IsBadDate("  /  /    ", clock));
  EXPECT_TRUE(IsBadDate("1/1/12024", clock));  // a packed date holds 4-digit years
  EXPECT_FALSE(IsBadDate("31/12/9999", clock));
  EXPECT_TRUE(IsBadDate("1/1/" + std::string(300, '1'), clock));
}

TEST(IsBadDate, CenturyWindowDecidesTheLeapYear) {
  // 00 is 2000 (leap) seen from 2026, but 2100 (not leap) seen from 2080.
  EXPECT_FALSE(IsBadDate("29/2/00", FixedClock(2026)));
  EXPECT_TRUE(IsBadDate("29/2/00", FixedClock(2080)));
  EXPECT_FALSE(IsBadDate("29/2/0", FixedClock(2026)));
  EXPECT_TRUE(IsBadDate("29/2/100", FixedClock(2026)));  // three digits: the year 100
}

TEST(DateDiff, Units) {
  const std::string d = Date(2024, 2, 28);
  EXPECT_EQ(DateDiff(d, d, "D"), 0);
  EXPECT_EQ(DateDiff(Date(2024, 2, 28), Date(2024, 3, 1), "D"), 2);
  EXPECT_EQ(DateDiff(Date(1900, 2, 28), Date(1900, 3, 1), "D"), 1);
  EXPECT_EQ(DateDiff(Date(1500, 2, 28), Date(1500, 3, 1), "D"), 2);
  EXPECT_EQ(DateDiff(Date(2024, 3, 1), Date(2024, 2, 28), "d"), 2);  // either order
  EXPECT_EQ(DateDiff(Date(2023, 12, 31), Date(2025, 1, 1), "D"), 367);
  EXPECT_EQ(DateDiff(Date(1582, 10, 4), Date(1582, 10, 15), "D"), 11);  // no days dropped
  EXPECT_EQ(DateDiff(Date(2000, 6, 15), Date(2024, 6, 14), "A"), 23);
  EXPECT_EQ(DateDiff(Date(2000, 6, 15), Date(2024, 6, 15), "a"), 24);
  EXPECT_EQ(DateDiff(Date(2024, 1, 31), Date(2024, 2, 1), "M"), 1);
  EXPECT_EQ(DateDiff(Date(2022, 11, 30), Date(2024, 2, 1), "M"), 15);
  EXPECT_EQ(DateDiff(Date(2022, 11, 30), Date(2024, 2, 1), "X"), 0);
  EXPECT_EQ(DateDiff(Date(2022, 11, 30), Date(2024, 2, 1), "DD"), 0);
}

TEST(WeekdayOf, BothCalendars) {
  EXPECT_EQ(WeekdayOf(Date(2026, 12, 8)), 2);
  EXPECT_EQ(WeekdayOf(Date(1582, 10, 4)), 4);
  EXPECT_EQ(WeekdayOf(Date(1582, 10, 15)), 5);
  EXPECT_EQ(WeekdayOf(Date(2024, 1, 1)), 1);
  EXPECT_EQ(WeekdayOf(Date(2024, 12, 31)), 2);
  EXPECT_EQ(WeekdayOf(Date(2000, 2, 29)), 2);
  EXPECT_EQ(WeekdayOf(Date(1970, 1, 1)), 4);
  // Seven consecutive days give the seven weekdays.
  for (int day = 1; day <= 7; ++day) {
    EXPECT_EQ(WeekdayOf(Date(2024, 7, day)), day);  // 1 July 2024 was a Monday
  }
}

TEST(CompactDate, ReadsBackAsTheSameDate) {
  const FixedClock clock(2026);
  EXPECT_EQ(CompactDate(Date(2024, 3, 5), clock), "050324");
  EXPECT_EQ(CompactDate(Date(1950, 3, 5), clock), "05031950");
  EXPECT_EQ(CompactDate(Date(1976, 3, 5), clock), "050376");
  EXPECT_EQ(CompactDate(Date(2075, 3, 5), clock), "050375");
  EXPECT_EQ(CompactDate(Date(2076, 3, 5), clock), "05032076");
  EXPECT_EQ(CompactDate(kNullDate, clock), "");
  EXPECT_EQ(CompactDate("", clock), "");
  for (const auto& date : {Date(2024, 3, 5), Date(1950, 3, 5), Date(1976, 12, 31),
                           Date(2075, 1, 1), Date(1066, 10, 14)}) {
    EXPECT_EQ(ParseDate(CompactDate(date, clock), clock), date);
  }
}

TEST(DottedCode, PackAndShow) {
  EXPECT_EQ(UnpackDigits(PackDottedCode("1.2.3")), "000100020003");
  EXPECT_EQ(UnpackDigits(PackDottedCode("12  ")), "0012");
  EXPECT_EQ(UnpackDigits(PackDottedCode("123456")), "123456");   // 6 wide, no point
  EXPECT_EQ(UnpackDigits(PackDottedCode("1.2        ")), "0000010002");  // 11 long
  EXPECT_EQ(UnpackDigits(PackDottedCode("1.2.3      ")), "000100020003");
  EXPECT_EQ(UnpackDigits(PackDottedCode("1.   ")), "0001");
  EXPECT_EQ(UnpackDigits(PackDottedCode("-7.123456")), "00073456");
  EXPECT_EQ(UnpackDigits(PackDottedCode("1..2")), "000100000002");
  EXPECT_EQ(PackDottedCode(""), "");
  EXPECT_EQ(PackDottedCode("    "), "");

  EXPECT_EQ(DottedCodeText(PackDigits("000100020000")), "1.2");
  EXPECT_EQ(DottedCodeText(PackDigits("0012")), "12");
  EXPECT_EQ(DottedCodeText(PackDigits("0000")), "");
  EXPECT_EQ(DottedCodeText(PackDigits("000000000003")), "");
  EXPECT_EQ(DottedCodeText(PackDigits("000000050003")), "0.5.3");
  EXPECT_EQ(DottedCodeText(PackDigits("123456")), "123456");
  EXPECT_EQ(DottedCodeText(PackDigits("0000010002")), "1.2");
  EXPECT_EQ(DottedCodeText(PackDigits("00010000")), "1");
  EXPECT_EQ(DottedCodeText(""), "");
  for (const char* code : {"1.2.3", "12", "9999.1", "4.0.7"}) {
    EXPECT_EQ(DottedCodeText(PackDottedCode(code)), code);
  }
}

}  // namespace
}  // namespace orb
