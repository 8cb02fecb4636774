#include "report/report_reads.h"

#include "data/file_table.h"
#include "data/status_cause.h"
#include "platform/btrieve/btrieve.h"

namespace orb {

bool IsReadFailure(int16_t status) {
  switch (status) {
    case kBtrOk:
    case kBtrDataBufferTooShort:
    case kBtrKeyNotFound:
    case kBtrEndOfFile:
      return false;
    default:
      return true;
  }
}

std::string DescribeReadFailure(const ReadFailure& failure) {
  std::string text = "cannot read the data file " + failure.file +
                     (failure.operation == ReadOperation::kSearch
                          ? " (searching by key): "
                          : " (stepping to the next record): ");
  const StatusCause cause = CauseOf(failure.status);
  if (!cause.english.empty()) text += std::string(cause.english) + " ";
  return text + "(status " + std::to_string(failure.status) + ")";
}

bool ReportReads::Search(int16_t file_no, std::string_view key, int16_t mode) {
  if (failure_) return false;
  int16_t status = 0;
  files_.Files().GetByKey(file_no, 0, key, mode, status);
  return Judge(file_no, ReadOperation::kSearch, status);
}

bool ReportReads::Next(int16_t file_no) {
  if (failure_) return false;
  int16_t status = 0;
  files_.Files().StepRecords(file_no, 1, status);
  return Judge(file_no, ReadOperation::kStep, status);
}

bool ReportReads::Judge(int16_t file_no, ReadOperation operation, int16_t status) {
  if (status == kBtrOk || status == kBtrDataBufferTooShort) return true;
  if (IsReadFailure(status)) failure_ = ReadFailure{files_.FileName(file_no), operation, status};
  return false;
}

}  // namespace orb
