// ReportReads: the report walk's reads of its five files, each status judged. A read
// gives a record (0; 22, a record longer than the area, counts as read), a normal end
// (4 key not found, 9 end of file), or a failure: any other status (an I/O error, a
// full disk, the data server lost, a file or record another program holds...). The
// first failure is kept with its file, operation and status; from then on every read
// answers "no record" without reaching the files, so the walk's loops end at once and
// the report is known to be unfinished.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "report/report_files.h"

namespace orb {

enum class ReadOperation {
  kSearch,  // the first record by key (GetByKey)
  kStep,    // the next record along the key (StepRecords)
};

struct ReadFailure {
  std::string file;  // the data file as the program opened it (root + "DADES\CobramV")
  ReadOperation operation = ReadOperation::kSearch;
  int16_t status = 0;
};

// False for a record (0, 22) and the normal ends (4, 9); true for every other status.
bool IsReadFailure(int16_t status);

// For the error stream (code page 850): "cannot read the data file F (stepping to the
// next record): I/O error (status 2)".
std::string DescribeReadFailure(const ReadFailure& failure);

class ReportReads {
 public:
  explicit ReportReads(ReportFiles& files) : files_(files) {}
  ReportReads(const ReportReads&) = delete;
  ReportReads& operator=(const ReportReads&) = delete;

  // GetByKey on key 0 (mode as GetByKey's); true when a record was read.
  bool Search(int16_t file_no, std::string_view key, int16_t mode);
  // StepRecords by one; true when a record was read.
  bool Next(int16_t file_no);

  bool Failed() const { return failure_.has_value(); }
  const std::optional<ReadFailure>& Failure() const { return failure_; }
  ReportFiles& Files() { return files_; }

 private:
  bool Judge(int16_t file_no, ReadOperation operation, int16_t status);

  ReportFiles& files_;
  std::optional<ReadFailure> failure_;
};

}  // namespace orb
