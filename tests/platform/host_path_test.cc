#include "platform/host_path.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace orb {
namespace {

namespace fs = std::filesystem;

class HostPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("hostpath_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Touch(const fs::path& relative, const std::string& content = "") {
    fs::create_directories((dir_ / relative).parent_path());
    std::ofstream(dir_ / relative, std::ios::binary) << content;
  }
  // The temporary directory as the suite writes directories: ending in a backslash.
  std::string Root() const { return dir_.string() + "\\"; }

  fs::path dir_;
};

TEST_F(HostPathTest, BackslashesBecomeSlashesAndEmptyComponentsVanish) {
  EXPECT_EQ(HostPath("NOSUCH\\b\\c.txt"), "NOSUCH/b/c.txt");
  EXPECT_EQ(HostPath("NOSUCH\\\\b\\"), "NOSUCH/b/");
  EXPECT_EQ(HostPath("\\"), "/");
}

TEST_F(HostPathTest, DrivePrefixResolvesToNothing) {
  EXPECT_TRUE(HasDrivePrefix("C:\\TMP\\x"));
  EXPECT_TRUE(HasDrivePrefix("c:"));
  EXPECT_FALSE(HasDrivePrefix("1:\\x"));
  EXPECT_FALSE(HasDrivePrefix("C"));
  EXPECT_FALSE(HostPath("C:\\TMP\\Sessio.ini"));
  EXPECT_FALSE(HostPath("C:"));
  EXPECT_EQ(OpenFile("C:\\TMP\\x", "ab"), nullptr);
  EXPECT_FALSE(FileExists("C:\\TMP\\x"));
  EXPECT_FALSE(DirectoryExists("C:\\"));
  std::string out = "old";
  EXPECT_FALSE(ReadFile("C:\\x", out));
  EXPECT_EQ(out, "");
  EXPECT_FALSE(WriteFile("D:x", "data"));
}

TEST_F(HostPathTest, EmptyNamesAndNulBytesResolveToNothing) {
  EXPECT_FALSE(HostPath(""));
  EXPECT_FALSE(HostPath(std::string("a\0b", 3)));
}

TEST_F(HostPathTest, ComponentsMatchWithoutRegardToCase) {
  Touch("DADES/PropietV.dat", "owners");
  const auto path = HostPath(Root() + "dades\\PROPIETV.DAT");
  ASSERT_TRUE(path);
  EXPECT_EQ(*path, (dir_ / "DADES/PropietV.dat").string());
  EXPECT_TRUE(FileExists(Root() + "Dades\\propietv.dat"));
  EXPECT_TRUE(DirectoryExists(Root() + "dades"));
  EXPECT_EQ(FileSize(Root() + "DADES\\PROPIETV.DAT"), 6);
  std::string content;
  ASSERT_TRUE(ReadFile(Root() + "dAdEs\\propietV.DAT", content));
  EXPECT_EQ(content, "owners");
}

TEST_F(HostPathTest, AccentedLettersMatchWithoutRegardToCase) {
  Touch("C\xC3\xB2pia/Li\xC3\xA7.txt");  // "Còpia/Liç.txt" in UTF-8
  // The same names upper-cased, in code page 850: "CÒPIA\LIÇ.TXT".
  EXPECT_TRUE(FileExists(Root() + "C\xE3PIA\\LI\x80.TXT"));
  EXPECT_EQ(*HostPath(Root() + "C\xE3PIA\\LI\x80.TXT"),
            (dir_ / "C\xC3\xB2pia/Li\xC3\xA7.txt").string());
}

TEST_F(HostPathTest, ExactNameWinsAndChoiceAmongCaseVariantsIsStable) {
  Touch("vora.ini", "lower");
  Touch("VORA.INI", "upper");
  std::string content;
  ASSERT_TRUE(ReadFile(Root() + "vora.ini", content));
  EXPECT_EQ(content, "lower");
  ASSERT_TRUE(ReadFile(Root() + "VORA.INI", content));
  EXPECT_EQ(content, "upper");
  ASSERT_TRUE(ReadFile(Root() + "Vora.ini", content));
  EXPECT_EQ(content, "upper");  // "VORA.INI" sorts first
}

TEST_F(HostPathTest, RootEndingInSlashOrBackslashBothWork) {
  Touch("Vora.ini", "x");
  EXPECT_TRUE(FileExists(dir_.string() + "/" + "Vora.ini"));
  EXPECT_TRUE(FileExists(dir_.string() + "\\" + "Vora.ini"));
  EXPECT_TRUE(FileExists(dir_.string() + "/\\" + "VORA.INI"));
}

TEST_F(HostPathTest, NewFilesAreCreatedInCaseMismatchedDirectories) {
  fs::create_directories(dir_ / "TMP");
  ASSERT_TRUE(WriteFile(Root() + "tmp\\WinPush.tmp", "saved"));
  EXPECT_TRUE(fs::exists(dir_ / "TMP/WinPush.tmp"));
  std::FILE* f = OpenFile(Root() + "Tmp\\LOCALE.LNG", "ab");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(fs::exists(dir_ / "TMP/LOCALE.LNG"));
  // A missing directory is not created: the open fails.
  EXPECT_FALSE(WriteFile(Root() + "NOSUCH\\x.tmp", "x"));
  EXPECT_EQ(*HostPath(Root() + "NoSuch\\Sub\\x"), (dir_ / "NoSuch/Sub/x").string());
}

