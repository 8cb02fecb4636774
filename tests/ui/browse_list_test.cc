#include "ui/browse_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>

#include "../core/temp_dir.h"
#include "../report/data_writer.h"
#include "format/packed_digits.h"
#include "paced_console.h"
#include "platform/clipboard.h"
#include "platform/clock.h"
#include "ui/field_editor.h"
#include "ui/field_formats.h"
#include "ui/form_engine.h"
#include "ui/form_loader.h"
#include "ui/screen_popups.h"

namespace orb {
namespace {

using testing::PacedConsole;

class NoClipboard : public Clipboard {
 public:
  void Copy(std::string_view) override {}
  std::string Paste() override { return ""; }
};

class QuietMessages : public DataMessages {
 public:
  void ShowMessage(int16_t, const std::string&) override {}
  void HideMessage() override {}
  void Beep() override {}
  void WaitForKey() override {}
  void EndProgram() override {}
  void Sleep(int32_t) override {}
};

// The real record manager, counting the operations asked of it (lock bias removed).
class CountingManager : public RecordManager {
 public:
  int16_t Call(uint16_t operation, void* block, void* data, uint32_t* length, void* key,
               uint8_t key_length, int8_t key_number) override {
    ++calls[operation % 100];
    return real.Call(operation, block, data, length, key, key_length, key_number);
  }
  int Count(int operation) const {
    auto it = calls.find(operation);
    return it == calls.end() ? 0 : it->second;
  }
  int Total() const {
    int total = 0;
    for (const auto& [operation, count] : calls) total += count;
    return total;
  }
  std::map<int, int> calls;
  BtrieveRecordManager real;
};

constexpr int kGetNext = 6, kGetPrevious = 7, kGetLessOrEqual = 11, kGetLast = 13;

std::string OwnerName(int code) {
  char name[40];
  std::snprintf(name, sizeof name, "PROPIETARI %03d", code);
  return name;
}
std::string OwnerLine(int code) {
  char line[60];
  std::snprintf(line, sizeof line, "%04d  %s", code, OwnerName(code).c_str());
  return line;
}

// The demo form over the in-memory console, with the owners' file of a small
// installation and the pop-ups wired as the program wires them.
class BrowseListTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    session.TempDir = Dir();
    session.RootDir = Dir();
    session.WorkDate = PackDigits("20261231");
    // Distinct colours: h, n, r, rn, u.
    const int16_t colours[5][2] = {{15, 1}, {7, 1}, {1, 7}, {0, 3}, {14, 4}};
    std::copy(&colours[0][0], &colours[0][0] + 10, &session.Colours[0][0]);
    FormLoadResult loaded = LoadForm(std::string(ORB_TEST_DATA) + "/../demo/FORMS/RPTCARRY.OPN",
                                     nullptr, formats.WorkDateText(), table);
    ASSERT_TRUE(loaded.ok) << loaded.error;
  }
  void TearDown() override {
    files.reset();
    TempDirTest::TearDown();
  }

  // Writes the owners (in shuffled order) and opens the owners' file as 505.
  void OpenOwners(int count, int name_width = 0) {
    std::filesystem::create_directories(dir_ / "ddf");
    std::filesystem::create_directories(dir_ / "DADES");
    {
      testing::DataFileWriter writer(dir_.string() + "/", RecordKind::kOwners);
      std::vector<int> codes;
      for (int code = 1; code <= count; ++code) codes.push_back(code);
      std::shuffle(codes.begin(), codes.end(), std::mt19937(7));
      for (int code : codes) {
        std::string name = OwnerName(code);
        if (name_width > 0) name = (name + std::string(30, 'X')).substr(0, name_width);
        ASSERT_EQ(writer.Insert(testing::OwnerImage(testing::PackedCode(code), name, "", {})), 0);
      }
      ASSERT_EQ(writer.Close(), 0);
    }
    files = std::make_unique<FileTable>(session, messages, manager, [] { return 0.5; });
    int16_t status = 0;
    files->OpenDataFile(505, Dir() + "DADES\\PropietV", {owner_area.data(), owner_area.size()},
                        status);
    ASSERT_EQ(status, 0);
    manager.calls.clear();
    lists = std::make_unique<BrowseList>(BrowseList::Parts{
        table, *files, console, colours, windows, reader, exit_keys, session,
        [this](int16_t file_no) {
          if (file_no != 505) return std::string();
          return std::string(reinterpret_cast<const char*>(owner_area.data()), owner_area.size());
        }});
    popups = std::make_unique<ScreenPopups>(*lists, help);
    engine = std::make_unique<FormEngine>(FormEngine::Parts{
        table, console, colours, windows, editor, exit_keys, formats, *popups, session});
    lists->SetFormEngine(engine.get());
  }

