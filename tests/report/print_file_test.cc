#include "report/print_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orb {
namespace {

class PrintFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("printfile_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    session_.TempDir = dir_.string() + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Content() const {
    std::ifstream in(dir_ / "orbprint.tmp", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  std::filesystem::path dir_;
  Session session_;
};

TEST(PrintFormTest, SignPositionDigitsAndOneBlank) {
  EXPECT_EQ(PrintForm(66), " 66 ");
  EXPECT_EQ(PrintForm(0), " 0 ");
  EXPECT_EQ(PrintForm(-3), "-3 ");
  EXPECT_EQ(PrintForm(-32768), "-32768 ");
  EXPECT_EQ(PrintForm(INT32_MIN), "-2147483648 ");
}

TEST(JustifyCodeTest, FirstLetterOfTheTrimmedRequest) {
  EXPECT_EQ(JustifyCode("C"), "C");
  EXPECT_EQ(JustifyCode("  r  "), "D");
  EXPECT_EQ(JustifyCode("Dreta"), "D");
  EXPECT_EQ(JustifyCode("a"), "A");
  EXPECT_EQ(JustifyCode("B"), "A");
  EXPECT_EQ(JustifyCode("x"), "E");
  EXPECT_EQ(JustifyCode(""), "E");
  EXPECT_EQ(JustifyCode("   "), "E");
  EXPECT_EQ(JustifyCode("\tD"), "E");  // only blanks are trimmed
}

TEST(JustifyCodeTest, NumericRequestCarriesAbsoluteTruncatedNumberAndMask) {
  EXPECT_EQ(JustifyCode("N2\\ZZ9\\"), "N 2 \\ZZ9\\");
  EXPECT_EQ(JustifyCode(" n-2.7 \\#,##\\ tail "), "N 2 \\#,##\\");
  EXPECT_EQ(JustifyCode("N"), "N 0 ");
  EXPECT_EQ(JustifyCode("N007"), "N 7 ");
  EXPECT_EQ(JustifyCode("N\\Z9\\"), "N 0 \\Z9\\");
  EXPECT_EQ(JustifyCode("N3 \\Z9"), "N 3 \\Z9");  // a lone backslash runs to the end
  EXPECT_EQ(JustifyCode("N99999999999999999999"), "N 99999999999999999999 ");
}

TEST_F(PrintFileTest, ReportLinesAreWrittenByteForByte) {
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint("PDF:out.pdf"));
  print.NewPage(66);
  print.PrintCommand("@e");
  print.PrintAt(1, "ADMINISTRACI\x90 NORD", 0);
  print.SetJustify("D");
  print.PrintAt(85, "P\xb7GINA    1", 2);
  print.PrintAt(7, "A,B,C", 0);
  print.PrintAt(-3, "", -1);
  EXPECT_EQ(print.LineNo(), 1);
  EXPECT_TRUE(print.ClosePrint());
  EXPECT_EQ(Content(),
            "DEVICEPDF:out.pdf\r\n"
            "PAGE 66 \r\n"
            "*@e\r\n"
            " 1 ,ADMINISTRACI\x90 NORD, 0 \r\n"
            "JUSD\r\n"
            " 85 ,P\xb7GINA    1, 2 \r\n"
            " 7 ,A,B,C, 0 \r\n"
            "-3 ,,-1 \r\n");
}

TEST_F(PrintFileTest, ControlBytesBecomeBlanksInTheFileOnly) {
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint(""));
  print.NewPage(66);
  const std::string text = std::string("a\tb\rc\xff" "d\x7f" "e\n", 10) + std::string(1, '\0') + "f";
  const std::string before = text;
  print.PrintAt(7, text, 0);
  print.PrintCommand("q\r\n");
  print.SetJustify("N1\\a\rb\\");
  print.ClosePrint();
  EXPECT_EQ(text, before);
  EXPECT_EQ(Content(),
            "DEVICE\r\nPAGE 66 \r\n"
            " 7 ,a b c d e  f, 0 \r\n"
            "*q  \r\n"
            "JUSN 1 \\a b\\\r\n");
}

