#include "ui/help_viewer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <fstream>
#include <random>

#include "../core/temp_dir.h"
#include "core/text_file.h"
#include "paced_console.h"
#include "platform/process.h"

namespace orb {
namespace {

using testing::PacedConsole;

// Colour attributes of the session below (foreground + 16 x background).
constexpr uint8_t kH = 15 + 16 * 1, kN = 7 + 16 * 1, kR = 1 + 16 * 7, kU = 14 + 16 * 4;

class HelpViewerTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    session.TempDir = Dir();
    const int16_t palette[5][2] = {{15, 1}, {7, 1}, {1, 7}, {0, 3}, {14, 4}};
    std::copy(&palette[0][0], &palette[0][0] + 10, &session.Colours[0][0]);
    auto launcher = [this](std::string_view program, const std::vector<std::string>& arguments) {
      launched_program = std::string(program);
      launched.push_back(arguments);
      return 0;
    };
    auto environment = [this](const char* name) {
      return std::string(name) == "COMSPEC" ? comspec : std::string();
    };
    viewer = std::make_unique<HelpViewer>(HelpViewer::Parts{
        console, colours, windows, reader, session, Dir(), launcher, environment});
  }

  // A help file of 80-byte records, one per line.
  void WriteHelp(const std::string& topic, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += (line + std::string(80, ' ')).substr(0, 80);
    Write("AJUDA/" + topic + ".HLP", bytes);
  }
  static std::vector<std::string> Numbered(int count, const std::string& prefix = "LINIA ") {
    std::vector<std::string> lines;
    for (int i = 1; i <= count; ++i) lines.push_back(prefix + (i < 10 ? "0" : "") + std::to_string(i));
    return lines;
  }

  // Inside rows 1..17 (screen rows 5..21) from column 3, blanks removed at the end.
  std::vector<std::string> Page() {
    std::vector<std::string> page;
    for (int16_t row = 5; row <= 21; ++row) {
      std::string text = console.TextAt(row, 3, 76);
      page.push_back(text.erase(text.find_last_not_of(' ') + 1));
    }
    return page;
  }
  std::vector<std::vector<std::string>> pages;
  void Snap() { console.Then([this] { pages.push_back(Page()); }); }
  // The page that shows lines first .. first + 16 (blank past `last`).
  static std::vector<std::string> Showing(int first, int last = 40) {
    std::vector<std::string> page;
    for (int i = first; i < first + 17; ++i) {
      page.push_back(i <= last ? "LINIA " + std::string(i < 10 ? "0" : "") + std::to_string(i) : "");
    }
    return page;
  }

  void Show(const std::string& topic, std::initializer_list<int> keys) {
    console.Press(keys);
    viewer->ShowHelp(topic);
    EXPECT_TRUE(console.Done());
    EXPECT_EQ(windows.WindowDepth(), 0);
  }

  PacedConsole console;
  Session session;
  ColourSelector colours{console, session};
  HotKeyPopups hot_keys;
  KeyReader reader{console, hot_keys};
  WindowStack windows{console, colours, session};
  std::string launched_program;
  std::vector<std::vector<std::string>> launched;
  std::unique_ptr<HelpViewer> viewer;
  std::string comspec = "C:\\WINDOWS\\SYSTEM32\\CMD.EXE";
};

TEST_F(HelpViewerTest, BoxFromRow4To22With17LinesAndTheScreenRestored) {
  WriteHelp("RPTCARRY", Numbered(40));
  console.ClearScreen();
  console.PushKeys("");
  const std::string before = console.ScreenText();
  std::string top, bottom;
  console.Then([&] {
    pages.push_back(Page());
    top = console.TextAt(4, 1, 80);
    bottom = console.TextAt(22, 1, 80);
  });
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(top, "\xc9" + std::string(78, '\xcd') + "\xbb");
  EXPECT_EQ(bottom, "\xc8" + std::string(78, '\xcd') + "\xbc");
  EXPECT_EQ(pages[0], Showing(1));
  EXPECT_EQ(console.ScreenText(), before);
}

