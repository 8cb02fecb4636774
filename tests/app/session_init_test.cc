#include "app/session_init.h"

#include <map>

#include "format/packed_digits.h"
#include "../core/temp_dir.h"

namespace orb {
namespace {

class SessionInitTest : public testing::TempDirTest {
 protected:
  Session Init() {
    return InitSession([this](std::string_view name) {
      const auto found = env_.find(std::string(name));
      return found == env_.end() ? std::string() : found->second;
    });
  }
  // Writes a settings file with CRLF line ends in the temporary directory.
  void Settings(const std::string& name, const std::string& lines) { Write(name, lines); }

  std::map<std::string, std::string> env_;
};

TEST_F(SessionInitTest, NothingSetGivesTheDefaults) {
  const Session s = Init();
  EXPECT_EQ(s.RootDir, "");
  EXPECT_EQ(s.ExeDir, "");
  EXPECT_EQ(s.TempDir, "");
  EXPECT_EQ(s.TerminalDir, "");
  EXPECT_EQ(s.MenuTitle, "  ");
  EXPECT_EQ(s.OperatorType, 0);
  const int16_t defaults[5][2] = {{15, 0}, {7, 0}, {0, 7}, {0, 7}, {0, 7}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s.Colours[i][0], defaults[i][0]);
    EXPECT_EQ(s.Colours[i][1], defaults[i][1]);
  }
  EXPECT_EQ(s.WorkDate, "");
  EXPECT_EQ(s.Output, "");
  EXPECT_EQ(s.Language, "   ");
  EXPECT_EQ(s.HostKind, "DOS");
}

TEST_F(SessionInitTest, DirectoriesGetTheirBackslash) {
  EXPECT_EQ(WithDirectoryEnd("C:\\TMP"), "C:\\TMP\\");
  EXPECT_EQ(WithDirectoryEnd("C:"), "C:");
  EXPECT_EQ(WithDirectoryEnd("C:\\TMP\\"), "C:\\TMP\\");
  EXPECT_EQ(WithDirectoryEnd("/srv/tmp/"), "/srv/tmp/");
  EXPECT_EQ(WithDirectoryEnd(""), "");

  env_ = {{"ORBROOT", "C:\\ORB"}, {"ORBEXE", "C:\\ORB\\EXE"}, {"ORBTMP", "C:\\TMP"}};
  Session s = Init();
  EXPECT_EQ(s.RootDir, "C:\\ORB\\");
  EXPECT_EQ(s.ExeDir, "C:\\ORB\\EXE\\");
  EXPECT_EQ(s.TempDir, "C:\\TMP\\");
  env_["ORBTMP"] = "C:";
  EXPECT_EQ(Init().TempDir, "C:");

  // Written as a shell sets them: the separator is added, one already there is kept.
  env_ = {{"ORBROOT", "/srv/orb"}, {"ORBEXE", "/srv/orb/EXE/"}, {"ORBTMP", "/tmp/t1"}};
  s = Init();
  EXPECT_EQ(s.RootDir + "DADES\\PropietV", "/srv/orb\\DADES\\PropietV");
  EXPECT_EQ(s.ExeDir, "/srv/orb/EXE/");
  EXPECT_EQ(s.TempDir, "/tmp/t1\\");
}

TEST_F(SessionInitTest, SessionFileInTheTemporaryDirectory) {
  Settings("Sessio.ini",
           "[Menu]\r\nTitol=Gesti\xa2 de finques\r\nNomMenu=RPTCARRY\r\nMenu=3\r\n"
           "ChnMenu=M1\r\nOperador=Anna\r\nOrbTipOper=2.5 admin\r\n"
           "[Terminal]\r\nDir=/srv/term\r\n");
  env_ = {{"ORBTMP", dir_.string()}, {"TERM", "xterm"}};
  const Session s = Init();
  EXPECT_EQ(s.TempDir, dir_.string() + "\\");
  EXPECT_EQ(s.MenuTitle, " Gesti\xa2 de finques ");
  EXPECT_EQ(s.MenuName, "RPTCARRY");
  EXPECT_EQ(s.MenuEntry, "3");
  EXPECT_EQ(s.MenuChain, "M1");
  EXPECT_EQ(s.Operator, "Anna");
  EXPECT_EQ(s.OperatorType, 2);
  EXPECT_EQ(s.TerminalDir, "/srv/term\\");
}

TEST_F(SessionInitTest, TerminalFallsBackToTermAndTemporaryToTerminal) {
  env_ = {{"TERM", "T:\\TERM01"}};
  Session s = Init();  // no ORBTMP, no Sessio.ini in the current directory
  EXPECT_EQ(s.TerminalDir, "T:\\TERM01\\");
  EXPECT_EQ(s.TempDir, "T:\\TERM01\\");

  // The terminal directory then holds VoraTerm.ini.
  Settings("VoraTerm.ini", "[Sistema]\r\nSortida=PANTALLA\r\n");
  env_ = {{"TERM", dir_.string()}};
  s = Init();
  EXPECT_EQ(s.TempDir, dir_.string() + "\\");
  EXPECT_EQ(s.Output, "PANTALLA");

  // With ORBTMP set, Sessio.ini's Dir wins over TERM but does not move TempDir.
  Settings("Sessio.ini", "[Terminal]\r\nDir=D:\\TERM02\\\r\n");
  env_ = {{"TERM", "ignored"}, {"ORBTMP", dir_.string() + "\\"}};
  s = Init();
  EXPECT_EQ(s.TerminalDir, "D:\\TERM02\\");
  EXPECT_EQ(s.TempDir, dir_.string() + "\\");
}

TEST_F(SessionInitTest, ColoursComeFromTheSelectedSet) {
  env_ = {{"ORBTMP", Dir()}};
  Settings("VoraTerm.ini", "[Pantalla]\r\nCol0=01020304050607080910\r\n");
  Session s = Init();  // Seleccio absent: Col0
  EXPECT_EQ(s.Colours[0][0], 1);
  EXPECT_EQ(s.Colours[4][1], 10);

  Settings("VoraTerm.ini",
           "[Pantalla]\r\nSeleccio=3\r\nCol0=01020304050607080910\r\nCol3=1501070100\r\n");
  s = Init();  // 10 characters: rows 0 and 1, the foreground of row 2, then zeros
  const int16_t want[5][2] = {{15, 1}, {7, 1}, {0, 0}, {0, 0}, {0, 0}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(s.Colours[i][0], want[i][0]) << i;
    EXPECT_EQ(s.Colours[i][1], want[i][1]) << i;
  }

  Settings("VoraTerm.ini", "[Pantalla]\r\nSeleccio=-2\r\nCol2=xx07 9\r\n");
  s = Init();  // the sign is dropped from the key; non-digits give 0
  EXPECT_EQ(s.Colours[0][0], 0);
  EXPECT_EQ(s.Colours[0][1], 7);
  EXPECT_EQ(s.Colours[1][0], 9);

  Settings("VoraTerm.ini", "[Pantalla]\r\nSeleccio=5\r\nCol0=01010101010101010101\r\n");
  s = Init();  // Col5 missing: the default string, not Col0
  EXPECT_EQ(s.Colours[0][0], 15);
  EXPECT_EQ(s.Colours[2][1], 7);
}

TEST_F(SessionInitTest, WorkDateOutputAndLanguage) {
  env_ = {{"ORBTMP", Dir()}, {"ORBROOT", Dir() + "root\\"}};
  Settings("VoraTerm.ini", "[Sistema]\r\nData=20261231\r\nSortida=PANTALLA\r\nIdioma=SPANISH\r\n");
  Settings("root/Vora.ini", "[Usuari]\r\nIdioma=GLG\r\n");
  Session s = Init();
  EXPECT_EQ(s.WorkDate, PackDigits("20261231"));
  EXPECT_EQ(UnpackDigits(s.WorkDate), "20261231");
  EXPECT_EQ(s.Output, "PANTALLA");
  EXPECT_EQ(s.Language, "SPA");

  Settings("VoraTerm.ini", "[Sistema]\r\nIdioma=oci\r\n");
  EXPECT_EQ(Init().Language, "oci");  // case unchanged
  Settings("VoraTerm.ini", "[Sistema]\r\nIdioma=   \r\n");
  EXPECT_EQ(Init().Language, "GLG");  // blank: the suite's setting
  Settings("VoraTerm.ini", "[Sistema]\r\nIdioma=\r\n");
  Settings("root/Vora.ini", "[Usuari]\r\nIdioma=CA\r\n");
  EXPECT_EQ(Init().Language, "CA ");
}

TEST_F(SessionInitTest, HostKind) {
  env_ = {{"WINDIR", "C:\\WINDOWS"}};
  EXPECT_EQ(Init().HostKind, "WIN");
  env_ = {{"SYSTEMROOT", "C:\\WINDOWS"}};
  EXPECT_EQ(Init().HostKind, "WIN");
  env_ = {{"WINDIR", "C:\\WINDOWS"}, {"HTTP_ACCEPT", "*/*"}};
  EXPECT_EQ(Init().HostKind, "CGI");
  env_ = {{"HTTP_USER_AGENT", "x"}};
  EXPECT_EQ(Init().HostKind, "CGI");
}

TEST_F(SessionInitTest, HostEnvironmentReadsTheProcessEnvironment) {
  ::setenv("ORB_SESSION_TEST_VARIABLE", "se\xc3\xb1or", 1);  // UTF-8 "señor"
  EXPECT_EQ(HostEnvironment()("ORB_SESSION_TEST_VARIABLE"), "se\xa4or");
  ::unsetenv("ORB_SESSION_TEST_VARIABLE");
  EXPECT_EQ(HostEnvironment()("ORB_SESSION_TEST_VARIABLE"), "");
}

}  // namespace
}  // namespace orb
