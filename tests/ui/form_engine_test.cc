#include "ui/form_engine.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "format/dates.h"
#include "format/packed_digits.h"
#include "platform/memory_console.h"
#include "ui/form_loader.h"
#include "ui/selection_check.h"

namespace orb {
namespace {

class NoClipboard : public Clipboard {
 public:
  void Copy(std::string_view) override {}
  std::string Paste() override { return ""; }
};

class PopupsStub : public FormPopups {
 public:
  void ShowHelp(const std::string& topic) override { help_topics.push_back(topic); }
  int16_t BrowseList(int16_t list) override {
    lists.push_back(list);
    return browse_status;
  }
  std::string ChosenRecord(int16_t) override { return chosen; }
  std::vector<std::string> help_topics;
  std::vector<int16_t> lists;
  int16_t browse_status = 0;
  std::string chosen = PackDigits("0012") + "OWNER";
};

// The demo selection form over the in-memory console, as the program wires it.
class FormEngineTest : public ::testing::Test {
 protected:
  FormEngineTest() {
    temp_dir = std::filesystem::temp_directory_path() /
               ("form_engine_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(temp_dir);
    session.TempDir = temp_dir.string() + "/";
    session.WorkDate = PackDigits("20261231");
    session.MenuTitle = " CARRY ";
    session.MenuName = "RPTCARRY  ";
    FormLoadResult result = LoadForm(std::string(ORB_TEST_DATA) + "/../demo/FORMS/RPTCARRY.OPN",
                                     nullptr, formats.WorkDateText(), table);
    EXPECT_TRUE(result.ok) << result.error;
    engine.SetFormEndCheck([this](FormEngine& e, int16_t w, int16_t key) {
      ++checks;
      return CheckSelectionEnd(e, formats, w, key, selection);
    });
  }
  ~FormEngineTest() override { std::filesystem::remove_all(temp_dir); }

  int16_t Run(int16_t window = 1, int16_t leave_up = 0, int16_t leave_down = 0) {
    int16_t key = 0;
    engine.RunForm(window, leave_up, leave_down, key);
    return key;
  }
  void Keys(std::initializer_list<int> codes) {
    for (int code : codes) console.PushKeyCode(static_cast<uint16_t>(code));
  }
  // Screen text of the value of selection field k (window 1 box at row 8, column 15).
  std::string ValueOnScreen(int k, int length) {
    const FormField& f = table.Field(1, k);
    return console.TextAt(static_cast<int16_t>(8 + f.Row), static_cast<int16_t>(15 + f.ValueColumn()),
                          static_cast<int16_t>(length));
  }

  std::filesystem::path temp_dir;
  MemoryConsole console;
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
  PopupsStub popups;
  FormTable table;
  FormEngine engine{{table, console, colours, windows, editor, exit_keys, formats, popups, session}};
  Selection selection;
  int checks = 0;
};

TEST_F(FormEngineTest, SelectionConfirmedWithS) {
  console.PushKeys("30/11/2026");
  Keys({keys::kEnter, keys::kBackspace});  // the owner field's cursor starts after "1"
  console.PushKeys("12");
  Keys({keys::kEnter, keys::kBackspace, keys::kBackspace, keys::kBackspace, keys::kBackspace});
  console.PushKeys("40");
  Keys({keys::kEnter});
  console.PushKeys("S");
  Keys({keys::kEnter});
  EXPECT_EQ(Run(), keys::kEnter);
  EXPECT_EQ(table.Value(1, 1), "30/11/2026");
  EXPECT_EQ(table.Value(1, 2), "12  ");
  EXPECT_EQ(table.Value(1, 3), "40  ");
  EXPECT_EQ(table.Value(2, 1), "S");
  EXPECT_EQ(selection.ReportDate, PackDigits("20261130"));
  EXPECT_EQ(selection.FromOwnerKey, PackDottedCode("12"));
  EXPECT_EQ(selection.ToOwnerKey, PackDottedCode("40"));
  EXPECT_EQ(windows.WindowDepth(), 0);  // both boxes gone
  EXPECT_EQ(console.RowText(1).find(" CARRY "), 37u);  // centred on column 41
  EXPECT_EQ(console.BeepCount(), 0);
}

TEST_F(FormEngineTest, ShowsDefaultsAndLeavesWithEscape) {
  Keys({keys::kDown, keys::kEscape, keys::kEscape});
  EXPECT_EQ(Run(), keys::kEscape);
  EXPECT_EQ(checks, 0);  // Escape needs no check
  EXPECT_TRUE(selection.ReportDate.empty());
  EXPECT_EQ(windows.WindowDepth(), 0);
  windows.PushWindow(8, 15, 16, 64);
  engine.ShowForm(1);
  EXPECT_EQ(ValueOnScreen(1, 10), "31/12/2026");
  EXPECT_EQ(ValueOnScreen(2, 4), "1   ");
  EXPECT_EQ(ValueOnScreen(3, 4), "9999");
  windows.PopWindow();
}

TEST_F(FormEngineTest, BadValuesBeepAndBlankDateTakesTheWorkDate) {
  console.PushKeys("32/13/2026");
  Keys({keys::kEnter});                    // refused: stays in the field
  Keys({keys::kCtrlHome, keys::kEnter});   // cleared: the work date
  console.PushKeys("x");
  Keys({keys::kEnter});                    // owner code "1x": not a number
  Keys({keys::kBackspace, keys::kEnter});  // "1"
  Keys({keys::kUp, keys::kUp, keys::kUp}); // Up on the first field stays there
  Keys({keys::kEscape});
  EXPECT_EQ(Run(), keys::kEscape);
  EXPECT_EQ(console.BeepCount(), 2);
  EXPECT_EQ(table.Value(1, 1), FitText(formats.WorkDateText(), 10));
  EXPECT_EQ(table.Value(1, 2), "1   ");
}

TEST_F(FormEngineTest, ReversedRangeAndRefusedConfirmationKeepTheForm) {
  Keys({keys::kEnter, keys::kBackspace});
  console.PushKeys("9999");
  Keys({keys::kEnter, keys::kCtrlHome});
  console.PushKeys("1");
  Keys({keys::kEnter});  // 9999 to 1: back on the first field, nothing asked
  Keys({keys::kEnter, keys::kCtrlHome});
  console.PushKeys("1");
  Keys({keys::kEnter, keys::kCtrlHome});
  console.PushKeys("50");
  Keys({keys::kEnter});
  console.PushKeys("N");  // the confirmation answered No
  Keys({keys::kEnter, keys::kEscape});
  EXPECT_EQ(Run(), keys::kEscape);
  EXPECT_EQ(checks, 3);  // reversed range, the confirmation window, refused answer
  EXPECT_EQ(table.Value(2, 1), "N");
  EXPECT_EQ(selection.FromOwnerKey, PackDottedCode("1"));
  EXPECT_EQ(selection.ToOwnerKey, PackDottedCode("50"));
  EXPECT_EQ(console.BeepCount(), 0);
}

TEST_F(FormEngineTest, PagesMouseHelpAndBrowseList) {
  Keys({keys::kPgDn});  // to the last field
  console.PushKeys("7");  // the field is full: nothing typed fits
  Keys({keys::kPgUp, keys::kF1});
  console.PushMouse(kMouseReleased, kMouseLeft, 12, 20);  // on the label of field 2
  Keys({keys::kF4});  // owner 0012 chosen; the cursor goes down
  console.PushMouse(kMouseReleased, kMouseLeft, 2, 2);  // outside every field
  Keys({keys::kEscape, keys::kEscape});
  EXPECT_EQ(Run(), keys::kEscape);
  EXPECT_EQ(popups.help_topics, std::vector<std::string>{"RPTCARRY"});
  EXPECT_EQ(popups.lists, std::vector<int16_t>{1});
  EXPECT_EQ(table.Value(1, 2), "0012");
  EXPECT_EQ(table.Value(1, 3), "9999");
}

// A form with a chained pair of windows (3 then 4) and a display-only window (5).
std::string ChainedForm() {
  std::string out;
  for (const char* line :
       {"5,3", "\"d,1b\",3,0,0,0,0,0", "2,1,\"X: \",4,0,0,0,0,0,\"\"", "3,1,\"Y: \",4,0,0,0,0,0,\"\"",
        "4,1,\"Z: \",4,0,0,0,0,0,\"\"", "\"d,1b\",1,0,0,0,0,0", "5,1,\"C: \",1,0,0,0,0,0,\"\"",
        "\"d,1b,4800,5000,4900,5100\",3,4,0,0,0,0", "6,1,\"A: \",4,0,0,0,0,0,\"\"",
        "7,1,\"B: \",4,0,0,4,0,0,\"\"", "8,1,\"C: \",4,0,0,0,0,0,\"\"",
        "\"d,1b,4800,5000,4900,5100\",2,0,0,0,0,0", "10,1,\"D: \",4,0,0,0,0,0,\"\"",
        "11,1,\"E: \",4,0,0,0,0,0,\"\"", "\"d,1b\",1,0,0,0,0,0", "13,1,\"F: \",4,0,0,4,0,0,\"\"",
        "0"}) {
    out += std::string(line) + "\r\n";
  }
  return out;
}

TEST_F(FormEngineTest, ContinuationWindowsAndResuming) {
  ASSERT_TRUE(ParseForm(ChainedForm(), "CHAIN", nullptr, table).ok);
  engine.SetFormEndCheck([this](FormEngine&, int16_t, int16_t) { ++checks; return int16_t{0}; });
  // Enter passes over the display-only field B; Up passes back over it; Enter on the
  // last field runs window 4; PgDn there (allowed) leaves both windows.
  Keys({keys::kEnter, keys::kUp, keys::kEnter, keys::kEnter, keys::kPgDn, keys::kPgDn});
  EXPECT_EQ(Run(3, 0, 1), keys::kPgDn);
  EXPECT_EQ(engine.FormResumeWindow(), 4);
  // The next run goes straight back into window 4; Up on its first field returns to
  // window 3, where the operator starts at the first field.
  console.PushKeys("Q");
  Keys({keys::kUp});
  console.PushKeys("R");
  Keys({keys::kEnter, keys::kEscape, keys::kEscape});
  EXPECT_EQ(Run(3, 0, 1), keys::kEscape);
  EXPECT_EQ(engine.FormResumeWindow(), 0);
  EXPECT_EQ(table.Value(4, 1), "Q   ");
  EXPECT_EQ(table.Value(3, 1), "R   ");
  EXPECT_EQ(console.TextAt(10, 4, 4), "Q   ");
}

TEST_F(FormEngineTest, DisplayOnlyWindowEndsAtOnce) {
  ASSERT_TRUE(ParseForm(ChainedForm(), "CHAIN", nullptr, table).ok);
  engine.SetFormEndCheck([this](FormEngine&, int16_t, int16_t) { ++checks; return int16_t{-1}; });
  int16_t key = Run(5);
  EXPECT_EQ(checks, 1);         // the check still runs
  EXPECT_EQ(key, keys::kEscape); // and, refused, cannot be satisfied: the window gives up
  EXPECT_EQ(console.TextAt(13, 1, 3), "F: ");
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

TEST_F(FormEngineTest, HiddenFieldIsNeverShown) {
  // Window 3: a hidden field with extra columns, then a plain one.
  const std::string form =
      "3,3\r\n\"d,1b\",3,0,0,0,0,0\r\n2,1,\"X: \",4,0,0,0,0,0,\"\"\r\n3,1,\"Y: \",4,0,0,0,0,0,\"\"\r\n"
      "4,1,\"Z: \",4,0,0,0,0,0,\"\"\r\n\"d,1b\",1,0,0,0,0,0\r\n5,1,\"C: \",1,0,0,0,0,0,\"\"\r\n"
      "\"d,1b\",2,0,0,0,0,0\r\n6,1,\"P: \",6,0,3,2,0,0,\"\"\r\n7,1,\"Q: \",2,0,0,0,0,0,\"\"\r\n0\r\n";
  ASSERT_TRUE(ParseForm(form, "HIDDEN", nullptr, table).ok);
  console.PushKeys("secret");
  Keys({keys::kEnter, keys::kUp});
  Keys({keys::kEnter});  // an untouched hidden entry keeps the previous value
  Keys({keys::kEnter});
  EXPECT_EQ(Run(3), keys::kEnter);
  EXPECT_EQ(table.Value(3, 1), "secret");
  EXPECT_EQ(console.RowText(6).find("secret"), std::string::npos);
  EXPECT_EQ(console.TextAt(6, 4, 9), "         ");
}

}  // namespace
}  // namespace orb