TEST_F(HelpViewerTest, ScrollsByLinePageAndToTheEnds) {
  WriteHelp("RPTCARRY", Numbered(40));
  console.Press({keys::kUp});  // at the top: nothing
  Snap();
  console.Press({keys::kDown});
  Snap();
  console.Press({keys::kUp});
  Snap();
  console.Press({keys::kPgDn});
  Snap();
  console.Press({keys::kPgDn});  // the last page ends on the last line
  Snap();
  console.Press({keys::kPgDn, keys::kDown, keys::kEnd});  // at the end: nothing
  Snap();
  console.Press({keys::kPgUp});
  Snap();
  console.Press({keys::kPgUp});  // fewer than a page above: from line 1
  Snap();
  console.Press({keys::kPgUp, keys::kHome});  // at the top: nothing
  Snap();
  console.Press({keys::kEnd});
  Snap();
  console.Press({keys::kHome});
  Snap();
  Show("RPTCARRY", {keys::kEscape});
  ASSERT_EQ(pages.size(), 11u);
  EXPECT_EQ(pages[0], Showing(1));
  EXPECT_EQ(pages[1], Showing(2));
  EXPECT_EQ(pages[2], Showing(1));
  EXPECT_EQ(pages[3], Showing(18));
  EXPECT_EQ(pages[4], Showing(24));
  EXPECT_EQ(pages[5], Showing(24));
  EXPECT_EQ(pages[6], Showing(7));  // the page before the one shown
  EXPECT_EQ(pages[7], Showing(1));
  EXPECT_EQ(pages[8], Showing(1));
  EXPECT_EQ(pages[9], Showing(24));
  EXPECT_EQ(pages[10], Showing(1));
}

TEST_F(HelpViewerTest, PgUpAfterPgDnShowsThePageAgain) {
  WriteHelp("RPTCARRY", Numbered(60));
  console.Press({keys::kPgDn, keys::kPgUp});
  Snap();
  console.Press({keys::kUp});  // back at the top: nothing
  Snap();
  console.Press({keys::kDown, keys::kDown, keys::kDown, keys::kPgDn});
  Snap();
  console.Press({keys::kPgUp});
  Snap();
  console.Press({keys::kUp});
  Snap();
  console.Press({keys::kPgDn, keys::kPgDn, keys::kPgUp, keys::kPgUp});
  Snap();
  Show("RPTCARRY", {keys::kEscape});
  ASSERT_EQ(pages.size(), 6u);
  EXPECT_EQ(pages[0], Showing(1, 60));
  EXPECT_EQ(pages[1], Showing(1, 60));
  EXPECT_EQ(pages[2], Showing(21, 60));
  EXPECT_EQ(pages[3], Showing(4, 60));
  EXPECT_EQ(pages[4], Showing(3, 60));
  EXPECT_EQ(pages[5], Showing(3, 60));
}

TEST_F(HelpViewerTest, FewerLinesThanTheBoxDoNotScroll) {
  WriteHelp("RPTCARRY", Numbered(5));
  Snap();
  console.Press({keys::kDown, keys::kPgDn, keys::kEnd, keys::kUp, keys::kPgUp, keys::kHome});
  Snap();
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(pages[0], Showing(1, 5));
  EXPECT_EQ(pages[1], Showing(1, 5));
}

TEST_F(HelpViewerTest, F1OpensTheGeneralHelpOverThePageButNotOverItself) {
  WriteHelp("RPTCARRY", Numbered(20));
  WriteHelp(kGeneralHelpTopic, Numbered(30, "GENERAL "));
  int depth_in_general = 0;
  console.Press({keys::kF1});
  Snap();
  console.Then([&] { depth_in_general = windows.WindowDepth(); });
  console.Press({keys::kF1});  // inside the general help: nothing
  Snap();
  console.Press({keys::kEscape});
  Snap();
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(pages[0][0], "GENERAL 01");
  EXPECT_EQ(depth_in_general, 2);
  EXPECT_EQ(pages[1], pages[0]);
  EXPECT_EQ(pages[2], Showing(1, 20));
}