  // Runs list 1 with the paced keys; the owner code chosen (0 for none).
  int16_t result = 0;
  int Choose(std::initializer_list<int> keys, int16_t list = 1) {
    console.Press(keys);
    owner_area.fill(0);
    result = lists->Run(list);
    EXPECT_TRUE(console.Done());
    EXPECT_EQ(windows.WindowDepth(), 0);
    EXPECT_FALSE(Exists("Browse.tmp"));
    if (result != 0) return 0;
    return std::stoi(UnpackDigits(std::string(reinterpret_cast<const char*>(owner_area.data()), 2)));
  }

  // Line r of the demo list box (rows 4..20, columns 20..60), blanks removed at the end.
  std::string Line(int r) {
    std::string text = console.TextAt(static_cast<int16_t>(4 + r), 21, 39);
    return text.erase(text.find_last_not_of(' ') + 1);
  }
  // Notes the page (lines 1..15) and the heading when the list next waits for a key.
  std::vector<std::vector<std::string>> pages;
  std::vector<std::string> headings;
  void Snap(int16_t right = 60) {
    console.Then([this, right] {
      std::vector<std::string> page;
      for (int r = 1; r <= 15; ++r) page.push_back(Line(r));
      pages.push_back(page);
      headings.push_back(console.TextAt(4, 20, static_cast<int16_t>(right - 20 + 1)));
    });
  }

  PacedConsole console;
  Session session;
  FixedClock clock{CalendarDate{2026, 12, 8}};
  UserSettings settings{"/nonexistent/Vora.ini"};
  FieldFormats formats{session, clock, settings};
  ColourSelector colours{console, session};
  HotKeyPopups hot_keys;
  KeyReader reader{console, hot_keys};
  ExitKeySet exit_keys;
  NoClipboard clipboard;
  FieldEditor editor{console, colours, reader, exit_keys, clipboard};
  WindowStack windows{console, colours, session};
  HelpViewer help{{console, colours, windows, reader, session, "", nullptr, nullptr}};
  FormTable table;
  QuietMessages messages;
  CountingManager manager;
  std::array<uint8_t, 384> owner_area{};
  std::unique_ptr<FileTable> files;
  std::unique_ptr<BrowseList> lists;
  std::unique_ptr<ScreenPopups> popups;
  std::unique_ptr<FormEngine> engine;
};

TEST_F(BrowseListTest, ListsOwnersInCodeOrderAndEnterChoosesTheHighlightedLine) {
  OpenOwners(40);
  int16_t status = 0;
  files->SetLockMode(505, "a", status);  // the program's reads lock
  console.ClearScreen();
  console.PushKeys("");
  const std::string before = console.ScreenText();
  int lock_mode_while_open = -1;
  bool work_file_while_open = false;
  uint8_t highlight_attribute = 0, plain_attribute = 0;
  Snap();
  console.Press({keys::kDown, keys::kDown});
  console.Then([&] {
    lock_mode_while_open = files->CurrentLockMode(505);
    work_file_while_open = Exists("Browse.tmp");
    highlight_attribute = console.ReadCellAttribute(7, 21);
    plain_attribute = console.ReadCellAttribute(6, 21);
  });
  EXPECT_EQ(Choose({keys::kEnter}), 3);
  EXPECT_EQ(result, 0);

  ASSERT_EQ(pages.size(), 1u);
  for (int r = 1; r <= 15; ++r) EXPECT_EQ(pages[0][r - 1], OwnerLine(r));
  EXPECT_EQ(headings[0], "\xc9" "CODI  NOM" + std::string(30, '\xcd') + "\xbb");
  EXPECT_EQ(highlight_attribute, 14 + 16 * 4);  // "u"
  EXPECT_EQ(plain_attribute, 15 + 16 * 1);      // "h"
  EXPECT_EQ(lock_mode_while_open, 0);           // plain reads while listing
  EXPECT_EQ(files->CurrentLockMode(505), 1);    // and the program's mode back
  EXPECT_TRUE(work_file_while_open);
  EXPECT_EQ(console.ScreenText(), before);      // the screen under the box is back
  EXPECT_EQ(exit_keys.SavedLevels(), 0u);
}

