#include "core/item_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace orb {
namespace {

std::vector<std::string> AllItems(std::string_view bytes) {
  ItemReader reader(bytes);
  std::vector<std::string> items;
  while (!reader.AtEnd()) items.push_back(reader.ReadText());
  return items;
}

using Items = std::vector<std::string>;

TEST(ItemReader, CommasAndLineEndsSeparateItems) {
  EXPECT_EQ(AllItems("a,b\r\nc\r\n"), (Items{"a", "b", "c"}));
  EXPECT_EQ(AllItems("a,,b"), (Items{"a", "", "b"}));
  EXPECT_EQ(AllItems("a,\r\nb"), (Items{"a", "", "b"}));
  EXPECT_EQ(AllItems("one\rtwo"), (Items{"one", "two"}));
}

TEST(ItemReader, BlanksLeadingDroppedTrailingKept) {
  EXPECT_EQ(AllItems("  P\xb7GINA ,\t x\t y ,z"), (Items{"P\xb7GINA ", "x y ", "z"}));
  // A line feed without a carriage return is dropped, not a line end.
  EXPECT_EQ(AllItems("ab\ncd,e"), (Items{"abcd", "e"}));
}

TEST(ItemReader, QuotedItemsKeepCommasAndLoseQuotes) {
  EXPECT_EQ(AllItems("\"S,N\" ,x"), (Items{"S,N", "x"}));
  EXPECT_EQ(AllItems("  \" lead\",\"\"\r\nz"), (Items{" lead", "", "z"}));
  // Text between the closing quote and the separator is skipped.
  EXPECT_EQ(AllItems("\"a\"junk,b"), (Items{"a", "b"}));
  // A quote not at the start is an ordinary character.
  EXPECT_EQ(AllItems("a\"b,c"), (Items{"a\"b", "c"}));
  // An unclosed quote runs to the end of the file.
  EXPECT_EQ(AllItems("\"open, to end\r\n"), (Items{"open, to end\r\n"}));
}

TEST(ItemReader, EndOfFileMarkEndsItemAndFile) {
  EXPECT_EQ(AllItems("ab\x1a" "cd,ef"), (Items{"ab"}));
  EXPECT_EQ(AllItems("\"q\x1a\",more"), (Items{"q"}));
  ItemReader reader("\x1a" "a,b");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadText(), "");
}

TEST(ItemReader, ReadingPastTheEndGivesEmptyItems) {
  ItemReader reader("x");
  EXPECT_EQ(reader.ReadText(), "x");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadText(), "");
  EXPECT_EQ(reader.ReadInteger(), 0);
}

TEST(ItemReader, IntegersRoundHalfToEvenAndClamp) {
  ItemReader reader(" 12, -3 ,2.5,3.5,-0.5,99999,-99999,abc,7x,\"8\",,1e3");
  std::vector<std::pair<int16_t, bool>> got;
  while (!reader.AtEnd()) {
    bool ok = false;
    const int16_t value = reader.ReadInteger(&ok);
    got.emplace_back(value, ok);
  }
  const std::vector<std::pair<int16_t, bool>> want = {
      {12, true},    {-3, true},     {2, true},   {4, true},  {0, true},  {32767, true},
      {-32768, true}, {0, false},    {7, false},  {8, true},  {0, false}, {1, false}};
  EXPECT_EQ(got, want);
}

TEST(ItemReader, CommentLinesAreSkippedOnlyWhenAsked) {
  const std::string text = "' comment\r\n  'indented\r\n1,2\r\n'data\r\n";
  ItemReader reader(text);
  EXPECT_EQ(reader.LineNumber(), 1);
  ASSERT_TRUE(reader.SkipCommentLines());
  EXPECT_EQ(reader.LineNumber(), 3);
  EXPECT_EQ(reader.ReadInteger(), 1);
  EXPECT_EQ(reader.ReadInteger(), 2);
  EXPECT_EQ(reader.ReadText(), "'data");
  EXPECT_TRUE(reader.AtEnd());

  ItemReader only_comments("'a\r\n'b");
  EXPECT_FALSE(only_comments.SkipCommentLines());
  EXPECT_TRUE(only_comments.AtEnd());
}

TEST(ItemReader, LinesPositionsAndSeek) {
  const std::string text = "first,x\r\nsecond\nhalf\r\nthird";
  ItemReader reader(text);
  const size_t start = reader.Position();
  EXPECT_EQ(reader.ReadLine(), "first,x");
  EXPECT_EQ(reader.LineNumber(), 2);
  EXPECT_EQ(reader.ReadLine(), "second\nhalf");
  EXPECT_EQ(reader.ReadLine(), "third");
  EXPECT_TRUE(reader.AtEnd());
  EXPECT_EQ(reader.ReadLine(), "");
  reader.Seek(start);
  EXPECT_EQ(reader.ReadText(), "first");
  reader.Seek(1000);
  EXPECT_TRUE(reader.AtEnd());
}

// Line numbers are counted on from the last one asked for: they must stay right when
// the reader moves back, and asking at every item of a long file must stay cheap.
TEST(ItemReader, LineNumbersFollowSeeksBothWays) {
  const std::string text = "a\r\nb\nc\rd\r\ne";
  ItemReader reader(text);
  reader.Seek(text.size());
  EXPECT_EQ(reader.LineNumber(), 5);
  reader.Seek(3);  // just past the first CR LF
  EXPECT_EQ(reader.LineNumber(), 2);
  reader.Seek(2);  // between CR and LF
  EXPECT_EQ(reader.LineNumber(), 2);
  reader.Seek(5);  // past the bare LF
  EXPECT_EQ(reader.LineNumber(), 3);

  std::string many;
  for (int i = 0; i < 200000; ++i) many += "x,\r\n";
  ItemReader long_file(many);
  int line = 0;
  while (!long_file.AtEnd()) {
    long_file.ReadText();
    line = long_file.LineNumber();
  }
  EXPECT_EQ(line, 200001);
}

TEST(ItemReader, SurvivesRandomBytes) {
  std::mt19937 random(12345);
  const std::string alphabet = "a ,\"\r\n\t'\x1a" "0123456789.-+\xff";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& c : bytes) {
      c = (random() % 4 == 0) ? static_cast<char>(random() % 256)
                              : alphabet[random() % alphabet.size()];
    }
    ItemReader reader(bytes);
    int steps = 0;
    while (!reader.AtEnd() && steps++ < 1000) {
      switch (random() % 4) {
        case 0: reader.ReadText(); break;
        case 1: reader.ReadInteger(); break;
        case 2: reader.ReadLine(); break;
        case 3: reader.SkipCommentLines(); break;
      }
      reader.LineNumber();
    }
    EXPECT_TRUE(reader.AtEnd()) << "no progress on round " << round;
  }
}

}  // namespace
}  // namespace orb
