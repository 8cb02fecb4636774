#include "app/report_driver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "app/program.h"
#include "platform/btrieve/btrieve.h"
#include "platform/input_wait.h"
#include "platform/memory_console.h"
#include "ui/key_reader.h"
#include "../report/data_writer.h"

namespace orb {
namespace {

namespace fs = std::filesystem;

// Keeps the screen as it was when the program first asked for a key.
class CapturingConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    if (first_screen.empty()) first_screen = ScreenText();
    return MemoryConsole::ReadKey();
  }
  std::string first_screen;
};

// The program over the in-memory console on a copy of the demo installation (its data
// files are created empty from the dictionaries).
class ScreenRunTest : public ::testing::Test {
 protected:
  ScreenRunTest() : saved_directory(fs::current_path()) {
    root = fs::temp_directory_path() /
           ("screen_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::copy(fs::path(ORB_TEST_DATA) / ".." / "demo", root,
             fs::copy_options::recursive | fs::copy_options::skip_existing);
    fs::remove_all(root / "data");
    environment = {{"ORBROOT", root.string() + "/"},
                   {"ORBEXE", root.string() + "/EXE/"},
                   {"ORBTMP", root.string() + "/TMP/"}};
  }
  ~ScreenRunTest() override {
    fs::current_path(saved_directory);
    fs::remove_all(root);
  }

  int Run(std::string& message) { return RunWith(console, message); }
  int RunWith(MemoryConsole& on, std::string& message) {
    Program program([this](std::string_view name) {
      auto found = environment.find(std::string(name));
      return found == environment.end() ? std::string() : found->second;
    });
    TerminalHooks hooks;
    return program.RunOnConsole(on, hooks, message);
  }
  void SetOutput(const std::string& device) {
    fs::path file = root / "TMP" / "VoraTerm.ini";
    std::ifstream in(file, std::ios::binary);
    std::string text(std::istreambuf_iterator<char>(in), {});
    in.close();
    const size_t at = text.find("Sortida=");
    text.replace(at, text.find('\r', at) - at, "Sortida=" + device);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  }
  void SetLanguage(const std::string& language) {
    fs::path file = root / "TMP" / "VoraTerm.ini";
    std::string text;
    {
      std::ifstream in(file, std::ios::binary);
      text.assign(std::istreambuf_iterator<char>(in), {});
    }
    text.replace(text.find("Idioma=CAT"), 10, "Idioma=" + language);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  }

  fs::path saved_directory;
  fs::path root;
  std::map<std::string, std::string> environment;
  CapturingConsole console;
};

TEST_F(ScreenRunTest, EscapeAtOnceEndsWithoutAPrintFile) {
  console.PushKeyCode(keys::kEscape);
  std::string message;
  EXPECT_EQ(Run(message), 0);
  EXPECT_EQ(message, "");
  EXPECT_FALSE(fs::exists(root / "TMP" / "orbprint.tmp"));
  EXPECT_FALSE(console.CursorVisible());
  EXPECT_NE(console.first_screen.find("Data de tancament:"), std::string::npos);
}

TEST_F(ScreenRunTest, ConfirmedSelectionPrintsAndTheFormComesBack) {
  // The defaults (the session date, owners 1 to 9999) confirmed with S, twice; the
  // second time the form shows the values of the first. Each time a key closes the
  // message that the print program (there is none here) could not be started.
  for (int report = 0; report < 2; ++report) {
    for (int field = 0; field < 3; ++field) console.PushKeyCode(keys::kEnter);
    console.PushKeys("S");
    console.PushKeyCode(keys::kEnter);
    console.PushKeys("x");
  }
  console.PushKeyCode(keys::kEscape);
  std::string message;
  EXPECT_EQ(Run(message), 0);
  EXPECT_TRUE(fs::exists(root / "TMP" / "orbprint.tmp"));
  EXPECT_TRUE(console.ScriptEmpty());
}

// Notes the input wait hook in force at every wait for a key; every key comes only
// after the program has found nothing and waited, as a person's keys do.
class HookWatchingConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    pause_ = !pause_;
    return pause_ ? std::string() : MemoryConsole::ReadKey();
  }
  void WaitForInput(int32_t timeout_ms) override {
    const InputWaitHook hook = SetInputWaitHook(nullptr);
    SetInputWaitHook(hook);
    hooks.push_back(hook);
    MemoryConsole::WaitForInput(timeout_ms);
  }
  std::vector<InputWaitHook> hooks;

 private:
  bool pause_ = false;
};