TEST_F(BrowseListTest, StepsAndPagesWithinTheList) {
  OpenOwners(40);
  EXPECT_EQ(Choose({keys::kUp, keys::kEnter}), 1);  // Up on the first record
  EXPECT_EQ(Choose({keys::kPgUp, keys::kDown, keys::kEnter}), 2);  // PgUp on the first page

  Snap();
  std::initializer_list<int> sixteen_downs = {keys::kDown, keys::kDown, keys::kDown, keys::kDown,
                                              keys::kDown, keys::kDown, keys::kDown, keys::kDown,
                                              keys::kDown, keys::kDown, keys::kDown, keys::kDown,
                                              keys::kDown, keys::kDown, keys::kDown, keys::kDown};
  console.Press(sixteen_downs);
  Snap();
  EXPECT_EQ(Choose({keys::kEnter}), 17);
  EXPECT_EQ(pages[1][0], OwnerLine(3));  // one line later, twice
  EXPECT_EQ(pages[1][14], OwnerLine(17));

  EXPECT_EQ(Choose({keys::kPgDn, keys::kEnter}), 16);
  EXPECT_EQ(Choose({keys::kPgDn, keys::kDown, keys::kDown, keys::kDown, keys::kPgUp, keys::kEnter}), 4);
  // PgUp with fewer entries above than a page: to the first page, first line.
  console.Press(sixteen_downs);
  EXPECT_EQ(Choose({keys::kPgUp, keys::kEnter}), 1);

  // The last page holds 10 lines; PgDn at the end and Down on the last record do nothing.
  pages.clear();
  console.Press({keys::kPgDn, keys::kPgDn, keys::kPgDn});
  Snap();
  console.Press(sixteen_downs);
  EXPECT_EQ(Choose({keys::kEnter}), 40);
  EXPECT_EQ(pages[0][0], OwnerLine(31));
  EXPECT_EQ(pages[0][9], OwnerLine(40));
  EXPECT_EQ(pages[0][10], "");
}

TEST_F(BrowseListTest, PagingBackReadsTheWorkFileNotTheDataFile) {
  OpenOwners(40);
  EXPECT_EQ(Choose({keys::kPgDn, keys::kPgDn, keys::kPgUp, keys::kPgUp, keys::kPgDn, keys::kPgDn,
                    keys::kUp, keys::kUp, keys::kEnter}),
            29);
  EXPECT_EQ(manager.Count(kGetPrevious), 0);
  EXPECT_EQ(manager.Count(kGetLessOrEqual), 0);
  EXPECT_EQ(manager.Count(kGetLast), 0);
  EXPECT_EQ(manager.Count(kGetNext), 40);  // every record read once, then the end of the file
}

TEST_F(BrowseListTest, ScrollsSidewaysInStepsOfEightWithTheHeading) {
  OpenOwners(3, 30);  // lines of 36 characters
  table.MutableList(1).Spec = {505, 0, 4, 20, 10, 40, 0, 0};  // 5 lines of 19 characters
  table.MutableList(1).Title = "CODI__NOM_DEL_PROPIETARI_O_DE_LA_COMUNITAT";
  auto snap = [this] { Snap(40); };
  snap();
  console.Press({keys::kLeft});  // refused at offset 1
  snap();
  console.Press({keys::kRight});
  snap();
  console.Press({keys::kRight, keys::kRight});
  snap();
  console.Press({keys::kRight});  // refused: offset 25 is past the longest line's overflow
  snap();
  console.Press({keys::kLeft, keys::kLeft, keys::kLeft});
  snap();
  EXPECT_EQ(Choose({keys::kEnter}), 1);

  const std::string line = OwnerLine(1).substr(0, 6) + (OwnerName(1) + std::string(30, 'X')).substr(0, 30);
  ASSERT_EQ(pages.size(), 6u);
  EXPECT_EQ(pages[0], pages[1]);
  EXPECT_EQ(headings[0], headings[1]);
  EXPECT_EQ(pages[0][0].substr(0, 19), line.substr(0, 19));
  EXPECT_EQ(headings[0], "\xc9" "CODI  NOM DEL PROPI\x10");
  EXPECT_EQ(pages[2][0].substr(0, 19), line.substr(8, 19));
  EXPECT_EQ(headings[2], "\x11" "M DEL PROPIETARI O \x10");
  EXPECT_EQ(pages[3][0].substr(0, 19), FitText(line.substr(24), 19));  // offset 25
  EXPECT_EQ(headings[3], "\x11" " O DE LA COMUNITAT\xcd\xbb");  // nothing more on the right
  EXPECT_EQ(pages[4], pages[3]);
  EXPECT_EQ(headings[4], headings[3]);
  EXPECT_EQ(pages[5], pages[0]);
  EXPECT_EQ(headings[5], headings[0]);
}

