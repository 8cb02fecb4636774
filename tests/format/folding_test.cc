#include "format/folding.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

TEST(FoldText, KeepingAccents) {
  EXPECT_EQ(FoldText("mar\x87"), "MAR\x80");                   // març -> MARÇ
  EXPECT_EQ(FoldText("g\x8ar"), "G\xd4R");                     // gèr -> GÈR
  EXPECT_EQ(FoldText("12. 3,-"), "12. 3,-");
  EXPECT_EQ(FoldText("\xc9\xcd\xbb\xb3\xda\xc4"), "\xc9\xcd\xbb\xb3\xda\xc4");  // box lines
  EXPECT_EQ(FoldText("\x98\x9b\xe1\xe6\xe7\xd5"), "\x98\x9b\xe1\xe6\xe7\xd5");  // no capital
  EXPECT_EQ(FoldText("\xa4\xec\xe4\xd0\xc6"), "\xa5\xed\xe5\xd1\xc7");
  EXPECT_EQ(FoldText("a_b@{}"), "A_B@{}");
  EXPECT_EQ(FoldText(""), "");
}

TEST(FoldText, StrippingAccents) {
  EXPECT_EQ(FoldText("\xb7ngel", true), "ANGEL");  // Àngel
  EXPECT_EQ(FoldText("angel", true), "ANGEL");
  EXPECT_EQ(FoldText("a-b", true), "A-B");
  EXPECT_EQ(FoldText("a_b", true), "A B");
  EXPECT_EQ(FoldText("Fran\x87ois M\x81ller \xa5", true), "FRANCOIS MULLER N");
  EXPECT_EQ(FoldText("\xe1\xe7\xe8\xd5\xa6\xa7\x9d\x9c", true), "STTEAOO ");
  EXPECT_EQ(FoldText("@[\\]^`{|}~\x7f", true), "           ");
  EXPECT_EQ(FoldText("\xee\xff\x01 9", true), "\xee\xff\x01 9");  // outside 64..237
  EXPECT_EQ(FoldText("", true), "");
}

TEST(FoldText, EveryByteFoldsToALetterOrSpace) {
  for (int c = 0; c < 256; ++c) {
    const std::string in(1, static_cast<char>(c));
    const std::string strip = FoldText(in, true);
    const std::string keep = FoldText(in);
    ASSERT_EQ(strip.size(), 1u);
    ASSERT_EQ(keep.size(), 1u);
    if (c < 64 || c > 237) {
      EXPECT_EQ(strip, in);
      EXPECT_EQ(keep, in);
    } else {
      EXPECT_TRUE(strip == " " || (strip[0] >= 'A' && strip[0] <= 'Z')) << c;
      // A capital with its accent strips to the same letter as the byte itself.
      EXPECT_EQ(FoldText(keep, true), strip) << c;
    }
  }
}

}  // namespace
}  // namespace orb
