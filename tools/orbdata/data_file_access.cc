#include "data_file_access.h"

#include <cstring>

#include "data/status_cause.h"
#include "platform/btrieve/btrieve.h"

namespace orb::orbdata {
namespace {

constexpr uint32_t kMaxRecord = 65535;

}  // namespace

DataFileAccess::~DataFileAccess() {
  if (open_) Close();
}

int16_t DataFileAccess::Create(const std::string& path, const std::string& definition) {
  std::string spec = definition.substr(0, kStatBufferSize);
  spec.resize(kStatBufferSize, ' ');
  char key[256] = {};
  std::memcpy(key, path.data(), std::min<size_t>(path.size(), 255));
  uint8_t block[kPositionBlockSize] = {};
  uint32_t length = kStatBufferSize;
  return BTRCALL(kBtrCreate, block, spec.data(), &length, key,
                 static_cast<uint8_t>(std::min<size_t>(path.size(), 255)), -1);
}

int16_t DataFileAccess::Open(const std::string& path) {
  if (path.size() > 255) return kBtrFileNotFound;
  char key[256] = {};
  std::memcpy(key, path.data(), path.size());
  char owner[1] = {};
  uint32_t length = 0;
  const int16_t status = BTRCALL(kBtrOpen, block_, owner, &length, key,
                                 static_cast<uint8_t>(path.size()), 0);
  open_ = status == kBtrOk;
  return status;
}

int16_t DataFileAccess::Close() {
  uint8_t none[1] = {};
  uint32_t length = 0;
  const int16_t status = BTRCALL(kBtrClose, block_, none, &length, none, 0, 0);
  open_ = false;
  return status;
}

int16_t DataFileAccess::Stat(std::string& block) {
  block.assign(kStatBufferSize, '\0');
  char key[256];
  std::memset(key, ' ', sizeof key);
  uint32_t length = kStatBufferSize;
  return BTRCALL(kBtrStat, block_, block.data(), &length, key, 255, 0);
}

int16_t DataFileAccess::Read(uint16_t operation, std::string& record) {
  record.assign(kMaxRecord, '\0');
  uint32_t length = kMaxRecord;
  key_.assign(256, '\0');
  const int16_t status = BTRCALL(operation, block_, record.data(), &length, key_.data(),
                                 255, 0);
  record.resize(status == kBtrOk ? std::min(length, kMaxRecord) : 0);
  return status;
}

int16_t DataFileAccess::First(std::string& record) { return Read(kBtrGetFirst, record); }
int16_t DataFileAccess::Next(std::string& record) { return Read(kBtrGetNext, record); }

int16_t DataFileAccess::FindEqual(const std::string& key) {
  std::string record(kMaxRecord, '\0');
  uint32_t length = kMaxRecord;
  std::string buffer = key;
  buffer.resize(256, '\0');
  return BTRCALL(kBtrGetEqual, block_, record.data(), &length, buffer.data(),
                 static_cast<uint8_t>(std::min<size_t>(key.size(), 255)), 0);
}

int16_t DataFileAccess::Insert(std::string& record) {
  uint32_t length = static_cast<uint32_t>(record.size());
  char key[1] = {};  // key number -1: nothing comes back, nothing becomes current
  return BTRCALL(kBtrInsert, block_, record.data(), &length, key, 0, -1);
}

int16_t DataFileAccess::BeginBulk() { return BtrBeginBulk(block_); }
int16_t DataFileAccess::EndBulk() { return BtrEndBulk(block_); }

std::string StatusText(int16_t status) {
  const std::string_view text = CauseOf(status).english;
  std::string out = "status " + std::to_string(status);
  if (!text.empty()) out += ": " + std::string(text);
  if (status == kBtrServerUnavailable || status == kBtrIoError) {
    if (const std::string why = BtrLastServerError(); !why.empty()) out += " - " + why;
  }
  return out;
}

}  // namespace orb::orbdata
