#include "orbprint/print_document.h"

#include <gtest/gtest.h>

#include <random>

namespace orb::print {
namespace {

using Kind = Instruction::Kind;

TEST(PrintDocumentTest, ReadsEveryKindOfLine) {
  PrintDocument doc;
  const ParseResult r = ParsePrintDocument(
      "DEVICEPDF:x.pdf\r\nPAGE 66 \r\n*@e\r\nJUSD\r\nJUSN 2 \\ZZ9\\\r\n"
      " 85 ,P\xb7GINA    1, 2 \r\n-3 ,a,b,,c, 0 \r\n 7 ,, 1 \r\n",
      doc);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(doc.device, "PDF:x.pdf");
  ASSERT_EQ(doc.instructions.size(), 7u);
  EXPECT_EQ(doc.instructions[0].kind, Kind::kPage);
  EXPECT_EQ(doc.instructions[0].number, 66);
  EXPECT_EQ(doc.instructions[1].kind, Kind::kCommand);
  EXPECT_EQ(doc.instructions[1].text, "@e");
  EXPECT_EQ(doc.instructions[2].text, "D");
  EXPECT_EQ(doc.instructions[3].text, "N 2 \\ZZ9\\");
  EXPECT_EQ(doc.instructions[4].number, 85);
  EXPECT_EQ(doc.instructions[4].text, "P\xb7GINA    1");
  EXPECT_EQ(doc.instructions[4].advance, 2);
  // Split at the first and the last comma.
  EXPECT_EQ(doc.instructions[5].number, -3);
  EXPECT_EQ(doc.instructions[5].text, "a,b,,c");
  EXPECT_EQ(doc.instructions[6].text, "");
  EXPECT_EQ(doc.instructions[6].line, 8);
}

TEST(PrintDocumentTest, AcceptsBareLineFeedsAndAMissingLastLineEnd) {
  PrintDocument doc;
  ASSERT_TRUE(ParsePrintDocument("DEVICE\nPAGE 10 \n 1 ,x, 0 ", doc).ok);
  EXPECT_EQ(doc.device, "");
  ASSERT_EQ(doc.instructions.size(), 2u);
  EXPECT_EQ(doc.instructions[1].advance, 0);
}

TEST(PrintDocumentTest, ControlBytesInTextsBecomeBlanks) {
  PrintDocument doc;
  ASSERT_TRUE(ParsePrintDocument("DEVICE\x1b[2J\r\n 1 ,a\x1b\tb\xff\r, 0 \r\n", doc).ok);
  EXPECT_EQ(doc.device, " [2J");
  EXPECT_EQ(doc.instructions[0].text, "a  b  ");
}

TEST(PrintDocumentTest, RefusesMalformedLinesNamingTheLine) {
  struct Case {
    const char* file;
    int line;
    const char* message_part;
  };
  const Case cases[] = {
      {"", 0, "empty"},
      {"PAGE 66 \r\n", 1, "DEVICE"},
      {"DEVICE\r\n\r\n 1 ,x, 0 \r\n", 2, "empty line"},
      {"DEVICE\r\nDEVICEX\r\n", 2, "first line"},
      {"DEVICE\r\nPAGE\r\n", 2, "PAGE"},
      {"DEVICE\r\nPAGE 66x\r\n", 2, "PAGE"},
      {"DEVICE\r\nPAGE 32768 \r\n", 2, "PAGE"},
      {"DEVICE\r\nJUSX\r\n", 2, "justification"},
      {"DEVICE\r\nJUSN2 \\x\\\r\n", 2, "justification"},
      {"DEVICE\r\nJUSN \r\n", 2, "justification"},
      {"DEVICE\r\nJUS\r\n", 2, "justification"},
      {"DEVICE\r\n 1 ,x, 0 \r\n 1 ,x\r\n", 3, "item line"},
      {"DEVICE\r\nhello\r\n", 2, "item line"},
      {"DEVICE\r\n x ,a, 0 \r\n", 2, "column"},
      {"DEVICE\r\n ,a, 0 \r\n", 2, "column"},
      {"DEVICE\r\n-32769 ,a, 0 \r\n", 2, "column"},
      {"DEVICE\r\n 1 ,a, 1 1 \r\n", 2, "advance"},
      {"DEVICE\r\n 1 ,a,\r\n", 2, "advance"},
      {"DEVICE\r\n 1 ,a, 99999999999999999999 \r\n", 2, "advance"},
  };
  for (const Case& c : cases) {
    PrintDocument doc;
    const ParseResult r = ParsePrintDocument(c.file, doc);
    EXPECT_FALSE(r.ok) << c.file;
    EXPECT_EQ(r.error_line, c.line) << c.file;
    EXPECT_NE(r.error.find(c.message_part), std::string::npos) << c.file << ": " << r.error;
  }
}

TEST(PrintDocumentTest, NumbersInPrintFormKeepToSixteenBits) {
  int32_t v = 0;
  EXPECT_TRUE(ParsePrintNumber(" 32767 ", v));
  EXPECT_EQ(v, 32767);
  EXPECT_TRUE(ParsePrintNumber("-32768 ", v));
  EXPECT_EQ(v, -32768);
  EXPECT_TRUE(ParsePrintNumber("7", v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(ParsePrintNumber("- 3", v));
  EXPECT_FALSE(ParsePrintNumber("+3", v));
  EXPECT_FALSE(ParsePrintNumber("-", v));
  EXPECT_FALSE(ParsePrintNumber("  ", v));
}

// Random bytes, random damage to a good file and every truncation of it: the reader
// answers, never crashes (the sanitizer build checks the reads).
TEST(PrintDocumentTest, SurvivesRandomAndTruncatedInput) {
  const std::string good =
      "DEVICEPANTALLA\r\nPAGE 66 \r\n*@e\r\n 1 ,NOM, 0 \r\nJUSD\r\n 85 ,P\xb7GINA    1, 2 \r\n"
      "*q\r\nJUSN 2 \\ZZ9\\\r\n 55 ,   1.234'56, 1 \r\n";
  PrintDocument doc;
  for (size_t n = 0; n <= good.size(); ++n) ParsePrintDocument(good.substr(0, n), doc);
  std::mt19937 rng(1234);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes;
    if (round % 2 == 0) {
      bytes.resize(rng() % 200);
      for (char& c : bytes) c = static_cast<char>(rng() % 256);
      if (round % 4 == 0) bytes = "DEVICE\r\n" + bytes;
    } else {
      bytes = good;
      for (int k = 0; k < 4; ++k) bytes[rng() % bytes.size()] = static_cast<char>(rng() % 256);
    }
    const ParseResult r = ParsePrintDocument(bytes, doc);
    if (!r.ok) {
      EXPECT_FALSE(r.error.empty());
    }
  }
}

}  // namespace
}  // namespace orb::print
