// DataFileAccess: one data file opened through the record manager for the data tool,
// closed when the object goes. Every call returns the record manager's status.
#pragma once

#include <cstdint>
#include <string>

namespace orb::orbdata {

class DataFileAccess {
 public:
  DataFileAccess() = default;
  ~DataFileAccess();
  DataFileAccess(const DataFileAccess&) = delete;
  DataFileAccess& operator=(const DataFileAccess&) = delete;

  // Creates `path` (a suite name) from create definition bytes; never overwrites.
  static int16_t Create(const std::string& path, const std::string& definition);

  int16_t Open(const std::string& path);
  int16_t Close();
  // The Stat block (1536 bytes).
  int16_t Stat(std::string& block);
  // First, then next records along key 0; `record` gets the bytes returned.
  int16_t First(std::string& record);
  int16_t Next(std::string& record);
  // Exact read along key 0; the record is not kept.
  int16_t FindEqual(const std::string& key);
  // Adds a record (the buffer is the record manager's while it works).
  int16_t Insert(std::string& record);
  // Bulk load: the inserts between these two are written at once, at EndBulk.
  int16_t BeginBulk();
  int16_t EndBulk();

 private:
  int16_t Read(uint16_t operation, std::string& record);

  uint8_t block_[128] = {};
  bool open_ = false;
  std::string key_;
};

// Record manager statuses in words, for messages.
std::string StatusText(int16_t status);

}  // namespace orb::orbdata
