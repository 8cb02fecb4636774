// The batch entry's options and the form's checks on the typed selection.
#include "app/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "format/packed_digits.h"
#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/file_system.h"
#include "ui/form_loader.h"

namespace orb {
namespace {

TEST(BatchArgumentsTest, RecognisesTheOptionsAndTheirValues) {
  BatchRequest request;
  std::string error;
  EXPECT_EQ(ParseBatchArguments({}, request, error), BatchArguments::kNone);
  EXPECT_EQ(ParseBatchArguments({"--session"}, request, error), BatchArguments::kNone);
  EXPECT_EQ(ParseBatchArguments({"--to", "9", "--date", "", "--from", "1",
                                 "--no-print-program"},
                                request, error),
            BatchArguments::kBatch);
  EXPECT_EQ(request.Date, "");
  EXPECT_EQ(request.From, "1");
  EXPECT_EQ(request.To, "9");
  EXPECT_FALSE(request.StartPrintProgram);
}

TEST(BatchArgumentsTest, RefusesMissingRepeatedAndValuelessOptions) {
  std::string error;
  BatchRequest a;
  EXPECT_EQ(ParseBatchArguments({"--date", "1/1/26", "--from", "1"}, a, error),
            BatchArguments::kError);
  EXPECT_NE(error.find("--to"), std::string::npos);
  BatchRequest b;
  EXPECT_EQ(ParseBatchArguments({"--date", "1/1/26", "--from", "1", "--to"}, b, error),
            BatchArguments::kError);
  EXPECT_EQ(error, "--to needs a value");
  BatchRequest c;
  EXPECT_EQ(ParseBatchArguments({"--from", "1", "--from", "2"}, c, error),
            BatchArguments::kError);
  BatchRequest d;
  EXPECT_EQ(ParseBatchArguments({"--no-print-program"}, d, error), BatchArguments::kError);
}

TEST(BatchArgumentsTest, MonthEndOutputs) {
  const std::vector<std::string> base = {"--date", "31/12/2026", "--from", "1", "--to", "9999"};
  auto parse = [&](std::vector<std::string> extra, BatchRequest& request, std::string& error) {
    std::vector<std::string> arguments = base;
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return ParseBatchArguments(arguments, request, error);
  };
  BatchRequest r;
  std::string error;
  ASSERT_EQ(parse({"--statements", "/srv/estats", "--export", "m.xlsx", "--mail", "c.csv",
                   "--resend"},
                  r, error),
            BatchArguments::kBatch)
      << error;
  EXPECT_EQ(r.Statements, "/srv/estats");
  EXPECT_EQ(r.Export, "m.xlsx");
  EXPECT_EQ(r.Mail, "c.csv");
  EXPECT_TRUE(r.Resend);
  EXPECT_TRUE(r.StartPrintProgram);
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"--mail", "c.csv"}, "--mail needs --statements"},
      {{"--statements", "d", "--resend"}, "--resend goes with --mail"},
      {{"--export", "a.csv", "--export", "b.csv"}, "--export given twice"},
      {{"--statements", " "}, "--statements needs a name that is not blank"},
      {{"--export"}, "--export needs a value"},
  };
  for (const auto& [extra, reason] : refused) {
    BatchRequest b;
    EXPECT_EQ(parse(extra, b, error), BatchArguments::kError) << extra.front();
    EXPECT_NE(error.find(reason), std::string::npos) << error;
  }
  BatchRequest alone;
  EXPECT_EQ(ParseBatchArguments({"--statements", "d"}, alone, error), BatchArguments::kError);
}

TEST(BatchArgumentsTest, AnythingBesideTheBatchOptionsIsRefused) {
  std::string error;
  BatchRequest a;
  EXPECT_EQ(ParseBatchArguments({"--date", "1/1/26", "--from", "1", "--to", "2", "--typo"}, a,
                                error),
            BatchArguments::kError);
  EXPECT_EQ(error, "unknown option '--typo' beside the batch options");
  BatchRequest b;
  EXPECT_EQ(ParseBatchArguments({"--session", "--date", "1/1/26", "--from", "1", "--to", "2"}, b,
                                error),
            BatchArguments::kError);
  EXPECT_NE(error.find("'--session'"), std::string::npos);
  BatchRequest c;
  EXPECT_EQ(ParseBatchArguments({"--date", "1/1/26", "--from", "1", "--to", "2", "extra"}, c,
                                error),
            BatchArguments::kError);
  EXPECT_EQ(error, "unexpected argument 'extra' beside the batch options");
}

