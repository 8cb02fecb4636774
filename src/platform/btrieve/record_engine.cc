#include "platform/btrieve/record_engine.h"

#include <climits>
#include <cstring>
#include <random>

#include <filesystem>

#include "platform/btrieve/btrieve.h"
#include "platform/btrieve/installation_name.h"

namespace orb::btr {
namespace {

constexpr char kBlockTag[4] = {'O', 'r', 'b', 'P'};
constexpr uint16_t kLockBias = kBtrSingleNoWaitLock;

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool IsGet(uint16_t op) {
  return (op >= kBtrGetEqual && op <= kBtrGetLast) || op == kBtrGetPosition ||
         op == kBtrGetDirect;
}

Seek SeekOf(uint16_t op) {
  switch (op) {
    case kBtrGetEqual: return Seek::kEqual;
    case kBtrGetNext: return Seek::kNext;
    case kBtrGetPrevious: return Seek::kPrevious;
    case kBtrGetGreater: return Seek::kGreater;
    case kBtrGetGreaterOrEqual: return Seek::kGreaterOrEqual;
    case kBtrGetLess: return Seek::kLess;
    case kBtrGetLessOrEqual: return Seek::kLessOrEqual;
    case kBtrGetFirst: return Seek::kFirst;
    default: return Seek::kLast;
  }
}

// The file name in a key buffer: at most key_length bytes, up to the first zero byte.
std::string NameFrom(const void* key_buffer, uint8_t key_length) {
  if (key_buffer == nullptr) return {};
  const auto* p = static_cast<const char*>(key_buffer);
  const void* zero = std::memchr(p, 0, key_length);
  const size_t n = zero ? static_cast<size_t>(static_cast<const char*>(zero) - p) : key_length;
  std::string name(p, n);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace

RecordEngine::RecordEngine() {
  std::random_device rd;
  cookie_ = (uint64_t{rd()} << 32) ^ rd();
  if (cookie_ == 0) cookie_ = 1;
}

RecordEngine::~RecordEngine() = default;

uint32_t RecordEngine::HandleOf(const void* position_block) const {
  if (position_block == nullptr) return 0;
  const auto* b = static_cast<const uint8_t*>(position_block);
  if (std::memcmp(b, kBlockTag, 4) != 0) return 0;
  uint64_t cookie = 0;
  std::memcpy(&cookie, b + 8, sizeof cookie);
  if (cookie != cookie_) return 0;
  return ReadU32(b + 4);
}

void RecordEngine::Configure(const BtrSettings& settings) {
  if (settings.server != settings_.server ||
      settings.prepare_database != settings_.prepare_database) {
    server_.reset();  // files open on the old server keep their own connections
  }
  settings_ = settings;
}

std::string RecordEngine::LastServerError() const {
  if (server_ && !server_->LastError().empty()) return server_->LastError();
  return sqlite_.LastRefusal();
}

FileEngine& RecordEngine::EngineFor(const std::string& name, std::string& engine_name) {
  engine_name = name;
  if (settings_.server.empty()) return sqlite_;
  std::error_code error;
  const std::string cwd = std::filesystem::current_path(error).string();
  const std::optional<std::string> inside = InstallationName(name, settings_.root, cwd);
  if (!inside) return sqlite_;
  if (!server_) {
    server_ = std::make_unique<pg::PgFiles>(settings_.server, settings_.prepare_database);
  }
  engine_name = *inside;
  return *server_;
}

int16_t RecordEngine::Remove(const std::string& name) {
  if (name.empty()) return kBtrFileNotFound;
  std::string engine_name;
  FileEngine& engine = EngineFor(name, engine_name);
  return engine.Remove(engine_name);
}

int16_t RecordEngine::ListServerFiles(std::vector<std::string>& names) {
  names.clear();
  if (settings_.server.empty()) return kBtrServerUnavailable;
  if (!server_) {
    server_ = std::make_unique<pg::PgFiles>(settings_.server, settings_.prepare_database);
  }
  return server_->List(names);
}

OpenFile* RecordEngine::Find(const void* position_block) const {
  const uint32_t handle = HandleOf(position_block);
  if (handle == 0) return nullptr;
  Recent& recent = recent_[handle % recent_.size()];
  if (recent.handle == handle) return recent.file;
  const auto it = open_.find(handle);
  if (it == open_.end()) return nullptr;
  recent = {handle, it->second.get()};
  return recent.file;
}

void RecordEngine::Forget(uint32_t handle) {
  Recent& recent = recent_[handle % recent_.size()];
  if (recent.handle == handle) recent = {};
  open_.erase(handle);
}

int16_t RecordEngine::Call(uint16_t operation, void* position_block, void* data_buffer,
                           uint32_t* data_length, void* key_buffer, uint8_t key_length,
                           int8_t key_number) {
  bool lock = false;
  uint16_t op = operation;
  if (op >= kLockBias && op < kLockBias + 100) {
    op = static_cast<uint16_t>(op - kLockBias);
    if (!IsGet(op)) return kBtrInvalidOperation;
    lock = op != kBtrGetPosition;
  }
  switch (op) {
    case kBtrOpen: return Open(position_block, key_buffer, key_length, key_number);
    case kBtrCreate:
      return Create(data_buffer, data_length ? *data_length : 0, key_buffer, key_length,
                    key_number);
    case kBtrReset: return Reset(position_block);
    case kBtrClose: return Close(position_block);
    default: break;
  }
  const bool known = IsGet(op) || op == kBtrInsert || op == kBtrUpdate ||
                     op == kBtrDelete || op == kBtrStat || op == kBtrUnlock;
  if (!known) return kBtrInvalidOperation;
  OpenFile* file = Find(position_block);
  if (file == nullptr) return kBtrFileNotOpen;
  switch (op) {
    case kBtrStat: return Stat(*file, data_buffer, data_length);
    case kBtrUnlock: file->Unlock(); return kBtrOk;
    case kBtrInsert: case kBtrUpdate: case kBtrDelete:
      return Write(*file, op, data_buffer, data_length, key_buffer, key_length, key_number);
    default:
      return Read(*file, op, lock, data_buffer, data_length, key_buffer, key_length,
                  key_number);
  }
}

int16_t RecordEngine::Open(void* block, const void* key_buffer, uint8_t key_length,
                           int8_t mode) {
  if (block == nullptr) return kBtrFileNotOpen;
  OpenMode open_mode;
  switch (mode) {
    case 0: case -1: case -3: open_mode = OpenMode::kNormal; break;
    case -2: open_mode = OpenMode::kReadOnly; break;
    case -4: open_mode = OpenMode::kExclusive; break;
    default: return kBtrInvalidOperation;
  }
  const std::string name = NameFrom(key_buffer, key_length);
  if (name.empty()) return kBtrFileNotFound;
  // A block that still holds an open file lets go of it first.
  if (const uint32_t old = HandleOf(block)) Forget(old);
  std::string engine_name;
  FileEngine& engine = EngineFor(name, engine_name);
  std::unique_ptr<OpenFile> file;
  if (int16_t s = engine.Open(engine_name, open_mode, file)) return s;
  if (next_handle_ == 0) next_handle_ = 1;
  const uint32_t handle = next_handle_++;
  recent_[handle % recent_.size()] = {};
  open_[handle] = std::move(file);
  auto* b = static_cast<uint8_t*>(block);
  std::memset(b, 0, kPositionBlockSize);
  std::memcpy(b, kBlockTag, 4);
  PutU32(b + 4, handle);
  std::memcpy(b + 8, &cookie_, sizeof cookie_);
  return kBtrOk;
}

int16_t RecordEngine::Create(const void* data, uint32_t length, const void* key_buffer,
                             uint8_t key_length, int8_t mode) {
  if (data == nullptr) return kBtrDataBufferTooShort;
  FileLayout layout;
  if (int16_t s = ParseFileLayout(static_cast<const uint8_t*>(data), length, layout)) {
    return s;
  }
  const std::string name = NameFrom(key_buffer, key_length);
  if (name.empty()) return kBtrFileNotFound;
  std::string engine_name;
  FileEngine& engine = EngineFor(name, engine_name);
  return engine.Create(engine_name, layout, mode != -1);
}

int16_t RecordEngine::Close(void* block) {
  const uint32_t handle = HandleOf(block);
  const auto it = handle ? open_.find(handle) : open_.end();
  if (it == open_.end()) return kBtrFileNotOpen;
  Forget(handle);
  std::memset(block, 0, kPositionBlockSize);
  return kBtrOk;
}

int16_t RecordEngine::Reset(void* block) {
  recent_.fill({});
  open_.clear();
  if (block != nullptr && HandleOf(block) != 0) std::memset(block, 0, kPositionBlockSize);
  return kBtrOk;
}

void RecordEngine::AbandonAfterFork() {
  for (auto& [handle, file] : open_) file->AbandonAfterFork();
  if (server_) server_->AbandonAfterFork();
}

void RecordEngine::Idle() {
  for (auto& [handle, file] : open_) file->Idle();
}

int16_t RecordEngine::BeginBulk(void* position_block) {
  OpenFile* file = Find(position_block);
  return file ? file->BeginBulk() : int16_t{kBtrFileNotOpen};
}

int16_t RecordEngine::EndBulk(void* position_block) {
  OpenFile* file = Find(position_block);
  return file ? file->EndBulk() : int16_t{kBtrFileNotOpen};
}

int16_t RecordEngine::Stat(OpenFile& file, void* data, uint32_t* data_length) {
  uint32_t count = 0;
  if (int16_t s = file.RecordCount(count)) return s;
  const std::string bytes = StatBytes(file.layout(), count);
  const uint32_t room = (data != nullptr && data_length != nullptr) ? *data_length : 0;
  const uint32_t n = std::min<uint32_t>(room, static_cast<uint32_t>(bytes.size()));
  if (n > 0) std::memcpy(data, bytes.data(), n);
  if (data_length != nullptr) *data_length = n;
  return n < bytes.size() ? kBtrDataBufferTooShort : kBtrOk;
}

int16_t RecordEngine::Deliver(const OpenFile& file, void* data, uint32_t* data_length,
                              void* key_buffer, uint8_t key_length) {
  const std::string& record = file.CurrentRecord();
  const uint32_t room = (data != nullptr && data_length != nullptr) ? *data_length : 0;
  const uint32_t n = std::min<uint32_t>(room, static_cast<uint32_t>(record.size()));
  if (n > 0) std::memcpy(data, record.data(), n);
  if (data_length != nullptr) *data_length = n;
  if (key_buffer != nullptr && key_length > 0) {
    const KeyDef& key = file.layout().keys[static_cast<size_t>(file.CurrentKey())];
    ExtractKey(key, reinterpret_cast<const uint8_t*>(record.data()), scratch_key_);
    std::memcpy(key_buffer, scratch_key_.data(), std::min<size_t>(key_length, key.length));
  }
  return n < record.size() ? kBtrDataBufferTooShort : kBtrOk;
}

int16_t RecordEngine::Read(OpenFile& file, uint16_t op, bool lock, void* data,
                           uint32_t* data_length, void* key_buffer, uint8_t key_length,
                           int8_t key_number) {
  const auto& keys = file.layout().keys;
  if (op == kBtrGetPosition) {
    if (!file.HasRecord()) return kBtrInvalidPositioning;
    if (data == nullptr || data_length == nullptr || *data_length < 4) {
      return kBtrDataBufferTooShort;
    }
    PutU32(static_cast<uint8_t*>(data), file.CurrentPosition());
    *data_length = 4;
    return kBtrOk;
  }
  if (key_number < 0 || static_cast<size_t>(key_number) >= keys.size()) {
    return kBtrInvalidKeyNumber;
  }
  int16_t status;
  if (op == kBtrGetDirect) {
    if (data == nullptr || data_length == nullptr || *data_length < 4) {
      return kBtrDataBufferTooShort;
    }
    status = file.GetDirect(ReadU32(static_cast<const uint8_t*>(data)), key_number, lock);
  } else if (op == kBtrGetNext || op == kBtrGetPrevious) {
    if (!file.Positioned()) return kBtrInvalidPositioning;
    if (file.CurrentKey() != key_number) return kBtrDifferentKeyNumber;
    status = file.Get(SeekOf(op), key_number, nullptr, lock);
  } else if (op == kBtrGetFirst || op == kBtrGetLast) {
    status = file.Get(SeekOf(op), key_number, nullptr, lock);
  } else {
    // The searches read the key value: the whole key must be in the buffer.
    if (key_buffer == nullptr || key_length < keys[static_cast<size_t>(key_number)].length) {
      return kBtrKeyBufferTooShort;
    }
    status = file.Get(SeekOf(op), key_number, static_cast<const uint8_t*>(key_buffer), lock);
  }
  if (status != kBtrOk) return status;
  return Deliver(file, data, data_length, key_buffer, key_length);
}

int16_t RecordEngine::Write(OpenFile& file, uint16_t op, const void* data,
                            const uint32_t* data_length, void* key_buffer,
                            uint8_t key_length, int8_t key_number) {
  const auto& layout = file.layout();
  if (file.ReadOnly()) return kBtrAccessDenied;
  if (op != kBtrInsert && file.Positioned() && key_number != file.CurrentKey()) {
    return key_number < 0 || static_cast<size_t>(key_number) >= layout.keys.size()
               ? kBtrInvalidKeyNumber
               : kBtrDifferentKeyNumber;
  }
  if (op == kBtrInsert && key_number >= 0 &&
      static_cast<size_t>(key_number) >= layout.keys.size()) {
    return kBtrInvalidKeyNumber;
  }
  if (op == kBtrDelete) return file.Delete();
  if (data == nullptr || data_length == nullptr || *data_length < layout.record_length) {
    return kBtrDataBufferTooShort;
  }
  const auto* record = static_cast<const uint8_t*>(data);
  const int16_t status = op == kBtrInsert ? file.Insert(record, key_number)
                                          : file.Update(record);
  if (status != kBtrOk || (op == kBtrInsert && key_number < 0)) return status;
  if (key_buffer != nullptr && key_length > 0) {
    const KeyDef& key = layout.keys[static_cast<size_t>(file.CurrentKey())];
    ExtractKey(key, record, scratch_key_);
    std::memcpy(key_buffer, scratch_key_.data(), std::min<size_t>(key_length, key.length));
  }
  return kBtrOk;
}

}  // namespace orb::btr
