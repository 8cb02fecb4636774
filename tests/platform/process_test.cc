#include "platform/process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace orb {
namespace {

namespace fs = std::filesystem;

class ProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("process_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Writes an executable shell script and returns its suite name.
  std::string Script(const std::string& name, const std::string& body, bool executable = true) {
    const fs::path path = dir_ / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    fs::permissions(path, executable ? fs::perms::owner_all : fs::perms::owner_read);
    return dir_.string() + "\\" + name;
  }
  std::string Slurp(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
};

TEST_F(ProcessTest, ReturnsTheExitCode) {
  EXPECT_EQ(RunProgram(Script("ok", "exit 0"), {}), 0);
  EXPECT_EQ(RunProgram(Script("three", "exit 3"), {}), 3);
  EXPECT_EQ(RunProgram(Script("killed", "kill -TERM $$"), {}), 128 + 15);
}

TEST_F(ProcessTest, ArgumentsArriveOneByOneWithoutAShell) {
  const std::string out = (dir_ / "args.txt").string();
  const auto program = Script("args", "for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done > \"$1\"");
  ASSERT_EQ(RunProgram(program, {out, "two words", "a;b", "$(echo x)", "\"q\"", ""}), 0);
  EXPECT_EQ(Slurp("args.txt"),
            "[" + out + "]\n[two words]\n[a;b]\n[$(echo x)]\n[\"q\"]\n[]\n");
}

TEST_F(ProcessTest, ProgramNameResolvesWithoutRegardToCase) {
  const std::string lower = Script("orbprint", "exit 7");
  (void)lower;
  EXPECT_EQ(RunProgram(dir_.string() + "\\ORBPRINT", {}), 7);
}

TEST_F(ProcessTest, ProgramsThatCannotStartGiveMinusOne) {
  EXPECT_EQ(RunProgram(dir_.string() + "\\missing", {}), -1);
  EXPECT_EQ(RunProgram("C:\\ORB\\ORBPRINT", {}), -1);
  EXPECT_EQ(RunProgram(Script("plain", "exit 0", false), {}), -1);
  EXPECT_EQ(RunProgram("", {}), -1);
  // A file that the kernel refuses to run.
  std::ofstream(dir_ / "garbage") << "\x7f" "ELF nonsense";
  fs::permissions(dir_ / "garbage", fs::perms::owner_all);
  EXPECT_EQ(RunProgram(dir_.string() + "\\garbage", {}), -1);
}

TEST_F(ProcessTest, ProgramsThatCannotStartSayWhy) {
  std::string reason;
  EXPECT_EQ(RunProgramWithReason(dir_.string() + "\\missing", {}, reason), -1);
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_EQ(RunProgramWithReason(Script("plain", "exit 0", false), {}, reason), -1);
  EXPECT_EQ(reason, "Permission denied");
  EXPECT_EQ(RunProgramWithReason(dir_.string(), {}, reason), -1);
  EXPECT_EQ(reason, "Is a directory");
  EXPECT_EQ(RunProgramWithReason("C:\\ORB\\ORBPRINT", {}, reason), -1);
  EXPECT_NE(reason.find("drive"), std::string::npos);
  std::ofstream(dir_ / "garbage") << "\x7f" "ELF nonsense";
  fs::permissions(dir_ / "garbage", fs::perms::owner_all);
  EXPECT_EQ(RunProgramWithReason(dir_.string() + "\\garbage", {}, reason), -1);
  EXPECT_EQ(reason, "Exec format error");
  reason = "stale";
  EXPECT_EQ(RunProgramWithReason(Script("ok", "exit 0"), {}, reason), 0);
}

TEST_F(ProcessTest, OnlyTheStandardDescriptorsAreInherited) {
  const int fd = ::open((dir_ / "marker").c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::dup2(fd, 40), 40);
  const auto program =
      Script("fds", "[ -e /proc/$$/fd/40 ] && exit 1; [ -e /proc/$$/fd/1 ] || exit 2; exit 0");
  EXPECT_EQ(RunProgram(program, {}), 0);
  ::close(40);
  ::close(fd);
}

TEST(Sleep, WaitsAtLeastTheTimeGivenAndIgnoresNonPositiveTimes) {
  const auto start = std::chrono::steady_clock::now();
  SleepMilliseconds(0);
  SleepMilliseconds(-5);
  SleepMilliseconds(30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

}  // namespace
}  // namespace orb