TEST(BatchArgumentsTest, WaitTakesWholeSecondsWithinADay) {
  const std::vector<std::string> base = {"--date", "1/1/26", "--from", "1", "--to", "2"};
  std::string error;
  BatchRequest defaults;
  ASSERT_EQ(ParseBatchArguments(base, defaults, error), BatchArguments::kBatch);
  EXPECT_EQ(defaults.WaitSeconds, kDefaultBatchWaitSeconds);
  for (const auto& [text, seconds] : std::vector<std::pair<std::string, int>>{
           {"0", 0}, {"90", 90}, {"86400", 86400}}) {
    BatchRequest r;
    auto arguments = base;
    arguments.insert(arguments.end(), {"--wait", text});
    ASSERT_EQ(ParseBatchArguments(arguments, r, error), BatchArguments::kBatch) << text;
    EXPECT_EQ(r.WaitSeconds, seconds);
  }
  for (const char* bad : {"", "-1", "1.5", "86401", "99999999999", "ten"}) {
    BatchRequest r;
    auto arguments = base;
    arguments.insert(arguments.end(), {"--wait", bad});
    EXPECT_EQ(ParseBatchArguments(arguments, r, error), BatchArguments::kError) << bad;
    EXPECT_NE(error.find("--wait"), std::string::npos);
  }
}

TEST(BatchFieldLengthsTest, TextsLongerThanTheFormsFieldsAreRefused) {
  FormTable form;
  const FormLoadResult loaded = LoadForm(std::string(ORB_TEST_DATA) + "/../demo/FORMS/RPTCARRY.OPN",
                                         [](const std::string& t) { return t; }, "", form);
  ASSERT_TRUE(loaded.ok) << loaded.error;
  std::string error;
  EXPECT_TRUE(FitsSelectionFields({"31/12/2026", "9999", "16  "}, form, error));
  EXPECT_TRUE(FitsSelectionFields({"", " 1", "  "}, form, error));
  EXPECT_FALSE(FitsSelectionFields({"31/12/2026", "10016", "10016"}, form, error));
  EXPECT_EQ(error, "first owner (--from): \"10016\" is longer than the 4 characters the form's "
                   "field holds");
  EXPECT_FALSE(FitsSelectionFields({"31/12/2026", "1", " 9999"}, form, error));
  EXPECT_NE(error.find("--to"), std::string::npos);
  EXPECT_FALSE(FitsSelectionFields({"31/12/20266", "1", "2"}, form, error));
  EXPECT_NE(error.find("--date"), std::string::npos);
}

// The batch entry on a copy of the demo installation (its data files created empty).
class BatchRunTest : public ::testing::Test {
 protected:
  BatchRunTest() {
    dir_ = std::filesystem::temp_directory_path() /
           ("batch_run_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::copy(std::filesystem::path(ORB_TEST_DATA) / ".." / "demo", dir_,
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(dir_ / "data");
    session_.RootDir = dir_.string() + "/";
    session_.TempDir = dir_.string() + "/TMP/";
    session_.ExeDir = dir_.string() + "/EXE/";
    session_.Output = "PANTALLA";
  }
  ~BatchRunTest() override { std::filesystem::remove_all(dir_); }

  int Run(BatchRequest request) {
    err_.str("");
    return RunBatchReport(session_, request, clock_, err_);
  }

  std::filesystem::path dir_;
  Session session_;
  FixedClock clock_{CalendarDate{2026, 12, 8}};
  std::ostringstream err_;
};

TEST_F(BatchRunTest, MissingDataFilesAreCreatedAndSaidSo) {
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", false}), kBatchOk);
  for (const char* name : {"PropietV", "FinquesV", "DepartaV", "CobramV", "PagamV"}) {
    EXPECT_NE(err_.str().find(std::string("DADES\\") + name +
                              " was missing and has been created empty from its dictionary"),
              std::string::npos)
        << err_.str();
  }
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", false}), kBatchOk);
  EXPECT_EQ(err_.str(), "");  // nothing to say the second time
}

TEST_F(BatchRunTest, AFileHeldByAnotherProgramIsWaitedForUpToTheLimit) {
  ASSERT_EQ(Run({"31/12/2026", "1", "9999", false}), kBatchOk);
  // Another program opens the owners' file exclusively.
  uint8_t block[128] = {};
  char owner[5] = {'V', 'O', 'R', 'A', 0};
  uint32_t owner_length = sizeof owner;
  std::string path = session_.RootDir + "DADES\\PropietV.dat";
  ASSERT_EQ(BTRCALL(kBtrOpen, block, owner, &owner_length, path.data(),
                    static_cast<uint8_t>(path.size()), -4),
            0);
  std::filesystem::remove(dir_ / "TMP" / "orbprint.tmp");
  BatchRequest request{"31/12/2026", "1", "9999", false};
  request.WaitSeconds = 0;
  EXPECT_EQ(Run(request), kBatchFileBusy);
  EXPECT_NE(err_.str().find("DADES\\PropietV is held by another program; gave up waiting after "
                            "0 s (--wait 0)"),
            std::string::npos)
      << err_.str();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "TMP" / "orbprint.tmp"));
  // The batch run's Reset has released every file of this process, the holder's too.
  uint32_t none = 0;
  BTRCALL(kBtrClose, block, nullptr, &none, nullptr, 0, 0);
  EXPECT_EQ(Run(request), kBatchOk);
}

std::optional<int64_t> OnNfs(const std::string&) { return 0x6969; }

