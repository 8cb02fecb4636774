// A small installation in a temporary directory for report tests: Vora.ini, the five
// data files written through the record manager, the session, and a run of the report
// into the print file, compared byte for byte with files under tests/report/expected.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/catalogue.h"
#include "core/session.h"
#include "data/file_table.h"
#include "format/currency.h"
#include "platform/clock.h"
#include "report/layout.h"
#include "report/print_file.h"
#include "report/report.h"
#include "report/report_files.h"
#include "report/session_report_text.h"
#include "data_writer.h"

namespace orb::testing {

// Data messages that only record what happened.
class QuietDataMessages : public DataMessages {
 public:
  void ShowMessage(int16_t, const std::string& text) override { shown.push_back(text); }
  void HideMessage() override {}
  void Beep() override {}
  void WaitForKey() override {}
  void EndProgram() override { ended = true; }
  void Sleep(int32_t) override {}
  std::vector<std::string> shown;
  bool ended = false;
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Compares `actual` with tests/report/expected/<name>; with ORB_UPDATE_EXPECTED set in
// the environment the expected file is written instead.
inline void ExpectSameAsFile(const std::string& actual, const std::string& name) {
  const std::filesystem::path path =
      std::filesystem::path(ORB_TEST_DATA) / "report" / "expected" / name;
  if (std::getenv("ORB_UPDATE_EXPECTED") != nullptr) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  ASSERT_TRUE(std::filesystem::exists(path)) << "missing expected file " << path;
  const std::string expected = ReadWholeFile(path);
  EXPECT_EQ(actual, expected) << "print file differs from " << path;
}

class ReportInstallation : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("report_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    for (const char* sub : {"DADES", "ddf", "TMP", "LOCALE", "EXE"}) {
      std::filesystem::create_directories(dir_ / sub);
    }
    root_ = dir_.string() + "/";
    session_.RootDir = root_;
    session_.TempDir = root_ + "TMP/";
    session_.ExeDir = root_ + "EXE/";
    session_.Output = "PANTALLA";
    session_.Language = "CAT";
    WriteVoraIni(
        "[Iva0]\r\nHonoraris=21\r\nSuplerts=21\r\n[Iva1]\r\nHonoraris=10\r\nSuplerts=0\r\n"
        "[Ret0]\r\nHonoraris=15\r\n[Ret1]\r\nHonoraris=19\r\n"
        "[Titular]\r\nNom=GESTIO DE FINQUES PRATS   \r\nNIF=ES40123456H\r\n");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void WriteVoraIni(const std::string& content) {
    std::ofstream(dir_ / "Vora.ini", std::ios::binary) << content;
  }
  void WriteFile(const std::string& relative, const std::string& content) {
    std::ofstream(dir_ / relative, std::ios::binary) << content;
  }

  // Writes the five files with the given record images (each list may be empty).
  void WriteData(const std::vector<std::string>& owners,
                 const std::vector<std::string>& properties,
                 const std::vector<std::string>& units,
                 const std::vector<std::string>& collections,
                 const std::vector<std::string>& payments) {
    const std::pair<RecordKind, const std::vector<std::string>*> files[] = {
        {RecordKind::kOwners, &owners},           {RecordKind::kProperties, &properties},
        {RecordKind::kUnits, &units},             {RecordKind::kCollections, &collections},
        {RecordKind::kPayments, &payments}};
    for (const auto& [kind, records] : files) {
      DataFileWriter writer(root_, kind);
      for (const std::string& r : *records) writer.Insert(r);
      ASSERT_EQ(writer.Close(), 0);
    }
  }

  // Runs one report (with print_program_, none unless a test sets one) and returns the
  // print file.
  std::string RunReport(const std::string& date, int from, int to) {
    ReportParameters parameters{PackedDate(date), PackedCode(from), PackedCode(to)};
    return RunReport(parameters);
  }
  std::string RunReport(const ReportParameters& parameters) {
    outcome_ = PrintWith(parameters, nullptr, nullptr);
    const auto print_file = dir_ / "TMP" / "orbprint.tmp";
    // A device standing in for the print file (/dev/full) has no content to read.
    if (!std::filesystem::is_regular_file(print_file)) return "";
    return ReadWholeFile(print_file);
  }

  // One report through `manager` (BTRCALL when null), its lines shown to `observer` when
  // given; the print program is print_program_.
  ReportOutcome PrintWith(const ReportParameters& parameters, RecordManager* manager,
                          ReportLineObserver* observer) {
    QuietDataMessages messages;
    std::unique_ptr<FileTable> table =
        manager == nullptr
            ? std::make_unique<FileTable>(session_, messages)
            : std::make_unique<FileTable>(session_, messages, *manager, [] { return 0.5; });
    ReportFiles files(session_, *table);
    EXPECT_EQ(files.OpenReportFiles(), 0);
    Currency currency;
    currency.SetCurrency("a,E");
    Catalogue catalogue(session_);
    UserSettings settings(session_.RootDir + "Vora.ini");
    SessionReportText text(session_, catalogue, currency, settings);
    PrintFile print(session_);
    ReportServices services{session_, files, print, currency, text, print_program_};
    ReportOutcome outcome = PrintOneReport(services, parameters, observer);
    files.CloseReportFiles();
    return outcome;
  }

  std::filesystem::path dir_;
  std::string root_;
  Session session_;
  FixedClock clock_{CalendarDate{2026, 12, 8}};
  ReportOutcome outcome_;
  PrintProgramStarter print_program_;
};

}  // namespace orb::testing
