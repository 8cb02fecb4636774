// A report that a failed read stopped part of the way through, as the batch entry and
// the form end it: nothing printed, nothing sent, the data file and the cause told (on
// the error stream with a non-zero exit code; in a box in the session's language, after
// which the form comes back).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/batch.h"
#include "app/program.h"
#include "app/report_driver.h"
#include "app/report_verdict.h"
#include "data/status_cause.h"
#include "platform/memory_console.h"
#include "ui/key_reader.h"
#include "../data/failing_record_manager.h"
#include "../report/three_owners.h"

namespace orb {
namespace {

namespace fs = std::filesystem;
using testing::FailingRecordManager;

// A copy of the demo installation holding three owners, with a print program and a
// mail program that only leave a mark that they ran.
class UnfinishedReportRun : public ::testing::Test {
 protected:
  UnfinishedReportRun() : saved_directory_(fs::current_path()) {
    dir_ = fs::temp_directory_path() /
           ("unfinished_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::copy(fs::path(ORB_TEST_DATA) / ".." / "demo", dir_, fs::copy_options::recursive);
    fs::remove_all(dir_ / "data");
    root_ = dir_.string() + "/";
    testing::WriteThreeOwners(root_);
    fs::create_directories(dir_ / "EXE");
    WriteMarkingProgram(dir_ / "EXE" / "ORBPRINT", dir_ / "printed");
    WriteMarkingProgram(dir_ / "sendmail", dir_ / "mailed");
    std::ofstream(dir_ / "contacts.csv") << "owner,email\n1,a@x.example\n2,b@x.example\n";
    session_.RootDir = root_;
    session_.TempDir = root_ + "TMP/";
    session_.ExeDir = root_ + "EXE/";
    session_.Output = "PANTALLA";
  }
  ~UnfinishedReportRun() override {
    fs::current_path(saved_directory_);
    fs::remove_all(dir_);
  }

  static void WriteMarkingProgram(const fs::path& program, const fs::path& mark) {
    std::ofstream(program) << "#!/bin/sh\ncat >/dev/null\ntouch '" << mark.string() << "'\n";
    fs::permissions(program, fs::perms::owner_all);
  }

  // The month-end run: the report, the print program, statements, export and mail.
  int RunBatch(FailingRecordManager& manager) {
    BatchRequest request{"31/12/2026", "1", "9999", true};
    request.Statements = root_ + "out";
    request.Export = root_ + "out/rossec.csv";
    request.Mail = root_ + "contacts.csv";
    request.Sendmail = (dir_ / "sendmail").string();
    err_.str("");
    return RunBatchReport(session_, request, clock_, err_, &manager);
  }

  fs::path saved_directory_;
  fs::path dir_;
  std::string root_;
  Session session_;
  FixedClock clock_{CalendarDate{2026, 12, 8}};
  std::ostringstream err_;
};

TEST_F(UnfinishedReportRun, TheBatchEntryPrintsAndSendsNothingAndSaysWhy) {
  struct Case {
    const char* file;
    uint16_t operation;
    int nth;
    int16_t status;
    int exit_code;
    const char* told;
  };
  const Case cases[] = {
      {"CobramV", kBtrGetNext, 4, kBtrIoError, kBatchFailed,
       "CobramV (stepping to the next record): I/O error (status 2); the report was not "
       "finished"},
      {"PropietV", kBtrGetNext, 2, kBtrServerUnavailable, kBatchFailed,
       "PropietV (stepping to the next record): the connection to the data server was lost "
       "(status 20)"},
      {"FinquesV", kBtrGetEqual, 21, kBtrDiskFull, kBatchFailed,
       "FinquesV (searching by key): the disk is full (status 18)"},
      {"DepartaV", kBtrGetNext, 3, kBtrIoError, kBatchFailed, "DepartaV (stepping"},
      // Held by another program: the code of a file held past --wait.
      {"PagamV", kBtrGetGreaterOrEqual, 3, kBtrFileInUse, kBatchFileBusy,
       "PagamV (searching by key): the file is held by another program (status 85)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    fs::remove_all(dir_ / "out");
    fs::remove(dir_ / "printed");
    FailingRecordManager manager;
    manager.file = c.file;
    manager.operation = c.operation;
    manager.nth = c.nth;
    manager.status = c.status;
    EXPECT_EQ(RunBatch(manager), c.exit_code) << err_.str();
    EXPECT_TRUE(manager.Failed());
    const std::string told = err_.str();
    EXPECT_NE(told.find("rptcarry: cannot read the data file " + root_ + "DADES\\" + c.told),
              std::string::npos)
        << told;
    EXPECT_NE(told.find("mail: nothing sent"), std::string::npos) << told;
    EXPECT_FALSE(fs::exists(dir_ / "printed"));
    EXPECT_FALSE(fs::exists(dir_ / "mailed"));
    EXPECT_FALSE(fs::exists(dir_ / "out" / "rossec.csv"));
  }

  // The same run without a failure prints and sends.
  FailingRecordManager none;
  none.file = "NoSuchFile";
  EXPECT_EQ(RunBatch(none), kBatchOk) << err_.str();
  EXPECT_TRUE(fs::exists(dir_ / "printed"));
  EXPECT_TRUE(fs::exists(dir_ / "mailed"));
  EXPECT_TRUE(fs::exists(dir_ / "out" / "rossec.csv"));
}

TEST_F(UnfinishedReportRun, AnOwnerLookupThatFailsRefusesTheMailingBeforeTheReport) {
  // The contacts' owners are looked up before the report; a failure there is not taken
  // for an owner who is not in the file.
  FailingRecordManager manager;
  manager.file = "PropietV";
  manager.operation = kBtrGetEqual;
  manager.status = kBtrIoError;
  EXPECT_EQ(RunBatch(manager), kBatchFailed);
  EXPECT_NE(err_.str().find("cannot read the data file " + root_ +
                            "DADES\\PropietV (searching by key): I/O error (status 2)"),
            std::string::npos)
      << err_.str();
  EXPECT_EQ(err_.str().find("is not in the owners' file"), std::string::npos) << err_.str();
  EXPECT_FALSE(fs::exists(dir_ / "printed"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "rossec.csv"));
}

// Keeps every screen the program showed when it asked for a key.
class RecordingConsole : public MemoryConsole {
 public:
  std::string ReadKey() override {
    screens.push_back(ScreenText());
    return MemoryConsole::ReadKey();
  }
  bool AnyScreenHolds(const std::string& text) const {
    for (const std::string& screen : screens) {
      if (screen.find(text) != std::string::npos) return true;
    }
    return false;
  }
  std::vector<std::string> screens;
};

TEST_F(UnfinishedReportRun, TheFormTellsTheOperatorAndComesBack) {
  // A Spanish session.
  const fs::path terminal = dir_ / "TMP" / "VoraTerm.ini";
  std::string settings;
  {
    std::ifstream in(terminal, std::ios::binary);
    settings.assign(std::istreambuf_iterator<char>(in), {});
  }
  settings.replace(settings.find("Idioma=CAT"), 10, "Idioma=SPA");
  std::ofstream(terminal, std::ios::binary | std::ios::trunc) << settings;

  const std::map<std::string, std::string> environment = {
      {"ORBROOT", root_}, {"ORBEXE", root_ + "EXE/"}, {"ORBTMP", root_ + "TMP/"}};
  Program program([&environment](std::string_view name) {
    const auto found = environment.find(std::string(name));
    return found == environment.end() ? std::string() : found->second;
  });
  program.StartUp();
  FailingRecordManager manager;
  manager.file = "DepartaV";
  manager.operation = kBtrGetNext;
  manager.nth = 2;
  manager.status = kBtrServerUnavailable;
  int print_program_runs = 0;
  RecordingConsole console;
  // Confirm the default selection twice (the second report reads to its end), each
  // time closing what is said with a key, then leave.
  for (int report = 0; report < 2; ++report) {
    for (int field = 0; field < 3; ++field) console.PushKeyCode(keys::kEnter);
    console.PushKeys("S");
    console.PushKeyCode(keys::kEnter);
    console.PushKeys("x");
  }
  console.PushKeyCode(keys::kEscape);
  TerminalHooks hooks;
  Currency currency;
  currency.SetCurrency("a,E");
  SystemClock clock;
  ScreenRunServices services{console,
                             hooks,
                             program.session(),
                             currency,
                             program.catalogue(),
                             clock,
                             kModuleName,
                             [&print_program_runs](const Session&) {
                               ++print_program_runs;
                               return PrintProgramRun{0, "", "1 pagina escrita"};
                             },
                             &manager};
  const ScreenRunResult result = RunScreenReport(services);
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_TRUE(manager.Failed());
  EXPECT_EQ(print_program_runs, 1);  // the second report only
  EXPECT_TRUE(console.AnyScreenHolds("NO SE HA PODIDO LEER EL FICHERO"));
  EXPECT_TRUE(console.AnyScreenHolds("DADES\\DepartaV (20): SE"));
  EXPECT_TRUE(console.AnyScreenHolds("CONEXI\xe0N CON EL SERVIDOR DE DATOS"));
  EXPECT_TRUE(console.AnyScreenHolds("TERMINADO Y NO SE HA IMPRESO"));
  EXPECT_TRUE(console.AnyScreenHolds("1 pagina escrita"));
  EXPECT_TRUE(console.ScriptEmpty());  // back on the form each time; Escape left it
}

TEST(UnfinishedReportVerdictTest, ToldInEachLanguageWithTheCauseInWords) {
  Session session;
  session.RootDir = std::string(ORB_TEST_DATA) + "/../demo/";
  ReportOutcome outcome;
  outcome.read_failure = ReadFailure{"DADES\\CobramV", ReadOperation::kStep, kBtrIoError};
  const std::map<std::string, std::string> expected = {
      {"CAT",
       "NO S'HA POGUT LLEGIR EL FITXER DADES\\CobramV (2): ERROR DE LECTURA O ESCRIPTURA. "
       "L'INFORME NO S'HA ACABAT I NO S'HA IMPR\xd4S"},
      {"SPA",
       "NO SE HA PODIDO LEER EL FICHERO DADES\\CobramV (2): ERROR DE LECTURA O ESCRITURA. EL "
       "INFORME NO SE HA TERMINADO Y NO SE HA IMPRESO"},
      {"GLG",
       "NON SE PUIDO LER O FICHEIRO DADES\\CobramV (2): ERRO DE LECTURA OU ESCRITURA. O "
       "INFORME NON SE REMATOU E NON SE IMPRIMIU"},
      {"OCI",
       "NON S'A POGUT L\x90GER ETH FICH\xd4R DADES\\CobramV (2): ERROR DE LECTURA O "
       "ESCRIPTURA. ETH INFORME NON S'A ACABAT E NON S'A IMPRIMIT"}};
  for (const auto& [language, text] : expected) {
    session.Language = language;
    Catalogue catalogue(session);
    const ReportVerdict verdict = JudgeReport(outcome, session, catalogue);
    EXPECT_FALSE(verdict.printed);
    EXPECT_EQ(verdict.text, text) << language;
  }
  // Every cause has its words in the three other languages; a status without words of
  // its own is told by its number only.
  for (const char* language : {"SPA", "GLG", "OCI"}) {
    session.Language = language;
    Catalogue catalogue(session);
    for (int16_t status : std::initializer_list<int16_t>{
             kBtrInvalidOperation, kBtrIoError, kDataFileNotOpen, kBtrKeyNotFound,
             kBtrDuplicateKey, kBtrFileNotFound, kBtrDiskFull, kBtrServerUnavailable,
             kBtrInvalidRecordLength, kBtrCreateIoError, kBtrInvalidKeyLength,
             kBtrNotABtrieveFile, kBtrAccessDenied, kBtrFileAlreadyExists, kBtrConflict,
             kBtrRecordInUse, kBtrFileInUse}) {
      const StatusCause cause = CauseOf(status);
      ASSERT_FALSE(cause.catalan.empty()) << status;
      // Aranese may share the Catalan words, as some of its texts do.
      if (std::string(language) != "OCI") {
        EXPECT_NE(catalogue.Translate(cause.catalan), cause.catalan) << language << " " << status;
      }
    }
    outcome.read_failure->status = kBtrInvalidKeyNumber;
    const std::string text = JudgeReport(outcome, session, catalogue).text;
    EXPECT_NE(text.find("DADES\\CobramV (6). "), std::string::npos) << text;
    outcome.read_failure->status = kBtrIoError;
  }
}

}  // namespace
}  // namespace orb