// While the form waits for a key, before and after a report, the record manager holds
// no read snapshot (another program's writes would otherwise grow the data files' logs
// without bound): every wait lets it go idle first. The hook goes with the run.
TEST_F(ScreenRunTest, EveryWaitForAKeyLetsTheRecordManagerGoIdle) {
  HookWatchingConsole watching;
  watching.PushKeyCode(keys::kEnter);
  for (int field = 0; field < 2; ++field) watching.PushKeyCode(keys::kEnter);
  watching.PushKeys("S");
  watching.PushKeyCode(keys::kEnter);
  watching.PushKeys("x");
  watching.PushKeyCode(keys::kEscape);
  std::string message;
  EXPECT_EQ(RunWith(watching, message), 0);
  ASSERT_FALSE(watching.hooks.empty());
  for (const InputWaitHook hook : watching.hooks) EXPECT_EQ(hook, &BtrIdle);
  EXPECT_EQ(SetInputWaitHook(nullptr), nullptr);
}

// Changes Vora.ini's date separator once the form is on the screen.
class SettingsChangingConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    if (!changed && !vora_ini.empty()) {
      changed = true;
      std::ifstream in(vora_ini, std::ios::binary);
      std::string text(std::istreambuf_iterator<char>(in), {});
      in.close();
      text.replace(text.find("DatCaracter=/"), 13, "DatCaracter=-");
      std::ofstream(vora_ini, std::ios::binary | std::ios::trunc) << text;
    }
    return MemoryConsole::ReadKey();
  }
  fs::path vora_ini;
  bool changed = false;
};

TEST_F(ScreenRunTest, SeparatorsAreReadOncePerRunForFormAndReport) {
  // The form has shown its date with "/": the report's title keeps that separator
  // although Vora.ini now says otherwise.
  using namespace orb::testing;
  {
    DataFileWriter owners(root.string() + "/", RecordKind::kOwners);
    owners.Insert(OwnerImage(PackedCode(7), "OWNER", "ES12345678Z", {{PackedCode(101), 0}}));
    ASSERT_EQ(owners.Close(), 0);
    DataFileWriter properties(root.string() + "/", RecordKind::kProperties);
    properties.Insert(PropertyImage(PackedCode(101), "PROPERTY", 0, 0, 5000));
    ASSERT_EQ(properties.Close(), 0);
  }
  SettingsChangingConsole changing;
  changing.vora_ini = root / "Vora.ini";
  for (int field = 0; field < 3; ++field) changing.PushKeyCode(keys::kEnter);
  changing.PushKeys("S");
  changing.PushKeyCode(keys::kEnter);
  changing.PushKeys("x");  // closes the print program's message
  changing.PushKeyCode(keys::kEscape);
  Program program([this](std::string_view name) {
    auto found = environment.find(std::string(name));
    return found == environment.end() ? std::string() : found->second;
  });
  TerminalHooks hooks;
  std::string message;
  EXPECT_EQ(program.RunOnConsole(changing, hooks, message), 0);
  ASSERT_TRUE(changing.changed);
  std::ifstream in(root / "TMP" / "orbprint.tmp", std::ios::binary);
  const std::string printed(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(printed.find(" A 31/12/2026,"), std::string::npos) << printed.substr(0, 400);
}

// Keeps every screen on which the program asked for a key.
class RecordingConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    screens.push_back(ScreenText());
    return MemoryConsole::ReadKey();
  }
  std::vector<std::string> screens;
};

TEST_F(ScreenRunTest, PrintFileThatCannotBeCreatedIsToldInTheSessionLanguage) {
  SetLanguage("SPA");
  fs::create_directories(root / "TMP" / "orbprint.tmp");  // a directory: no file there
  RecordingConsole recording;
  for (int field = 0; field < 3; ++field) recording.PushKeyCode(keys::kEnter);
  recording.PushKeys("S");
  recording.PushKeyCode(keys::kEnter);
  recording.PushKeys("x");  // acknowledges the message
  recording.PushKeyCode(keys::kEscape);
  Program program([this](std::string_view name) {
    auto found = environment.find(std::string(name));
    return found == environment.end() ? std::string() : found->second;
  });
  TerminalHooks hooks;
  std::string message;
  EXPECT_EQ(program.RunOnConsole(recording, hooks, message), 0);
  bool told = false;
  for (const std::string& screen : recording.screens) {
    told = told || screen.find("NO SE HA PODIDO ESCRIBIR EL FICHERO") != std::string::npos;
  }
  EXPECT_TRUE(told);
}

