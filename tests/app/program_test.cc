#include "app/program.h"

#include <map>
#include <sstream>

#include "app/command_line.h"
#include "platform/memory_console.h"
#include "../core/temp_dir.h"

namespace orb {
namespace {

namespace fs = std::filesystem;

TEST(CommandLine, OptionsAndErrors) {
  EXPECT_EQ(ParseCommandLine({}).action, CommandAction::kRun);
  EXPECT_EQ(ParseCommandLine({"--session"}).action, CommandAction::kShowSession);
  EXPECT_EQ(ParseCommandLine({"--session", "--help"}).action, CommandAction::kHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}).action, CommandAction::kHelp);
  EXPECT_EQ(ParseCommandLine({"--version", "--session"}).action, CommandAction::kVersion);
  const CommandLine bad = ParseCommandLine({"--help", "--sesion"});
  EXPECT_EQ(bad.action, CommandAction::kError);
  EXPECT_EQ(bad.error, "unknown option '--sesion'");
  EXPECT_EQ(ParseCommandLine({"report.txt"}).action, CommandAction::kError);
  EXPECT_EQ(ParseCommandLine({""}).action, CommandAction::kError);
}

class ProgramTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    before_ = fs::current_path();
    fs::copy(fs::path(ORB_TEST_DATA) / "../demo", dir_ / "demo", fs::copy_options::recursive);
  }
  void TearDown() override {
    fs::current_path(before_);
    TempDirTest::TearDown();
  }
  EnvironmentLookup Environment() const {
    return [env = env_](std::string_view name) {
      const auto found = env.find(std::string(name));
      return found == env.end() ? std::string() : found->second;
    };
  }
  int RunMain(const std::vector<std::string>& arguments) {
    out_.str("");
    err_.str("");
    return Main(arguments, Environment(), out_, err_);
  }
  std::string Root() const { return (dir_ / "demo").string() + "\\"; }

  fs::path before_;
  std::map<std::string, std::string> env_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(ProgramTest, HelpVersionAndBadOptions) {
  EXPECT_EQ(RunMain({"--help"}), 0);
  EXPECT_NE(out_.str().find("Usage: rptcarry"), std::string::npos);
  EXPECT_EQ(err_.str(), "");
  EXPECT_EQ(RunMain({"--version"}), 0);
  EXPECT_EQ(out_.str().rfind("rptcarry ", 0), 0u);
  EXPECT_EQ(RunMain({"--bogus"}), 2);
  EXPECT_EQ(out_.str(), "");
  EXPECT_NE(err_.str().find("unknown option '--bogus'"), std::string::npos);
}

TEST_F(ProgramTest, StartUpGathersTheSessionAndMakesTheRootCurrent) {
  env_ = {{"ORBROOT", Root()}, {"ORBTMP", Root() + "TMP"}};
  Program program(Environment());
  program.StartUp();
  EXPECT_EQ(program.session().TempDir, Root() + "TMP\\");
  EXPECT_EQ(program.session().MenuName, "RPTCARRY");
  EXPECT_EQ(program.currency().Primary(), 'E');
  EXPECT_EQ(program.currency().Current(), 'E');
  EXPECT_EQ(program.ModuleName(), "RPTCARRY");
  EXPECT_EQ(fs::current_path(), fs::canonical(dir_ / "demo"));
  EXPECT_EQ(program.catalogue().Translate("TOTAL"), "TOTAL");
}

TEST_F(ProgramTest, EmptyRootLeavesTheCurrentDirectory) {
  Program program(Environment());
  MemoryConsole console;
  TerminalHooks hooks;
  std::string message;
  // No form file in the current directory: the run stops with a message naming it.
  EXPECT_EQ(program.RunOnConsole(console, hooks, message), 3);
  EXPECT_NE(message.find("FORMS\\RPTCARRY.OPN"), std::string::npos) << message;
  EXPECT_EQ(fs::current_path(), before_);
}

TEST_F(ProgramTest, SessionOptionShowsEveryField) {
  env_ = {{"ORBROOT", Root()}, {"ORBTMP", Root() + "TMP\\"}, {"ORBEXE", "C:\\ORB\\EXE\\"}};
  ASSERT_EQ(RunMain({"--session"}), 0);
  const std::string out = out_.str();
  const std::vector<std::string> lines = {
      "RootDir: " + Root() + "\n",
      "ExeDir: C:\\ORB\\EXE\\  [drive prefix: no such place on this host]\n",
      "TempDir: " + Root() + "TMP\\\n",
      "TerminalDir: TMP\\\n",
      "MenuTitle:  Gesti\xc3\xb3 de Finques \n",
      "MenuName: RPTCARRY\n",
      "Operator: Montse Ribas i Puig\n",
      "OperatorType: 1\n",
      "Colours: 15/1 7/1 0/3 1/3 14/1\n",
      "WorkDate: 20261231\n",
      "Output: PANTALLA\n",
      "Language: CAT\n",
      "HostKind: DOS\n",
      "DatCaracter: /\n",
      "DatOrdre: DMA\n",
      "DecCaracter: '\n",
      "MilCaracter: .\n"};
  for (const std::string& line : lines) {
    EXPECT_NE(out.find(line), std::string::npos) << line << "in:\n" << out;
  }
}

TEST_F(ProgramTest, SessionOptionPointsOutUnusableSettings) {
  Write("tmp/VoraTerm.ini", "[Sistema]\r\nIdioma=xx\r\nSortida=\x1b[2J\r\n");
  fs::remove(dir_ / "demo/Vora.ini");
  env_ = {{"ORBROOT", Root() + "NOSUCH\\"}, {"ORBTMP", (dir_ / "tmp").string()},
          {"TERM", "C:\\TERM"}};
  ASSERT_EQ(RunMain({"--session"}), 0);
  const std::string out = out_.str();
  EXPECT_NE(out.find("RootDir: " + Root() + "NOSUCH\\  [does not exist on this host]\n"),
            std::string::npos) << out;
  EXPECT_NE(out.find("TerminalDir: C:\\TERM\\  [drive prefix"), std::string::npos) << out;
  EXPECT_NE(out.find("Language: xx   [not a known code: Catalan]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("WorkDate:   [none]\n"), std::string::npos) << out;
  EXPECT_NE(out.find("DecCaracter: '  [default]\n"), std::string::npos) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos);  // no escape sequence reaches the terminal
}

}  // namespace
}  // namespace orb
