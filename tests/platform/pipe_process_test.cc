#include "platform/pipe_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orb {
namespace {

TEST(PipeProcessTest, FeedsTheProgramAndReturnsItsStatus) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("pipe_" + std::to_string(::getpid()) + ".txt");
  const auto status = RunWithInput({"sh", "-c", "cat > \"$0\"; exit 3", path.string()},
                                   "l\xc3\xadnia\n");
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 3);
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  EXPECT_EQ(s.str(), "l\xc3\xadnia\n");
  std::filesystem::remove(path);
}

TEST(PipeProcessTest, AReaderThatStopsEarlyOrAMissingProgramIsNoCrash) {
  const auto status = RunWithInput({"true"}, std::string(4 << 20, 'x'));
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0);
  EXPECT_FALSE(RunWithInput({"orbprint-no-such-program"}, "x").has_value());
  EXPECT_FALSE(RunWithInput({}, "x").has_value());
}

TEST(PipeProcessTest, FindsProgramsOnThePathOrByTheirPath) {
  const auto sh = FindProgram("sh");
  ASSERT_TRUE(sh.has_value());
  EXPECT_EQ(sh->front(), '/');
  EXPECT_EQ(FindProgram(*sh), sh);
  EXPECT_FALSE(FindProgram("no-such-program-here"));
  EXPECT_FALSE(FindProgram("/etc/passwd"));  // not executable
  EXPECT_FALSE(FindProgram("/"));
  EXPECT_FALSE(FindProgram(""));
}

}  // namespace
}  // namespace orb
