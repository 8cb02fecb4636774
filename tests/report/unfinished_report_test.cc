// A read that fails part of the way through the report stops the walk there: the
// lines printed so far are whole lines with whole figures, no total follows, the
// print program is not started and the outcome names the data file, the operation
// and the status. A normal end (key not found, end of file) is no failure.
#include <string>
#include <vector>

#include "../data/failing_record_manager.h"
#include "format/packed_digits.h"
#include "report_fixture.h"
#include "three_owners.h"

namespace orb::testing {
namespace {

// The lines the report hands on, as (kind, owner, property).
class LineLog : public ReportLineObserver {
 public:
  void OnReportLine(const ReportLine& line) override {
    const auto code = [](std::string_view packed) {
      return packed.empty() ? 0 : std::stoi(UnpackDigits(packed));
    };
    const char kind = line.kind == ReportLineKind::kProperty     ? 'P'
                      : line.kind == ReportLineKind::kOwnerTotal ? 'T'
                                                                 : 'G';
    lines.push_back({kind, code(line.owner_code), code(line.property_code)});
  }
  std::vector<WalkLine> lines;
};

class UnfinishedReportTest : public ReportInstallation {
 protected:
  void SetUp() override {
    ReportInstallation::SetUp();
    WriteThreeOwners(root_);
  }

  // One report over owners 1 to 9999 through `manager`; what the print program and the
  // observer were given.
  ReportOutcome Run(FailingRecordManager& manager) {
    print_program_runs_ = 0;
    print_program_ = [this](const Session&) {
      ++print_program_runs_;
      return PrintProgramRun{0, "", ""};
    };
    log_.lines.clear();
    return PrintWith({PackedDate("20261231"), PackedCode(1), PackedCode(9999)}, &manager, &log_);
  }

  static std::vector<WalkLine> FirstLines(size_t count) {
    return {kThreeOwnersLines.begin(), kThreeOwnersLines.begin() + count};
  }

  int print_program_runs_ = 0;
  LineLog log_;
};

TEST_F(UnfinishedReportTest, AFailedReadOfAnyFileStopsTheWalkThere) {
  struct Case {
    const char* file;
    uint16_t operation;
    int nth;
    int16_t status;
    ReadOperation told;
    size_t lines_before;  // of kThreeOwnersLines
    const char* cause;
  };
  const Case cases[] = {
      // Stepping from owner 2 to owner 3: owners 1 and 2 are whole, no grand total.
      {"PropietV", kBtrGetNext, 2, kBtrIoError, ReadOperation::kStep, 5, "I/O error"},
      // The very first owner: nothing at all is printed.
      {"PropietV", kBtrGetGreaterOrEqual, 1, kBtrIoError, ReadOperation::kSearch, 0,
       "I/O error"},
      // Owner 1's second property: neither it nor the owner's total is printed.
      {"FinquesV", kBtrGetEqual, 2, kBtrServerUnavailable, ReadOperation::kSearch, 1,
       "the connection to the data server was lost"},
      // Inside property 201 (owner 2), on each of the files read for a property.
      {"DepartaV", kBtrGetNext, 3, kBtrDiskFull, ReadOperation::kStep, 3, "the disk is full"},
      {"CobramV", kBtrGetNext, 4, kBtrIoError, ReadOperation::kStep, 3, "I/O error"},
      {"CobramV", kBtrGetNext, 2, kBtrIoError, ReadOperation::kStep, 0, "I/O error"},
      {"PagamV", kBtrGetNext, 2, kBtrFileInUse, ReadOperation::kStep, 3,
       "the file is held by another program"},
      // Property 301's payments, after owner 2's total.
      {"PagamV", kBtrGetGreaterOrEqual, 4, kBtrRecordInUse, ReadOperation::kSearch, 5,
       "a record is locked by another program"},
      // A status without words of its own.
      {"DepartaV", kBtrGetGreaterOrEqual, 1, kBtrInvalidKeyNumber, ReadOperation::kSearch, 0,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " operation " + std::to_string(c.operation) + " #" +
                 std::to_string(c.nth) + " status " + std::to_string(c.status));
    FailingRecordManager manager;
    manager.file = c.file;
    manager.operation = c.operation;
    manager.nth = c.nth;
    manager.status = c.status;
    const ReportOutcome outcome = Run(manager);
    ASSERT_TRUE(manager.Failed());
    EXPECT_EQ(manager.GetsAfterFailure(), 0);  // not one read more, on any file
    ASSERT_TRUE(outcome.read_failure.has_value());
    EXPECT_EQ(outcome.read_failure->file, root_ + "DADES\\" + c.file);
    EXPECT_EQ(outcome.read_failure->operation, c.told);
    EXPECT_EQ(outcome.read_failure->status, c.status);
    EXPECT_FALSE(outcome.Whole());
    EXPECT_TRUE(outcome.print_file_written);
    EXPECT_FALSE(outcome.print_program_started);
    EXPECT_EQ(print_program_runs_, 0);
    EXPECT_EQ(log_.lines, FirstLines(c.lines_before));
    const std::string& told = outcome.read_message;
    EXPECT_NE(told.find("DADES\\" + std::string(c.file)), std::string::npos) << told;
    EXPECT_NE(told.find(std::string(c.cause) + (*c.cause ? " " : "") + "(status " +
                        std::to_string(c.status) + ")"),
              std::string::npos)
        << told;
    EXPECT_NE(told.find("not finished"), std::string::npos) << told;
  }
}

TEST_F(UnfinishedReportTest, KeyNotFoundAndEndOfFileAreNormalEnds) {
  FailingRecordManager none;
  none.file = "NoSuchFile";
  ReportOutcome outcome = Run(none);
  EXPECT_FALSE(none.Failed());
  EXPECT_TRUE(outcome.Whole());
  EXPECT_EQ(log_.lines, kThreeOwnersLines);
  EXPECT_EQ(print_program_runs_, 1);

  // The owners' file ends after owner 1: a shorter report, finished and printed.
  FailingRecordManager short_owners;
  short_owners.file = "PropietV";
  short_owners.operation = kBtrGetNext;
  short_owners.status = kBtrEndOfFile;
  outcome = Run(short_owners);
  EXPECT_TRUE(outcome.Whole());
  EXPECT_FALSE(outcome.read_failure.has_value());
  EXPECT_EQ(log_.lines, (std::vector<WalkLine>{{'P', 1, 101}, {'P', 1, 102}, {'T', 1, 0},
                                               {'G', 0, 0}}));
  EXPECT_EQ(print_program_runs_, 1);

  // Property 102 is not found: skipped, as an unknown entry of the property list is.
  FailingRecordManager unknown_property;
  unknown_property.file = "FinquesV";
  unknown_property.operation = kBtrGetEqual;
  unknown_property.nth = 2;
  unknown_property.status = kBtrKeyNotFound;
  outcome = Run(unknown_property);
  EXPECT_TRUE(outcome.Whole());
  std::vector<WalkLine> without_102 = kThreeOwnersLines;
  without_102.erase(without_102.begin() + 1);
  EXPECT_EQ(log_.lines, without_102);
  EXPECT_EQ(print_program_runs_, 1);
}

}  // namespace
}  // namespace orb::testing