TEST_F(HostPathTest, FileOperations) {
  Touch("big.dat", std::string(100, 'a'));
  std::string content;
  ASSERT_TRUE(ReadFile(Root() + "BIG.DAT", content, 10));
  EXPECT_EQ(content, std::string(10, 'a'));
  EXPECT_FALSE(FileExists(Root()));  // a directory is not a file
  EXPECT_TRUE(RemoveFile(Root() + "Big.Dat"));
  EXPECT_FALSE(FileExists(Root() + "big.dat"));
  EXPECT_FALSE(RemoveFile(Root() + "big.dat"));
  EXPECT_FALSE(FileSize(Root() + "big.dat"));
}

TEST_F(HostPathTest, DirectoriesAndRenames) {
  ASSERT_TRUE(CreateDirectories(Root() + "Out\\2026-12"));
  EXPECT_TRUE(DirectoryExists(Root() + "OUT\\2026-12"));
  EXPECT_TRUE(CreateDirectories(Root() + "out\\2026-12\\"));  // exists already, any case
  Touch("plain", "x");
  EXPECT_FALSE(CreateDirectories(Root() + "plain\\sub"));  // a file stands in the way
  Touch("Out/2026-12/a.part", "new");
  Touch("Out/2026-12/a.pdf", "old");
  ASSERT_TRUE(RenameFile(Root() + "out\\2026-12\\a.part", Root() + "OUT\\2026-12\\A.PDF"));
  std::string content;
  ASSERT_TRUE(ReadFile(Root() + "Out\\2026-12\\a.pdf", content));
  EXPECT_EQ(content, "new");
  EXPECT_FALSE(FileExists(Root() + "Out\\2026-12\\a.part"));
  EXPECT_FALSE(RenameFile(Root() + "missing", Root() + "other"));
}

TEST_F(HostPathTest, AResolvedDirectoryTakesNamesExactly) {
  fs::create_directories(dir_ / "Out");
  ResolvedDirectory out(Root() + "OUT");
  ASSERT_TRUE(out.Valid());
  ASSERT_TRUE(out.WriteFile("0001.pdf.part", "pdf"));
  ASSERT_TRUE(out.RenameFile("0001.pdf.part", "0001.pdf"));
  EXPECT_TRUE(fs::exists(dir_ / "Out" / "0001.pdf"));
  EXPECT_FALSE(fs::exists(dir_ / "Out" / "0001.pdf.part"));
  EXPECT_FALSE(out.WriteFile("../escape", "x"));
  EXPECT_FALSE(out.RenameFile("0001.pdf", "..\\x"));
  EXPECT_TRUE(out.RemoveFile("0001.pdf"));
  EXPECT_FALSE(out.RemoveFile("0001.pdf"));
  EXPECT_FALSE(ResolvedDirectory("C:\\TMP").Valid());
}

TEST_F(HostPathTest, FailuresSayWhy) {
  std::string reason;
  EXPECT_EQ(OpenFile(Root() + "NOSUCH\\x.tmp", "wb", &reason), nullptr);
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(WriteFile("C:\\x.tmp", "x", &reason));
  EXPECT_NE(reason.find("drive"), std::string::npos) << reason;
  std::string content = "old";
  EXPECT_FALSE(ReadFile(Root(), content, 100, &reason));  // a directory opens, reads nothing
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_EQ(content, "");
  if (fs::exists("/dev/full")) {
    // A full disk: the bytes are taken into the buffer, and refused when it is written.
    EXPECT_FALSE(WriteFile("/dev/full", std::string(10, 'x'), &reason));
    EXPECT_EQ(reason, "No space left on device");
  }
}

TEST_F(HostPathTest, WorkDirectoryMustExistAndTakeFiles) {
  std::string reason;
  EXPECT_TRUE(IsUsableWorkDirectory(Root(), reason));
  EXPECT_TRUE(IsUsableWorkDirectory("", reason));  // the current directory
  EXPECT_FALSE(IsUsableWorkDirectory(Root() + "missing\\", reason));
  EXPECT_EQ(reason, "No such file or directory");
  Touch("plain");
  EXPECT_FALSE(IsUsableWorkDirectory(Root() + "plain\\", reason));
  EXPECT_EQ(reason, "Not a directory");
  EXPECT_FALSE(IsUsableWorkDirectory("C:\\TMP\\", reason));
  if (::geteuid() != 0) {  // permissions do not hold the superuser back
    fs::create_directories(dir_ / "locked");
    fs::permissions(dir_ / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(IsUsableWorkDirectory(Root() + "locked\\", reason));
    EXPECT_EQ(reason, "Permission denied");
    fs::permissions(dir_ / "locked", fs::perms::owner_all);
  }
}

TEST_F(HostPathTest, ChangeDirectoryFollowsCase) {
  fs::create_directories(dir_ / "Orb");
  const fs::path before = fs::current_path();
  ASSERT_TRUE(ChangeDirectory(Root() + "ORB\\"));
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_ / "Orb"));
  fs::current_path(before);
  EXPECT_FALSE(ChangeDirectory(Root() + "missing\\"));
  EXPECT_FALSE(ChangeDirectory("C:\\"));
}

}  // namespace
}  // namespace orb
