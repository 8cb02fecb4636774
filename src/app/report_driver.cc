#include "app/report_driver.h"

#include "app/data_file_table.h"
#include "app/report_verdict.h"
#include "app/work_files.h"
#include "core/colour.h"
#include "data/file_table.h"
#include "format/dates.h"
#include "format/user_settings.h"
#include "platform/clipboard.h"
#include "platform/btrieve/btrieve.h"
#include "platform/host_path.h"
#include "platform/input_wait.h"
#include "platform/process.h"
#include "report/report.h"
#include "report/report_files.h"
#include "report/session_report_text.h"
#include "ui/exit_keys.h"
#include "ui/field_editor.h"
#include "ui/field_formats.h"
#include "ui/form_engine.h"
#include "ui/form_loader.h"
#include "ui/hot_key_popups.h"
#include "ui/key_reader.h"
#include "ui/screen_popups.h"
#include "ui/selection_check.h"
#include "ui/window_stack.h"

namespace orb {
namespace {

// Exit code of a run whose form definition file cannot be used.
constexpr int kBadFormExit = 3;
// Keys typed ahead that a message discards before it waits for its own key.
constexpr int kMaxDiscardedKeys = 256;

// The data layer's messages on the screen: a box, a beep, a key; ending the program
// stops the run once the files are closed.
class ScreenDataMessages : public DataMessages {
 public:
  ScreenDataMessages(Console& console, WindowStack& windows, KeyReader& keys)
      : console_(console), windows_(windows), keys_(keys) {}

  void ShowMessage(int16_t row, const std::string& text) override {
    if (!ended_) windows_.ShowMessageBox(row, text);
  }
  void HideMessage() override {
    if (!ended_) windows_.PopWindow();
  }
  void Beep() override {
    if (!ended_) console_.Beep();
  }
  void WaitForKey() override {
    if (ended_) return;
    int16_t key, button, row, column;
    for (int drained = 0; drained < kMaxDiscardedKeys; ++drained) {
      keys_.ReadKeyEvent(key, button, row, column);
      if (key == 0 && button == 0) break;
    }
    keys_.WaitKey(key);
  }
  void EndProgram() override { ended_ = true; }
  void Sleep(int32_t milliseconds) override { console_.Sleep(milliseconds); }

  bool Ended() const { return ended_; }

 private:
  Console& console_;
  WindowStack& windows_;
  KeyReader& keys_;
  bool ended_ = false;
};

// While the form runs, every wait for a key first lets the record manager go of its
// read snapshots: another program updating the data files meanwhile keeps its log
// checkpointed, and the next read sees what it wrote.
class IdleWhileWaiting {
 public:
  IdleWhileWaiting() : previous_(SetInputWaitHook(BtrIdle)) {}
  ~IdleWhileWaiting() { SetInputWaitHook(previous_); }
  IdleWhileWaiting(const IdleWhileWaiting&) = delete;
  IdleWhileWaiting& operator=(const IdleWhileWaiting&) = delete;

 private:
  InputWaitHook previous_;
};

}  // namespace

ScreenRunResult RunScreenReport(ScreenRunServices& s) {
  IdleWhileWaiting idle_while_waiting;
  RemoveScreenRunWorkFiles(s.session);
  Console& console = s.console;
  ColourSelector colours(console, s.session);
  WindowStack windows(console, colours, s.session);
  ExitKeySet exit_keys;
  UserSettings settings(s.session.RootDir + "Vora.ini");
  PopupHotKeys hot_keys(console, colours, windows, exit_keys, settings, s.session, s.clock);
  KeyReader keys(console, hot_keys);
  hot_keys.AttachKeyReader(keys);
  SystemClipboard clipboard(s.session.TerminalDir,
                            [&s](std::string_view bytes) { s.terminal.WriteRaw(bytes); });
  FieldEditor editor(console, colours, keys, exit_keys, clipboard);
  FieldFormats formats(s.session, s.clock, settings);

  FormTable table;
  const std::string form_file = s.session.RootDir + "FORMS\\" + s.module_name + ".OPN";
  FormLoadResult loaded = LoadForm(
      form_file, [&s](const std::string& key) { return s.catalogue.Translate(key); },
      CompactDate(s.session.WorkDate, s.clock), table);
  if (!loaded.ok) return {kBadFormExit, "rptcarry: " + loaded.error};

  ScreenDataMessages messages(console, windows, keys);
  std::unique_ptr<FileTable> own_table = MakeFileTable(s.session, messages, s.records);
  FileTable& file_table = *own_table;
  ReportFiles files(s.session, file_table);
  files.OpenReportFiles();
  if (messages.Ended()) {
    files.CloseReportFiles();
    return {};
  }

  // F4's lists read the owners into the report's owner area; F1's windowed help waits
  // for the launcher as the print program is waited for.
  BrowseList lists({table, file_table, console, colours, windows, keys, exit_keys, s.session,
                    [&files](int16_t file_no) {
                      if (file_no != ReportFiles::kOwnerFile) return std::string();
                      return std::string(reinterpret_cast<const char*>(files.OwnerArea()),
                                         ReportFiles::kOwnerRecordSize);
                    }});
  HelpViewer help({console, colours, windows, keys, s.session, "",
                   [&s](std::string_view program, const std::vector<std::string>& arguments) {
                     s.terminal.Suspend();
                     const int status = RunProgram(program, arguments);
                     s.terminal.Resume();
                     return status;
                   },
                   GetEnv});
  ScreenPopups popups(lists, help);
  FormEngine engine({table, console, colours, windows, editor, exit_keys, formats, popups,
                     s.session});
  lists.SetFormEngine(&engine);
  Selection selection;
  engine.SetFormEndCheck([&](FormEngine& e, int16_t window, int16_t key) {
    return CheckSelectionEnd(e, formats, window, key, selection);
  });

  SessionReportText text(s.session, s.catalogue, s.currency, settings);
  PrintFile print(s.session);
  ReportServices report{s.session, files, print, s.currency, text, {}};
  if (s.start_print_program) {
    report.start_print_program = [&s](const Session& session) {
      s.terminal.Suspend();
      PrintProgramRun run = s.start_print_program(session);
      s.terminal.Resume();
      return run;
    };
  }

  colours.SetColour("n");
  console.ClearScreen();
  for (;;) {
    int16_t window = 1, leave_on_pg_up = 0, leave_on_pg_dn = 0, key = 0;
    engine.RunForm(window, leave_on_pg_up, leave_on_pg_dn, key);
    if (key == keys::kEscape || messages.Ended()) break;
    ReportParameters parameters{selection.ReportDate, selection.FromOwnerKey,
                                selection.ToOwnerKey};
    ReportOutcome outcome = PrintOneReport(report, parameters);
    BtrIdle();  // back to the form, which may wait for a long time
    if (messages.Ended()) break;
    // What became of the report, until a key is pressed: the form is drawn over it.
    const ReportVerdict verdict = JudgeReport(outcome, s.session, s.catalogue);
    if (!verdict.text.empty()) {
      windows.ShowMessageBox(12, verdict.text);
      int16_t any_key = 0;
      keys.WaitKey(any_key);
      windows.PopWindow();
    }
  }
  files.CloseReportFiles();
  RemoveScreenRunWorkFiles(s.session);
  return {};
}

}  // namespace orb
