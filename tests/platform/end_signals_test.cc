#include "platform/end_signals.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace orb {
namespace {

namespace fs = std::filesystem;

// The restore step of the child under test: leaves a byte on a pipe.
int restore_pipe = -1;
void NoteRestore() {
  const char byte = 'r';
  [[maybe_unused]] const ssize_t n = ::write(restore_pipe, &byte, 1);
}

class EndSignalsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("end_signals_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs `body` in a child process; its exit status as a shell reports it, and whether
  // the restore step ran.
  int InChild(void (*body)(const std::string& dir), bool& restored) {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    if (child == 0) {
      ::close(fds[0]);
      restore_pipe = fds[1];
      body(dir_.string());
      ::_exit(99);
    }
    ::close(fds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    char byte = 0;
    restored = ::read(fds[0], &byte, 1) == 1;
    ::close(fds[0]);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status) + 1000;  // not ours
    return WEXITSTATUS(status);
  }

  fs::path dir_;
};

TEST_F(EndSignalsTest, EachEndSignalRemovesTheWorkFilesAndGivesItsStatus) {
  for (int sig : {SIGTERM, SIGHUP, SIGINT, SIGQUIT}) {
    std::ofstream(dir_ / "WinPush.tmp") << "stack";
    std::ofstream(dir_ / "Browse.tmp") << "list";
    std::ofstream(dir_ / "keep.txt") << "other";
    static int raised;
    raised = sig;
    bool restored = false;
    const int status = InChild(
        [](const std::string& dir) {
          // Named as the suite names them: with a backslash.
          EndSignalScope scope({dir + "\\WinPush.tmp", dir + "\\Browse.tmp",
                                dir + "\\never-created.tmp"},
                               NoteRestore);
          ::raise(raised);
        },
        restored);
    EXPECT_EQ(status, 128 + sig) << "signal " << sig;
    EXPECT_TRUE(restored) << "signal " << sig;
    EXPECT_FALSE(fs::exists(dir_ / "WinPush.tmp")) << "signal " << sig;
    EXPECT_FALSE(fs::exists(dir_ / "Browse.tmp")) << "signal " << sig;
    EXPECT_TRUE(fs::exists(dir_ / "keep.txt"));
  }
}

TEST_F(EndSignalsTest, TheHandlersFoundBeforeComeBackWhenTheScopeEnds) {
  std::ofstream(dir_ / "WinPush.tmp") << "stack";
  bool restored = false;
  const int status = InChild(
      [](const std::string& dir) {
        ::signal(SIGHUP, SIG_IGN);
        { EndSignalScope scope({dir + "/WinPush.tmp"}, NoteRestore); }
        ::raise(SIGHUP);  // ignored again
        ::_exit(7);
      },
      restored);
  EXPECT_EQ(status, 7);
  EXPECT_FALSE(restored);
  EXPECT_TRUE(fs::exists(dir_ / "WinPush.tmp"));
}

}  // namespace
}  // namespace orb
