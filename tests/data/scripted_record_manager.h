// Test doubles for the file table: a record manager that answers from a script and
// records every call, and DataMessages that log what they are asked to do.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "data/file_table.h"

namespace orb::testing {

struct RecordedCall {
  uint16_t operation;
  std::string data;  // the data buffer as sent, data_length bytes
  uint32_t data_length;
  std::string key;   // the key buffer as sent (256 bytes for gets, else key_length)
  uint8_t key_length;
  int8_t key_number;
};

// Answers Stat from `stat_block`, Open/Create/Reset with the next scripted status
// (0 when the script is empty), and gets through `on_get` (status 9 when unset).
class ScriptedRecordManager : public RecordManager {
 public:
  std::string stat_block;             // what Stat returns (padded to 1536)
  std::deque<int16_t> open_statuses;  // for Open
  std::deque<int16_t> create_statuses;
  int16_t reset_status = 0;
  // Gets: operation, data buffer, data length, key buffer; returns the status.
  std::function<int16_t(uint16_t, uint8_t*, uint32_t*, char*)> on_get;
  std::vector<RecordedCall> calls;

  int16_t Call(uint16_t operation, void* position_block, void* data_buffer,
               uint32_t* data_length, void* key_buffer, uint8_t key_length,
               int8_t key_number) override {
    (void)position_block;
    RecordedCall call{operation, "", *data_length, "", key_length, key_number};
    if (data_buffer) call.data.assign(static_cast<char*>(data_buffer), *data_length);
    if (key_buffer) {
      // Gets hand over a whole 256-byte key buffer; the others as long as they say.
      const uint16_t base = operation >= 200 ? operation - 200 : operation;
      const bool get = (base >= 5 && base <= 13) || base == 22 || base == 23;
      call.key.assign(static_cast<char*>(key_buffer), get ? 256 : key_length);
    }
    calls.push_back(call);
    switch (operation) {
      case 0: return Next(open_statuses);
      case 14: return Next(create_statuses);
      case 28: return reset_status;
      case 15: {
        std::string block = stat_block;
        block.resize(1536, '\0');
        std::memcpy(data_buffer, block.data(), 1536);
        return 0;
      }
      default:
        if (!on_get) return 9;
        return on_get(operation, static_cast<uint8_t*>(data_buffer), data_length,
                      static_cast<char*>(key_buffer));
    }
  }

  std::vector<uint16_t> Operations() const {
    std::vector<uint16_t> out;
    for (const RecordedCall& call : calls) out.push_back(call.operation);
    return out;
  }

 private:
  static int16_t Next(std::deque<int16_t>& script) {
    if (script.empty()) return 0;
    const int16_t status = script.front();
    script.pop_front();
    return status;
  }
};

class LoggingMessages : public DataMessages {
 public:
  std::vector<std::string> log;
  void ShowMessage(int16_t row, const std::string& text) override {
    log.push_back("show " + std::to_string(row) + " " + text);
  }
  void HideMessage() override { log.push_back("hide"); }
  void Beep() override { log.push_back("beep"); }
  void WaitForKey() override { log.push_back("key"); }
  void EndProgram() override { log.push_back("end"); }
  void Sleep(int32_t milliseconds) override {
    log.push_back("sleep " + std::to_string(milliseconds));
  }

  // Waits for a held file end once this much has been waited; -1: never.
  int32_t wait_limit_ms = -1;
  std::vector<std::string> waits;    // "NAME WAITED" for every question
  std::vector<std::string> created;  // the files created from their dictionaries
  bool KeepWaiting(const std::string& name, int32_t waited_ms) override {
    waits.push_back(name + " " + std::to_string(waited_ms));
    return wait_limit_ms < 0 || waited_ms < wait_limit_ms;
  }
  void FileCreated(const std::string& name) override { created.push_back(name); }
};

// A Stat block: record length, page size, then keys given as lists of
// (length, flags) segments; an optional collating table follows the keys.
std::string MakeStatBlock(uint16_t record_length, uint16_t page_size,
                          const std::vector<std::vector<std::pair<uint16_t, uint16_t>>>& keys,
                          const std::string& collating = "");

}  // namespace orb::testing
