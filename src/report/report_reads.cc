#include "report/report_reads.h"

#include "data/file_table.h"
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

ReadCause ReadFailureCause(int16_t status) {
  switch (status) {
    case kBtrIoError:
      return {"I/O error", "ERROR DE LECTURA O ESCRIPTURA"};
    case kDataFileNotOpen:
      return {"the file is not open", "EL FITXER NO \x90S OBERT"};
    case kBtrFileNotFound:
      return {"the file does not exist", "EL FITXER NO EXISTEIX"};
    case kBtrDiskFull:
      return {"the disk is full", "DISC PLE"};
    case kBtrServerUnavailable:
      return {"the connection to the data server was lost",
              "S'HA PERDUT LA CONNEXI\xe0 AMB EL SERVIDOR DE DADES"};
    case kBtrNotABtrieveFile:
      return {"not a data file", "NO \x90S UN FITXER DE DADES"};
    case kBtrAccessDenied:
      return {"access denied", "ACC\x90S DENEGAT"};
    case kBtrNetworkFileSystem:
      return {"the data file is on a network file system",
              "EL FITXER DE DADES \x90S EN UN SISTEMA DE FITXERS DE XARXA"};
    case kBtrRecordInUse:
      return {"a record is locked by another program",
              "REGISTRE BLOQUEJAT PER UN ALTRE PROGRAMA"};
    case kBtrFileInUse:
      return {"the file is held by another program", "FITXER EN \xe9S PER UN ALTRE PROGRAMA"};
    default:
      return {};
  }
}

std::string DescribeReadFailure(const ReadFailure& failure) {
  std::string text = "cannot read the data file " + failure.file +
                     (failure.operation == ReadOperation::kSearch
                          ? " (searching by key): "
                          : " (stepping to the next record): ");
  const ReadCause cause = ReadFailureCause(failure.status);
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