TEST_F(HelpViewerTest, AttributeBytesSwitchColoursAndAreNotShown) {
  // highlight b, underline c, highlight off inside underline (no change) d, highlight
  // on inside underline (no change) e, underline off f, reverse g, reverse off h.
  WriteHelp("RPTCARRY", {"a\x1e" "b\x1f" "c\x1e" "d\x1e" "e\x1f" "f\x10" "g\x10" "h",
                         std::string(80, 'x'), "\x1e" + std::string(79, 'y')});
  std::string text, cut_plain, cut_marked;
  std::vector<uint8_t> attributes;
  console.Then([&] {
    text = console.TextAt(5, 3, 9);
    for (int16_t column = 3; column <= 10; ++column) attributes.push_back(console.ReadCellAttribute(5, column));
    cut_plain = console.TextAt(6, 1, 80);
    cut_marked = console.TextAt(7, 1, 80);
  });
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(text, "abcdefgh ");
  EXPECT_EQ(attributes, (std::vector<uint8_t>{kN, kH, kU, kU, kU, kN, kR, kN}));
  // At most 76 characters of a line, with or without attribute bytes.
  EXPECT_EQ(cut_plain, "\xba " + std::string(76, 'x') + " \xba");
  EXPECT_EQ(cut_marked, "\xba " + std::string(76, 'y') + " \xba");
}

TEST_F(HelpViewerTest, HelpFileOfOddSizeShowsItsLastPartialRecord) {
  Write("AJUDA/RPTCARRY.HLP", std::string(160, 'a') + std::string(50, 'b'));
  Snap();
  console.Press({keys::kEnd, keys::kPgDn, keys::kDown});
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(pages[0][2], std::string(50, 'b'));
  EXPECT_EQ(pages[0][3], "");

  // Less than half a record is no line of its own (a trailing end-of-file byte).
  Write("AJUDA/RPTCARRY.HLP", std::string(160, 'a') + "\x1a");
  pages.clear();
  Snap();
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(pages[0][2], "");

  EXPECT_EQ(HelpViewer::LineCount(0, 80), 0);
  EXPECT_EQ(HelpViewer::LineCount(39, 80), 0);
  EXPECT_EQ(HelpViewer::LineCount(40, 80), 0);   // a half: to even
  EXPECT_EQ(HelpViewer::LineCount(120, 80), 2);  // a half: to even
  EXPECT_EQ(HelpViewer::LineCount(200, 80), 2);
  EXPECT_EQ(HelpViewer::LineCount(201, 80), 3);
  EXPECT_EQ(HelpViewer::LineCount(int64_t{1} << 40, 80), 32767);
}

TEST_F(HelpViewerTest, Utf8HelpFileShowsAsCodePage850Records) {
  // Records of 80 characters in UTF-8 (an editor's padding), after a byte-order mark.
  std::string bytes = "\xef\xbb\xbf";
  for (const std::string line : {"P\xc3\xa0gina \x1e" "1\x1e", "Ces\xc3\xa0rea"}) {
    const std::string cp850 = TextFileAsCp850("\xef\xbb\xbf" + line);
    bytes += line + std::string(80 - cp850.size(), ' ');
  }
  Write("AJUDA/RPTCARRY.HLP", bytes);
  Snap();
  Show("RPTCARRY", {keys::kEscape});
  EXPECT_EQ(pages[0][0], "P\x85gina 1");
  EXPECT_EQ(pages[0][1], "Ces\x85rea");
  EXPECT_EQ(pages[0][2], "");
}

TEST_F(HelpViewerTest, MissingOrRandomHelpFilesNeverReadOutside) {
  Snap();
  Show("NOHIHARES", {keys::kDown, keys::kEnd, keys::kEscape});
  EXPECT_EQ(pages[0], std::vector<std::string>(17, ""));

  std::mt19937 random(5);
  const int moves[] = {keys::kUp, keys::kDown, keys::kPgUp, keys::kPgDn, keys::kHome, keys::kEnd};
  for (int round = 0; round < 30; ++round) {
    std::string bytes(random() % 4000, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 5 == 0 ? "\x1e\x1f\x10"[random() % 3] : random());
    Write("AJUDA/RPTCARRY.HLP", bytes);
    for (int i = 0; i < 15; ++i) console.Press({moves[random() % 6]});
    Show("RPTCARRY", {keys::kEscape});
  }
}