TEST_F(BrowseListTest, RightIsRefusedWhenEveryLineFits) {
  OpenOwners(5);
  Snap();
  console.Press({keys::kRight});
  Snap();
  EXPECT_EQ(Choose({keys::kEnter}), 1);
  EXPECT_EQ(pages[0], pages[1]);
  EXPECT_EQ(headings[0], headings[1]);
  EXPECT_EQ(headings[0].back(), '\xbb');
}

TEST_F(BrowseListTest, CancelEmptyListAndListsWithoutDataFile) {
  OpenOwners(5);
  EXPECT_EQ(Choose({keys::kDown, keys::kEscape}), 0);
  EXPECT_EQ(result, BrowseList::kCancelled);
  manager.calls.clear();

  // A list without a data file lists nothing, and Enter gives 0.
  table.MutableList(1).Spec = {0, 0, 4, 20, 20, 60, 0, 0};
  EXPECT_EQ(Choose({keys::kEnter}), 0);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(manager.Total(), 0);

  // A box off the screen never opens.
  table.MutableList(1).Spec = {505, 0, 4, 20, 30, 60, 0, 0};
  EXPECT_EQ(Choose({}), 0);
  EXPECT_EQ(result, BrowseList::kCancelled);
  table.MutableList(1).Spec = {505, 0, 4, 20, 5, 60, 0, 0};  // no line inside
  EXPECT_EQ(Choose({}), 0);
  EXPECT_EQ(result, BrowseList::kCancelled);
}

TEST_F(BrowseListTest, EmptyFileShowsAnEmptyBoxAndEnterCancels) {
  OpenOwners(0);
  Snap();
  EXPECT_EQ(Choose({keys::kDown, keys::kPgDn, keys::kUp, keys::kPgUp, keys::kEnter}), 0);
  EXPECT_EQ(result, BrowseList::kCancelled);
  EXPECT_EQ(pages[0], std::vector<std::string>(15, ""));
}

TEST_F(BrowseListTest, FilterWindowLeftWithEscapeNeverOpensTheBox) {
  OpenOwners(5);
  table.MutableList(1).Spec[6] = 2;  // the confirmation window as the filter
  int16_t status = 0;
  files->SetLockMode(505, "b", status);
  EXPECT_EQ(Choose({keys::kEscape}), 0);
  EXPECT_EQ(result, BrowseList::kCancelled);
  EXPECT_EQ(manager.Total(), 0);
  EXPECT_EQ(files->CurrentLockMode(505), 2);

  // Left otherwise, the list opens after it.
  EXPECT_EQ(Choose({'S', keys::kEnter, keys::kDown, keys::kEnter}), 2);
}

TEST_F(BrowseListTest, F4OpensTheFollowOnList) {
  OpenOwners(5);
  table.ResetLists(2);
  table.MutableList(1).Spec = {505, 0, 4, 20, 20, 60, 0, 0};
  table.MutableList(2).Spec = {0, 0, 2, 2, 6, 30, 0, 1};  // no data file; F4 goes to list 1
  EXPECT_EQ(Choose({keys::kF4, keys::kDown, keys::kEnter}, 2), 2);
  EXPECT_EQ(exit_keys.SavedLevels(), 0u);
  // Without a follow-on list F4 does nothing.
  EXPECT_EQ(Choose({keys::kF4, keys::kDown, keys::kEnter}), 2);
}

