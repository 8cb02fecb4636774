// How hand-written text files are taken: code page 850 as it stands, UTF-8 converted.
#include "core/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orb {
namespace {

std::string DemoFile(const std::string& relative) {
  std::ifstream in(std::filesystem::path(ORB_TEST_DATA) / ".." / "demo" / relative,
                   std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(TextFileTest, CodePage850FilesComeBackByteForByte) {
  for (const char* file : {"Vora.ini", "TMP/Sessio.ini", "TMP/VoraTerm.ini",
                           "FORMS/RPTCARRY.OPN", "LOCALE/RPTCARRY.LNG", "AJUDA/RPTCARRY.HLP",
                           "AJUDA/UMAINMNU.HLP"}) {
    const std::string bytes = DemoFile(file);
    ASSERT_FALSE(bytes.empty()) << file;
    EXPECT_EQ(TextFileAsCp850(bytes), bytes) << file;
  }
  // Accented code page 850 text is not UTF-8: "Martí", "SEGÚN", "Pàgina".
  for (const std::string text : {"Finques Mart\xa1", "SEG\xe9N", "P\x85gina", "\xc4\xc4\xc4"}) {
    EXPECT_EQ(TextFileAsCp850(text), text);
  }
  EXPECT_EQ(TextFileAsCp850(""), "");
  EXPECT_EQ(TextFileAsCp850(std::string("a\0b\x1a", 4)), std::string("a\0b\x1a", 4));
}

TEST(TextFileTest, Utf8FilesAreConverted) {
  EXPECT_EQ(TextFileAsCp850("Finques Mart\xc3\xad\r\n"), "Finques Mart\xa1\r\n");
  EXPECT_EQ(TextFileAsCp850("P\xc3\x80GINA ,P\xc3\x81GINA \n"), "P\xb7GINA ,P\xb5GINA \n");
  EXPECT_EQ(TextFileAsCp850("\xe2\x82\xac 5"), "\xd5 5");  // the euro sign
  // A byte-order mark makes the file UTF-8 even with nothing above 127 after it, and
  // goes; malformed bytes after it read as "?".
  EXPECT_EQ(TextFileAsCp850("\xef\xbb\xbf[Usuari]\r\n"), "[Usuari]\r\n");
  EXPECT_EQ(TextFileAsCp850("\xef\xbb\xbf" "a\xa1" "b"), "a?b");
  // One malformed sequence anywhere and the whole file is code page 850.
  EXPECT_EQ(TextFileAsCp850("Mart\xc3\xad \xa1"), "Mart\xc3\xad \xa1");
  EXPECT_EQ(TextFileAsCp850("\xed\xa0\x80"), "\xed\xa0\x80");  // a surrogate
  EXPECT_EQ(TextFileAsCp850("\xc0\xaf"), "\xc0\xaf");          // overlong
}

TEST(TextFileTest, CharactersTheCodePageLacksGetAPlainForm) {
  const auto in_cp850 = [](const std::string& utf8) { return TextFileAsCp850(utf8); };
  EXPECT_EQ(in_cp850("\xe2\x80\x9c" "Cal\xc3\xa7\xe2\x80\x9d \xe2\x80\x98x\xe2\x80\x99"),
            "\"Cal\x87\" 'x'");
  EXPECT_EQ(in_cp850("1\xe2\x80\x93" "2\xe2\x80\x94" "3\xe2\x88\x92" "4\xe2\x80\xa6"),
            "1-2-3-4...");
  EXPECT_EQ(in_cp850("col\xc5\x80" "legi \xc4\xbf" "L"), "col\x6c\xfalegi L\xfaL");
  EXPECT_EQ(in_cp850("a\xe2\x80\xaf" "b\xe2\x80\x8b" "c\xef\xbb\xbf" "d"), "a bcd");
  // Combining accents join the letter before them; without one they go.
  EXPECT_EQ(in_cp850("Mari\xcc\x81" "a n\xcc\x83 c\xcc\xa7 \xc3\xa9\xcc\x81 q\xcc\x81"),
            "Mar\xa1" "a \xa4 \x87 \x82 q");
  // The screen glyphs of control bytes are not text: no control byte comes from them.
  EXPECT_EQ(in_cp850("\xe2\x96\xba \xe2\x98\xba \xe2\x9c\x93 \xf0\x9f\x98\x80"), "? ? ? ?");
}

TEST(TextFileTest, LoneLineFeedsBecomeCrLf) {
  EXPECT_EQ(WithCrLfLineEnds("a\nb\r\nc\n\n"), "a\r\nb\r\nc\r\n\r\n");
  EXPECT_EQ(WithCrLfLineEnds("\nx\ry"), "\r\nx\ry");
  EXPECT_EQ(WithCrLfLineEnds("a\r\n"), "a\r\n");
}

}  // namespace
}  // namespace orb