// Data files on a network file system: the report does not run, and says why and what
// to do instead.
TEST_F(BatchRunTest, DataFilesOnANetworkFileSystemAreRefusedWithTheReason) {
  ASSERT_EQ(Run({"31/12/2026", "1", "9999", false}), kBatchOk);
  std::filesystem::remove(dir_ / "TMP" / "orbprint.tmp");
  const btr::FileSystemTypeProbe previous = btr::SetFileSystemTypeProbe(OnNfs);
  const int code = Run({"31/12/2026", "1", "9999", false});
  btr::SetFileSystemTypeProbe(previous);
  EXPECT_EQ(code, kBatchFailed);
  EXPECT_NE(err_.str().find("(94)"), std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("PropietV.dat is on a network file system (NFS)"),
            std::string::npos) << err_.str();
  EXPECT_NE(err_.str().find("[Dades] Servidor"), std::string::npos) << err_.str();
  EXPECT_FALSE(std::filesystem::exists(dir_ / "TMP" / "orbprint.tmp"));
}

TEST_F(BatchRunTest, AFormFileThatCannotBeUsedEndsWithItsCode) {
  std::filesystem::remove(dir_ / "FORMS" / "RPTCARRY.OPN");
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", false}), kBatchBadForm);
  EXPECT_NE(err_.str().find("RPTCARRY.OPN"), std::string::npos) << err_.str();
}

TEST_F(BatchRunTest, ThePrintProgramDecidesTheExitCode) {
  std::filesystem::create_directories(dir_ / "EXE");
  const auto program = dir_ / "EXE" / "ORBPRINT";
  auto write_program = [&program](const std::string& body) {
    std::ofstream(program) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
  };
  const std::string outcome = " > '" + (dir_ / "TMP" / "orbprint.msg").string() + "'";
  write_program("printf 'enviat a la cua\\r\\n'" + outcome + "; exit 0");
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", true}), kBatchOk);
  write_program("printf 'no es pot escriure X: Permission denied\\r\\n'" + outcome + "; exit 1");
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", true}), kBatchNotPrinted);
  EXPECT_NE(err_.str().find("(ESTAT 1): no es pot escriure X: Permission denied"),
            std::string::npos)
      << err_.str();
  // A word left by an earlier run is not taken for this run's.
  write_program("exit 2");
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", true}), kBatchNotPrinted);
  EXPECT_NE(err_.str().find("(ESTAT 2): " + program.string()), std::string::npos) << err_.str();
  std::filesystem::remove(program);
  EXPECT_EQ(Run({"31/12/2026", "1", "9999", true}), kBatchNotPrinted);
  EXPECT_NE(err_.str().find("ORBPRINT: No such file or directory"), std::string::npos)
      << err_.str();
}

class BatchParametersTest : public ::testing::Test {
 protected:
  bool Check(const std::string& date, const std::string& from, const std::string& to) {
    BatchRequest request{date, from, to, false};
    error_.clear();
    return BatchParameters(request, session_, clock_, parameters_, error_);
  }
  Session session_;
  FixedClock clock_{CalendarDate{2026, 12, 8}};
  ReportParameters parameters_;
  std::string error_;
};

TEST_F(BatchParametersTest, TypedTextsBecomePackedParameters) {
  ASSERT_TRUE(Check("31.12.26", " 1 ", "9999"));
  EXPECT_EQ(parameters_.ReportDate, PackDigits("20261231"));
  EXPECT_EQ(parameters_.FromOwnerKey, PackDigits("0001"));
  EXPECT_EQ(parameters_.ToOwnerKey, PackDigits("9999"));
  ASSERT_TRUE(Check("311226", "5", "5"));  // one owner
  EXPECT_EQ(parameters_.FromOwnerKey, parameters_.ToOwnerKey);
}

TEST_F(BatchParametersTest, ABlankDateTakesTheWorkingDate) {
  session_.WorkDate = PackDigits("20260630");
  ASSERT_TRUE(Check("  ", "1", "2"));
  EXPECT_EQ(parameters_.ReportDate, PackDigits("20260630"));
  session_.WorkDate.clear();
  EXPECT_FALSE(Check("", "1", "2"));  // no working date either
}

TEST_F(BatchParametersTest, RefusalsNameTheField) {
  EXPECT_FALSE(Check("29/02/2026", "1", "2"));
  EXPECT_NE(error_.find("--date"), std::string::npos);
  EXPECT_FALSE(Check("1/2", "1", "2"));
  EXPECT_FALSE(Check("1/1/2026", "-1", "2"));
  EXPECT_NE(error_.find("--from"), std::string::npos);
  EXPECT_FALSE(Check("1/1/2026", "1", "2.5"));
  EXPECT_NE(error_.find("--to"), std::string::npos);
  EXPECT_FALSE(Check("1/1/2026", "10", "9"));
  EXPECT_NE(error_.find("owner range"), std::string::npos);
}

}  // namespace
}  // namespace orb