TEST_F(BrowseListTest, F4OnAnOwnerFieldPutsTheChosenCodeInTheField) {
  OpenOwners(12);
  console.Press({keys::kEnter, keys::kF4, keys::kDown, keys::kDown, keys::kEnter,
                 keys::kEscape, keys::kEscape});
  int16_t window = 1, up = 0, down = 0, key = 0;
  engine->RunForm(window, up, down, key);
  EXPECT_EQ(key, keys::kEscape);
  EXPECT_EQ(table.Value(1, 2), "0003");
  EXPECT_EQ(table.Value(1, 3), "9999");
  EXPECT_EQ(windows.WindowDepth(), 0);
}

TEST_F(BrowseListTest, EscapeWhileThePageFillsStopsReading) {
  OpenOwners(20);
  console.PushKeyCode(keys::kEscape);  // pressed before the first page is read
  Snap();
  EXPECT_EQ(Choose({keys::kDown, keys::kDown, keys::kEnter}), 3);
  EXPECT_EQ(pages[0][0], OwnerLine(1));
  EXPECT_EQ(pages[0][1], "");
}

TEST_F(BrowseListTest, KeysPressedWhileThePageFillsAreKept) {
  OpenOwners(20);
  console.PushKeyCode(keys::kDown);
  console.PushKeyCode(keys::kDown);
  console.PushKeyCode(keys::kEnter);
  EXPECT_EQ(Choose({}), 3);
}

TEST_F(BrowseListTest, DamagedWorkFileEndsTheList) {
  OpenOwners(40);
  auto truncate = [this] { std::filesystem::resize_file(dir_ / "Browse.tmp", 100); };
  console.Press({keys::kPgDn, keys::kPgDn});
  console.Then(truncate);
  // The page keeps the one entry still sound; nothing before or after it is read.
  EXPECT_EQ(Choose({keys::kPgUp, keys::kUp, keys::kPgUp, keys::kDown, keys::kEnter}), 31);

  auto overwrite = [this] {
    const auto size = std::filesystem::file_size(dir_ / "Browse.tmp");
    std::ofstream(dir_ / "Browse.tmp", std::ios::binary) << std::string(size, '\xff');
  };
  console.Press({keys::kPgDn, keys::kPgDn});
  console.Then(overwrite);
  EXPECT_EQ(Choose({keys::kPgUp, keys::kUp, keys::kEnter}), 31);
}

TEST_F(BrowseListTest, RandomDamageToTheWorkFileNeverReadsOutsideIt) {
  OpenOwners(40);
  const int moves[] = {keys::kUp, keys::kDown, keys::kPgUp, keys::kPgDn, keys::kLeft, keys::kRight};
  for (unsigned seed = 1; seed <= 25; ++seed) {
    std::mt19937 random(seed);
    for (int i = 0; i < 12; ++i) console.Press({moves[random() % 6]});
    console.Then([this, &random] {
      const auto path = dir_ / "Browse.tmp";
      std::string bytes(std::filesystem::file_size(path), '\0');
      std::ifstream(path, std::ios::binary).read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      const size_t cut = bytes.empty() ? 0 : random() % bytes.size();
      if (random() % 2) bytes.resize(cut);
      for (int i = 0; i < 20 && !bytes.empty(); ++i) bytes[random() % bytes.size()] = static_cast<char>(random());
      std::ofstream(path, std::ios::binary) << bytes;
    });
    for (int i = 0; i < 12; ++i) console.Press({moves[random() % 6]});
    Choose({keys::kEnter});  // a damaged record position gives the record manager's status
    EXPECT_GE(result, BrowseList::kCancelled) << "seed " << seed;
  }
}

TEST(BrowseLineTextTest, OwnerCodeAndNameForListOneOnly) {
  std::string record = PackDigits("0042") + "MARIA PUIG" + std::string(20, ' ') + "REST";
  EXPECT_EQ(BrowseLineText(1, record), "0042  MARIA PUIG");
  EXPECT_EQ(BrowseLineText(2, record), "");
  EXPECT_EQ(BrowseLineText(1, PackDigits("0042")), "0042");   // a record cut short
  EXPECT_EQ(BrowseLineText(1, ""), "");
}

}  // namespace
}  // namespace orb