// Confirms the default selection once, acknowledges what is said, then leaves.
void ConfirmOnceAndLeave(MemoryConsole& console) {
  for (int field = 0; field < 3; ++field) console.PushKeyCode(keys::kEnter);
  console.PushKeys("S");
  console.PushKeyCode(keys::kEnter);
  console.PushKeys("x");
  console.PushKeyCode(keys::kEscape);
}

bool AnyScreenHolds(const std::vector<std::string>& screens, const std::string& text) {
  for (const std::string& screen : screens) {
    if (screen.find(text) != std::string::npos) return true;
  }
  return false;
}

// The session's variables in the process environment, where the print program finds
// them, for one test.
class ProcessEnvironment {
 public:
  explicit ProcessEnvironment(const std::map<std::string, std::string>& variables) {
    for (const auto& [name, value] : variables) {
      ::setenv(name.c_str(), value.c_str(), 1);
      names_.push_back(name);
    }
  }
  ~ProcessEnvironment() {
    for (const std::string& name : names_) ::unsetenv(name.c_str());
  }

 private:
  std::vector<std::string> names_;
};

TEST_F(ScreenRunTest, ThePrintProgramsOutcomeIsShownInTheSessionLanguage) {
  const fs::path orbprint = fs::path(ORB_BINARY_DIR) / "bin" / "orbprint";
  if (!fs::exists(orbprint)) GTEST_SKIP() << "orbprint has not been built";
  ProcessEnvironment for_the_print_program(environment);
  fs::create_directories(root / "EXE");
  fs::copy_file(orbprint, root / "EXE" / "ORBPRINT");
  SetLanguage("SPA");
  SetOutput("PDF:r.pdf");
  RecordingConsole recording;
  ConfirmOnceAndLeave(recording);
  std::string message;
  EXPECT_EQ(RunWith(recording, message), 0);
  ASSERT_TRUE(fs::exists(root / "TMP" / "r.pdf"));
  // "N pages written to FILE", in Spanish, until a key is pressed.
  EXPECT_TRUE(AnyScreenHolds(recording.screens, " escrita en ") ||
              AnyScreenHolds(recording.screens, " escritas en "));
  EXPECT_TRUE(AnyScreenHolds(recording.screens, (root / "TMP" / "r.pdf").string()));
  EXPECT_FALSE(AnyScreenHolds({recording.ScreenText()}, "r.pdf"));  // closed by the key

  // A device that cannot be written: why, in the session's language.
  SetOutput("PDF:/nonexistent/dir/r.pdf");
  RecordingConsole failing;
  ConfirmOnceAndLeave(failing);
  EXPECT_EQ(RunWith(failing, message), 0);
  EXPECT_TRUE(AnyScreenHolds(failing.screens, "EL PROGRAMA DE IMPRESI"));
  EXPECT_TRUE(AnyScreenHolds(failing.screens, "no se puede escribir"));
  EXPECT_TRUE(AnyScreenHolds(failing.screens, "/nonexistent/dir/r.pdf"));
}

TEST_F(ScreenRunTest, APrintFileCutShortIsToldAndNeverPrinted) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  fs::create_directories(root / "EXE");
  const fs::path marker = root / "printed";
  std::ofstream(root / "EXE" / "ORBPRINT") << "#!/bin/sh\ntouch '" << marker.string() << "'\n";
  fs::permissions(root / "EXE" / "ORBPRINT", fs::perms::owner_all);
  fs::create_directories(root / "TMP");
  fs::create_symlink("/dev/full", root / "TMP" / "orbprint.tmp");
  RecordingConsole recording;
  ConfirmOnceAndLeave(recording);
  std::string message;
  EXPECT_EQ(RunWith(recording, message), 0);
  EXPECT_TRUE(AnyScreenHolds(recording.screens, "NO S'HA POGUT ESCRIURE EL FITXER D'IMPRESSI"));
  EXPECT_TRUE(AnyScreenHolds(recording.screens, "space left on device"));  // the system's reason
  EXPECT_FALSE(fs::exists(marker));
  EXPECT_TRUE(recording.ScriptEmpty());  // back on the form, which Escape left
}

