// The batch entry's options and the form's checks on the typed selection.
#include "app/batch.h"

#include <gtest/gtest.h>

#include "format/packed_digits.h"

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
      {{"--statements", " "}, "need a name"},
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
