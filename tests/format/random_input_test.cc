// Every parser and formatter of this directory fed random bytes and random doubles:
// results keep their promised shape and nothing faults (the suite also runs under the
// address and undefined-behaviour sanitizers).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>

#include "format/currency.h"
#include "format/date_display.h"
#include "format/dates.h"
#include "format/folding.h"
#include "format/numbers.h"
#include "format/packed_digits.h"
#include "settings_file.h"

namespace orb {
namespace {

class RandomInput {
 public:
  explicit RandomInput(uint32_t seed) : engine_(seed) {}

  uint32_t Next() { return static_cast<uint32_t>(engine_()); }
  uint32_t Below(uint32_t n) { return Next() % n; }

  // Mostly characters that mean something to the formats, sometimes any byte, and now
  // and then a long run of digits.
  std::string Text(size_t max_length) {
    static constexpr char kMeaningful[] = "0123456789 ./-+9Zz*,";
    std::string text;
    const size_t length = Below(static_cast<uint32_t>(max_length + 1));
    for (size_t i = 0; i < length; ++i) {
      const uint32_t pick = Below(10);
      if (pick < 6) {
        text.push_back(kMeaningful[Below(sizeof kMeaningful - 1)]);
      } else if (pick < 9) {
        text.push_back(static_cast<char>(Below(256)));
      } else {
        text.append(Below(60), static_cast<char>('0' + Below(10)));
      }
    }
    return text;
  }

  std::string Bytes(size_t max_length) {
    std::string bytes(Below(static_cast<uint32_t>(max_length + 1)), '\0');
    for (char& c : bytes) c = static_cast<char>(Below(256));
    return bytes;
  }

  double Double() {
    switch (Below(6)) {
      case 0: {  // any bit pattern: NaN, infinities, subnormals
        const uint64_t bits = (static_cast<uint64_t>(Next()) << 32) | Next();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
      }
      case 1:
        return static_cast<double>(static_cast<int32_t>(Next()));
      case 2:
        return static_cast<int32_t>(Next()) / 1000.0;
      case 3:
        return std::ldexp(static_cast<double>(Next()), static_cast<int>(Below(2100)) - 1075);
      case 4: {
        static constexpr double kSpecial[] = {0.0, -0.0, 0.5, -0.5, 2.5, 1e308, -1e308,
                                              INFINITY, -INFINITY, NAN, 5e-324};
        return kSpecial[Below(sizeof kSpecial / sizeof kSpecial[0])];
      }
      default:
        return (static_cast<int32_t>(Next()) % 2000000) / 100.0;
    }
  }

 private:
  std::mt19937 engine_;
};

constexpr int kCases = 4000;

bool IsDigitText(const std::string& text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

TEST(RandomInput, Dates) {
  RandomInput random(20261208);
  for (int i = 0; i < kCases; ++i) {
    const std::string text = random.Text(40);
    const FixedClock clock(static_cast<int>(1 + random.Below(9999)));
    const std::string date = ParseDate(text, clock);
    ASSERT_EQ(date.size(), 4u) << text;
    const std::string digits = UnpackDigits(date);
    ASSERT_TRUE(IsDigitText(digits));
    if (!IsBadDate(text, clock)) {
      const int month = std::stoi(digits.substr(4, 2));
      const int day = std::stoi(digits.substr(6, 2));
      EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31) << text;
      EXPECT_EQ(ParseDate(CompactDate(date, clock), clock), date) << text;
    }
    const std::string other = random.Below(2) ? random.Bytes(6) : ParseDate(random.Text(12), clock);
    (void)DateDiff(date, other, random.Below(2) ? "D" : random.Text(2));
    (void)DateDiff(other, random.Bytes(9), "M");
    (void)DateDiff(other, random.Bytes(9), "a");
    const int weekday = WeekdayOf(random.Below(2) ? other : date);
    EXPECT_TRUE(weekday >= 1 && weekday <= 7);
    const std::string compact = CompactDate(other, clock);
    EXPECT_TRUE(IsDigitText(compact));
    EXPECT_TRUE(IsDigitText(ZeroPad(static_cast<int32_t>(random.Next()), random.Below(30))));
  }
}

TEST(RandomInput, CodesAndPackedDigits) {
  RandomInput random(7);
  for (int i = 0; i < kCases; ++i) {
    const std::string text = random.Text(30);
    const std::string packed = PackDigits(text);
    ASSERT_EQ(packed.size(), (text.size() + 1) / 2);
    ASSERT_EQ(UnpackDigits(packed).size(), 2 * packed.size());
    const std::string code = PackDottedCode(text);
    const std::string shown = DottedCodeText(random.Below(2) ? code : random.Bytes(12));
    for (char c : shown) EXPECT_TRUE(c == '.' || (c >= '0' && c <= '9'));
  }
}

TEST(RandomInput, DateDisplay) {
  RandomInput random(11);
  static const char* const kLanguages[] = {"CAT", "SPA", "GLG", "OCI", "   ", "xx"};
  VoraIni ini("[Usuari]\nDatOrdre=MAD\nDatCaracter=.\n");
  UserSettings settings(ini.path());
  UserSettings defaults(MissingVoraIni());
  for (int i = 0; i < kCases; ++i) {
    const std::string date = random.Bytes(8);
    const int16_t mode = static_cast<int16_t>(static_cast<int>(random.Below(7)) - 2);
    const std::string parts = random.Below(3) ? std::string("dma").substr(random.Below(3))
                                              : random.Text(6);
    const char* language = kLanguages[random.Below(6)];
    const std::string text =
        FormatDate(date, mode, parts, random.Below(2) ? settings : defaults, language);
    if (mode == -1) {
      EXPECT_EQ(text.size(), 10u);
    }
  }
}

TEST(RandomInput, Numbers) {
  RandomInput random(42);
  UserSettings settings(MissingVoraIni());
  Currency currency;
  for (int i = 0; i < kCases; ++i) {
    if (random.Below(50) == 0) currency.SetCurrency(random.Text(5));
    const std::string mask = random.Text(25);
    const double value = random.Double();
    ASSERT_EQ(FormatNumber(mask, value, settings).size(), mask.size()) << mask;
    const std::string picture = random.Text(16);
    ASSERT_EQ(FormatAmount(picture, random.Double(), currency, settings).size(), picture.size());
    (void)IsBadNumber(random.Text(20), mask);
    const std::string bytes = random.Bytes(20);
    ASSERT_EQ(FoldText(bytes, random.Below(2) == 0).size(), bytes.size());
  }
}

}  // namespace
}  // namespace orb