// Looks at the window stack file when the form first waits for a key.
class StackWatchingConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    if (!looked) {
      looked = true;
      std::ifstream in(stack_file, std::ios::binary);
      stack.assign(std::istreambuf_iterator<char>(in), {});
    }
    return MemoryConsole::ReadKey();
  }
  fs::path stack_file;
  bool looked = false;
  std::string stack;
};

TEST_F(ScreenRunTest, WorkFilesLeftByAKilledRunAreNotReadAgain) {
  // A stack of one stale record, its header pointing past it, and a stale list file.
  fs::create_directories(root / "TMP");
  const std::string stale(40, 'S');
  const uint32_t next = 5 + static_cast<uint32_t>(stale.size());
  std::string file(reinterpret_cast<const char*>(&next), 4);
  std::ofstream(root / "TMP" / "WinPush.tmp", std::ios::binary) << file + stale;
  std::ofstream(root / "TMP" / "Browse.tmp", std::ios::binary) << "stale list";
  StackWatchingConsole watching;
  watching.stack_file = root / "TMP" / "WinPush.tmp";
  watching.PushKeyCode(keys::kEscape);
  std::string message;
  EXPECT_EQ(RunWith(watching, message), 0);
  ASSERT_TRUE(watching.looked);
  EXPECT_EQ(watching.stack.find("SSSS"), std::string::npos);  // the form's own window only
  EXPECT_FALSE(fs::exists(root / "TMP" / "WinPush.tmp"));
  EXPECT_FALSE(fs::exists(root / "TMP" / "Browse.tmp"));
}

TEST_F(ScreenRunTest, AWorkDirectoryThatCannotBeUsedIsRefusedAtStart) {
  environment["ORBTMP"] = root.string() + "/NO-SUCH-TMP/";
  console.PushKeyCode(keys::kEscape);
  std::string message;
  EXPECT_EQ(Run(message), 1);
  EXPECT_NE(message.find("work directory " + root.string() + "/NO-SUCH-TMP/ (ORBTMP) cannot be "
                         "used: No such file or directory"),
            std::string::npos)
      << message;
  EXPECT_TRUE(console.first_screen.empty());  // no form was shown
}

TEST_F(ScreenRunTest, SpanishSessionShowsTheTranslatedForm) {
  SetLanguage("SPA");
  console.PushKeyCode(keys::kEscape);
  std::string message;
  EXPECT_EQ(Run(message), 0);
  EXPECT_NE(console.first_screen.find("Fecha de cierre:"), std::string::npos);
  EXPECT_NE(console.first_screen.find("Del propietario:"), std::string::npos);
}

TEST_F(ScreenRunTest, BrokenFormFileEndsWithAMessageAndNonZeroCode) {
  std::ofstream(root / "FORMS" / "RPTCARRY.OPN", std::ios::trunc) << "2,3\r\n\"d\",2,0,0,0,0,0\r\n";
  std::string message;
  EXPECT_EQ(Run(message), 3);
  EXPECT_NE(message.find("RPTCARRY.OPN, line 2"), std::string::npos) << message;
  fs::remove(root / "FORMS" / "RPTCARRY.OPN");
  EXPECT_EQ(Run(message), 3);
  EXPECT_NE(message.find("cannot be opened"), std::string::npos) << message;
}

TEST_F(ScreenRunTest, DataFileThatCannotBeOpenedEndsTheRunAfterItsMessage) {
  // No dictionaries, so the missing owners' file cannot be created.
  fs::remove_all(root / "ddf");
  console.SetIdleKey("x");  // typed-ahead keys are discarded; then x acknowledges it
  std::string message;
  EXPECT_EQ(Run(message), 0);
  EXPECT_EQ(message, "");
  EXPECT_NE(console.first_screen.find("NO ES POT ACCEDIR AL FITXER"), std::string::npos)
      << console.first_screen;
  EXPECT_FALSE(fs::exists(root / "TMP" / "orbprint.tmp"));
}

}  // namespace
}  // namespace orb
