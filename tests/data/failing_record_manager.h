// A record manager that passes every call on to the program's own (BTRCALL, over real
// data files) and makes one read fail: the nth get of a chosen kind on the data file
// whose path ends in a chosen name answers a chosen status instead, without reaching
// the file. It counts the gets that come after the failure, so that a test can tell
// that the caller stopped there.
#pragma once

#include <cstring>
#include <map>
#include <string>

#include "data/file_table.h"
#include "platform/btrieve/btrieve.h"

namespace orb::testing {

class FailingRecordManager : public RecordManager {
 public:
  // Which read fails: on `file` (a base name, "CobramV"), the `nth` (from 1) get whose
  // operation is `operation` (any get when 0), with `status`.
  std::string file;
  uint16_t operation = 0;
  int nth = 1;
  int16_t status = kBtrIoError;

  bool Failed() const { return failed_; }
  int GetsAfterFailure() const { return gets_after_failure_; }

  int16_t Call(uint16_t op, void* position_block, void* data_buffer, uint32_t* data_length,
               void* key_buffer, uint8_t key_length, int8_t key_number) override {
    const uint16_t base = op >= kBtrSingleNoWaitLock ? op - kBtrSingleNoWaitLock : op;
    if (op == kBtrOpen && key_buffer != nullptr) {
      paths_[position_block] =
          std::string(static_cast<const char*>(key_buffer), strnlen(static_cast<const char*>(key_buffer), key_length));
    }
    if (op == kBtrReset) paths_.clear();
    const bool get = base >= kBtrGetEqual && base <= kBtrGetLast;
    if (get && failed_) ++gets_after_failure_;
    if (get && !failed_ && OnChosenFile(position_block) &&
        (operation == 0 || base == operation) && ++seen_ == nth) {
      failed_ = true;
      return status;
    }
    return BTRCALL(op, position_block, data_buffer, data_length, key_buffer, key_length,
                   key_number);
  }

 private:
  bool OnChosenFile(void* position_block) const {
    const auto found = paths_.find(position_block);
    if (found == paths_.end()) return false;
    const std::string ending = file + ".dat";
    const std::string& path = found->second;
    return path.size() >= ending.size() &&
           path.compare(path.size() - ending.size(), ending.size(), ending) == 0;
  }

  std::map<void*, std::string> paths_;
  int seen_ = 0;
  bool failed_ = false;
  int gets_after_failure_ = 0;
};

}  // namespace orb::testing
