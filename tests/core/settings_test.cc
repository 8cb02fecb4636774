#include "core/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace orb {
namespace {

class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("ini_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& content) {
    const auto path = dir_ / "test.ini";
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
  }
  std::filesystem::path dir_;
};

TEST_F(IniFile, SectionAndKeyMatchWithoutCaseAndValueKeepsSpaces) {
  const auto f = Write("[ menu ]\r\nTITOL = x\r\n");
  EXPECT_EQ(ReadIniValue(f, "Menu", "Titol"), " x");
  const auto g = Write("[Menu]\r\nTitol=y\r\n");
  EXPECT_EQ(ReadIniValue(g, "  menu ", "titol"), "y");
}

TEST_F(IniFile, CommentsCutTheLine) {
  const auto f = Write("[Pantalla]\r\nCol1=15000700000700070007 ; colours\r\n"
                       "[Sistema]\r\nSortida=a;b\r\n");
  EXPECT_EQ(ReadIniValue(f, "Pantalla", "Col1"), "15000700000700070007 ");
  EXPECT_EQ(ReadIniValue(f, "Sistema", "Sortida"), "a");
}

TEST_F(IniFile, QuotesAreRemovedOncePair) {
  const auto f = Write("[S]\nA=\"quoted, text\"\nB=\"\nC=\"\"\nD=\"a\"b\"\n");
  EXPECT_EQ(ReadIniValue(f, "S", "A"), "quoted, text");
  EXPECT_EQ(ReadIniValue(f, "S", "B"), "\"");
  EXPECT_EQ(ReadIniValue(f, "S", "C"), "");
  EXPECT_EQ(ReadIniValue(f, "S", "D"), "a\"b");
}

TEST_F(IniFile, FirstKeyAndFirstSectionWin) {
  const auto f = Write("K=top\n[S]\nK=one\nK=two\n[T]\nL=x\n[S]\nM=late\n");
  EXPECT_EQ(ReadIniValue(f, "S", "K"), "one");
  EXPECT_EQ(ReadIniValue(f, "S", "M"), "");
  EXPECT_EQ(ReadIniValue(f, "T", "K"), "");
}

TEST_F(IniFile, MissingFileSectionOrKeyGiveEmpty) {
  EXPECT_EQ(ReadIniValue((dir_ / "none.ini").string(), "S", "K"), "");
  const auto f = Write("[S]\nK=v\n");
  EXPECT_EQ(ReadIniValue(f, "X", "K"), "");
  EXPECT_EQ(ReadIniValue(f, "S", "Z"), "");
}

TEST_F(IniFile, MalformedContentNeverCrashes) {
  std::string nasty = "[S]\nK=";
  nasty += std::string(200000, 'v');
  nasty += '\0';
  nasty += "\xff\xfe\x80";
  const auto f = Write(nasty);  // no line end at all
  const std::string value = ReadIniValue(f, "S", "K");
  EXPECT_EQ(value.size(), 200004u);
  const auto g = Write(std::string("\0\0[S\0]\n\0K=\0\n", 13));
  EXPECT_EQ(ReadIniValue(g, "S", "K"), "");
}

TEST_F(IniFile, FilesSavedOnThisHostReadAsTheSuiteWritesThem) {
  // LF line ends, UTF-8 with a byte-order mark before the first section, and without.
  const auto f = Write("\xef\xbb\xbf[Titular]\nNom=Finques Mart\xc3\xad\nNIF=B1\n");
  EXPECT_EQ(ReadIniValue(f, "Titular", "Nom"), "Finques Mart\xa1");
  EXPECT_EQ(ReadIniValue(f, "Titular", "NIF"), "B1");
  const auto g = Write("[T\xc3\x8dTOL]\r\nClau=\xc3\xa0\xc3\xa8\r\n");
  EXPECT_EQ(ReadIniValue(g, "T\xd6TOL", "clau"), "\x85\x8a");
  // A code page 850 file is read as it stands.
  const auto h = Write("[Titular]\r\nNom=Finques Mart\xa1\r\n");
  EXPECT_EQ(ReadIniValue(h, "Titular", "Nom"), "Finques Mart\xa1");
}

}  // namespace
}  // namespace orb