TEST_F(PrintFileTest, FullPageStartsANewPageOfTheSameLengthBeforeTheItem) {
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint("X"));
  print.NewPage(66);
  print.PrintAt(1, "a", 65);
  EXPECT_EQ(print.LineNo(), 65);
  print.PrintAt(1, "b", 1);  // line 65 is still on the page
  EXPECT_EQ(print.LineNo(), 66);
  print.PrintAt(1, "c", 2);
  EXPECT_EQ(print.PageLength(), 66);
  EXPECT_EQ(print.LineNo(), 2);
  print.ClosePrint();
  EXPECT_EQ(Content(),
            "DEVICEX\r\nPAGE 66 \r\n"
            " 1 ,a, 65 \r\n"
            " 1 ,b, 1 \r\n"
            "PAGE 66 \r\n"
            " 1 ,c, 2 \r\n");
}

TEST_F(PrintFileTest, WithoutNewPageEveryItemGetsAPageOfLengthZero) {
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint("X"));
  print.PrintAt(1, "a", 0);
  print.PrintAt(2, "b", 1);
  print.ClosePrint();
  EXPECT_EQ(Content(), "DEVICEX\r\nPAGE 0 \r\n 1 ,a, 0 \r\nPAGE 0 \r\n 2 ,b, 1 \r\n");
}

TEST_F(PrintFileTest, LineCountStaysWithinSixteenBits) {
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint("X"));
  print.NewPage(INT16_MAX);
  print.PrintAt(1, "a", 30000);
  print.PrintAt(1, "b", 30000);
  EXPECT_EQ(print.LineNo(), INT16_MAX);
  print.PrintAt(1, "c", 0);  // the page is full: a new one, not a wrapped count
  EXPECT_EQ(print.LineNo(), 0);
  print.NewPage(10);
  print.PrintAt(1, "d", INT16_MIN);
  print.PrintAt(1, "e", INT16_MIN);
  EXPECT_EQ(print.LineNo(), INT16_MIN);
}

TEST_F(PrintFileTest, OpenPrintEmptiesAnExistingFileAndKeepsThePageState) {
  {
    std::ofstream(dir_ / "orbprint.tmp", std::ios::binary) << std::string(5000, 'z');
  }
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint("A"));
  print.NewPage(20);
  print.PrintAt(1, "x", 3);
  ASSERT_TRUE(print.OpenPrint("B"));  // a second report: the first file is closed
  EXPECT_EQ(print.PageLength(), 20);
  EXPECT_EQ(print.LineNo(), 3);
  print.ClosePrint();
  EXPECT_EQ(Content(), "DEVICEB\r\n");
}

TEST_F(PrintFileTest, FileNameIsFoundWithoutRegardToCase) {
  {
    std::ofstream(dir_ / "ORBPRINT.TMP", std::ios::binary) << "old";
  }
  PrintFile print(session_);
  ASSERT_TRUE(print.OpenPrint("A"));
  print.ClosePrint();
  std::ifstream in(dir_ / "ORBPRINT.TMP", std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "DEVICEA\r\n");
}

TEST_F(PrintFileTest, UncreatableFileIsReportedAndLaterCallsWriteNothing) {
  session_.TempDir = dir_.string() + "/missing/dir/";
  PrintFile print(session_);
  EXPECT_FALSE(print.OpenPrint("X"));
  EXPECT_FALSE(print.IsOpen());
  EXPECT_EQ(print.FileName(), dir_.string() + "/missing/dir/orbprint.tmp");
  print.NewPage(66);
  print.PrintCommand("@e");
  print.SetJustify("D");
  print.PrintAt(1, "x", 4);
  EXPECT_EQ(print.LineNo(), 4);  // the page logic still runs
  EXPECT_FALSE(print.ClosePrint());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing"));

  session_.TempDir = "C:\\TMP\\";  // a drive name means nothing on this host
  PrintFile on_drive(session_);
  EXPECT_FALSE(on_drive.OpenPrint("X"));
}

TEST_F(PrintFileTest, FullDiskIsReportedWhenClosing) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP();
  std::filesystem::create_symlink("/dev/full", dir_ / "orbprint.tmp");
  PrintFile print(session_);
  print.OpenPrint("X");
  for (int i = 0; i < 2000; ++i) print.PrintAt(1, std::string(100, 'x'), 0);
  EXPECT_FALSE(print.ClosePrint());
  EXPECT_EQ(print.FailureReason(), "No space left on device");
  // A new print file starts without the old failure.
  std::filesystem::remove(dir_ / "orbprint.tmp");
  ASSERT_TRUE(print.OpenPrint("X"));
  EXPECT_TRUE(print.ClosePrint());
  EXPECT_EQ(print.FailureReason(), "");
}

}  // namespace
}  // namespace orb