TEST_F(HelpViewerTest, NarrowScreenKeepsLinesInsideTheBox) {
  PacedConsole narrow(25, 60);
  ColourSelector narrow_colours(narrow, session);
  HotKeyPopups none;
  KeyReader narrow_keys(narrow, none);
  WindowStack narrow_windows(narrow, narrow_colours, session);
  HelpViewer viewer60{{narrow, narrow_colours, narrow_windows, narrow_keys, session, Dir(), nullptr, nullptr}};
  Write("AJUDA/RPTCARRY.HLP", std::string(60, 'x') + std::string(60, 'z'));  // 60-byte records
  std::string row;
  narrow.Then([&] { row = narrow.TextAt(5, 1, 60); });
  narrow.Press({keys::kEscape});
  viewer60.ShowHelp("RPTCARRY");
  EXPECT_EQ(row, "\xba " + std::string(57, 'x') + "\xba");
}

TEST_F(HelpViewerTest, WindowedHostHandsTheTopicToTheLauncherAsOneArgument) {
  session.HostKind = "WIN";
  const std::string topic = "X & del *.* | echo \"hi\"; 'q'";
  viewer->ShowHelp(topic);
  EXPECT_EQ(launched_program, comspec);
  ASSERT_EQ(launched.size(), 1u);
  EXPECT_EQ(launched[0], (std::vector<std::string>{"/C", "ULAUNC", "AJUDA\\" + topic + ".HTM"}));
  EXPECT_EQ(windows.WindowDepth(), 0);
  EXPECT_EQ(console.WaitCount(), 0);  // no key read, no box

  comspec.clear();  // no interpreter: nothing is started
  viewer->ShowHelp("RPTCARRY");
  EXPECT_EQ(launched.size(), 1u);
}

TEST_F(HelpViewerTest, ShellMetacharactersInTheTopicNeverRunAnything) {
  session.HostKind = "WIN";
  // A command interpreter that only notes its arguments, one per line.
  Write("cmd.sh", "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                      dir_.string() + "/arguments\"\n");
  std::filesystem::permissions(dir_ / "cmd.sh", std::filesystem::perms::owner_all);
  const std::string marker = dir_.string() + "/PWNED";
  const std::string topic = "A;touch " + marker + "&touch " + marker + "|touch " + marker +
                            " `touch " + marker + "` $(touch " + marker + ") '\"";
  HelpViewer real{{console, colours, windows, reader, session, Dir(), RunProgram,
                   [this](const char*) { return dir_.string() + "/cmd.sh"; }}};
  real.ShowHelp(topic);
  EXPECT_EQ(Read("arguments"), "/C\nULAUNC\nAJUDA\\" + topic + ".HTM\n");
  EXPECT_FALSE(Exists("PWNED"));
}


// The demo installation's help pages: whole 80-byte records whose attribute bytes come
// in pairs, at most 76 characters shown per line.
TEST(DemoHelpFilesTest, WholeRecordsWithPairedAttributeBytes) {
  for (const char* topic : {"RPTCARRY", kGeneralHelpTopic}) {
    const std::filesystem::path path =
        std::filesystem::path(ORB_TEST_DATA) / ".." / "demo" / "AJUDA" / (std::string(topic) + ".HLP");
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 17u * 80u) << topic;  // more than one box
    EXPECT_EQ(bytes.size() % 80, 0u) << topic;
    for (size_t at = 0; at + 80 <= bytes.size(); at += 80) {
      const std::string line = bytes.substr(at, 80);
      std::string shown;
      for (char c : line) {
        if (c != kHelpHighlight && c != kHelpUnderline && c != kHelpReverse) shown.push_back(c);
      }
      for (char mark : {kHelpHighlight, kHelpUnderline, kHelpReverse}) {
        EXPECT_EQ(std::count(line.begin(), line.end(), mark) % 2, 0) << topic << " line " << at / 80 + 1;
      }
      EXPECT_LE(shown.find_last_not_of(' ') + 1, 76u) << topic << " line " << at / 80 + 1;
      EXPECT_EQ(line.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace orb
