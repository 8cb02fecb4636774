// Reads on open files: by key, stepping, by physical position, lock modes and key images.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "data/file_table.h"
#include "data/file_table_impl.h"
#include "platform/btrieve/btrieve.h"

namespace orb {
namespace {

constexpr uint16_t kLockBias = kBtrSingleNoWaitLock;

bool TakesLockBias(uint16_t operation) {
  return (operation >= 5 && operation <= 13) || operation == 19 ||
         (operation >= 22 && operation <= 24) || (operation >= 33 && operation <= 35);
}

bool IsRecordBusy(int16_t status) {
  return status == kBtrRecordInUse || status == kBtrFileInUse;
}

// The key a get returned: up to its first zero byte, no longer than the current value.
std::string ReturnedKey(const char* key_buffer, size_t current_length) {
  const size_t length = strnlen(key_buffer, std::min<size_t>(current_length, kMaxKeyLength));
  return std::string(key_buffer, length);
}

// Milliseconds to wait before the next attempt at a locked record: 1 to 10001.
int32_t LockPause(double fraction) {
  if (!(fraction >= 0.0)) fraction = 0.0;  // also NaN
  if (fraction >= 1.0) fraction = 1.0;
  return static_cast<int32_t>(std::nearbyint(fraction * 10000.0 + 1.0));
}

void CopyIntoArea(FileEntry& entry, const uint8_t* data, uint32_t returned,
                  size_t buffer_size) {
  size_t count = std::min<size_t>(returned, static_cast<size_t>(entry.record_length));
  count = std::min(count, entry.area.size);
  count = std::min(count, buffer_size);
  if (count > 0 && entry.area.data != nullptr) std::memcpy(entry.area.data, data, count);
}

}  // namespace

void FileTable::LockedGet(int16_t index, uint16_t& operation, int16_t& status) {
  if (index <= 0 || index >= kEntries || impl_->entries[index].file_no == 0) {
    status = kDataFileNotOpen;
    return;
  }
  FileEntry& entry = impl_->entries[index];
  if (TakesLockBias(operation) && entry.lock_mode != 0) operation += kLockBias;

  int attempts = 0;
  int32_t waited_ms = 0;
  for (;;) {
    if (attempts == 1) {
      impl_->messages.ShowMessage(24, LockWaitText(impl_->session.Language));
    }
    // The record area's bytes go out as the data buffer, never more than it holds.
    const size_t record_length = static_cast<size_t>(entry.record_length);
    // The manager sees only the first record_length bytes: the rest is not cleared.
    std::vector<uint8_t>& data = impl_->data_buffer;
    const size_t buffer_size = std::max<size_t>(kStatSize, record_length);
    if (data.size() < buffer_size) data.resize(buffer_size, ' ');
    const size_t from_area =
        entry.area.data != nullptr ? std::min(record_length, entry.area.size) : 0;
    if (from_area > 0) std::memcpy(data.data(), entry.area.data, from_area);
    if (from_area < record_length) {
      std::memset(data.data() + from_area, ' ', record_length - from_area);
    }
    char key[kKeyBufferSize];
    const char fill = (operation == 8 || operation == 9)     ? '\0'
                      : (operation == 10 || operation == 11) ? '\xff'
                                                             : ' ';
    std::memset(key, fill, sizeof key);
    const size_t key_length = std::min<size_t>(entry.key_value.size(), kMaxKeyLength);
    std::memcpy(key, entry.key_value.data(), key_length);

    uint32_t data_length = static_cast<uint32_t>(record_length);
    status = impl_->manager.Call(operation, entry.pos_block, data.data(), &data_length, key,
                                 static_cast<uint8_t>(key_length),
                                 static_cast<int8_t>(entry.key_no));
    if (status == kBtrOk || status == kBtrDataBufferTooShort) {
      CopyIntoArea(entry, data.data(), data_length, data.size());
    }
    entry.key_value.assign(key, key_length);

    if (IsRecordBusy(status) && entry.lock_mode == 1 &&
        impl_->messages.KeepWaiting(entry.name, waited_ms)) {
      const int32_t pause = LockPause(impl_->random ? impl_->random() : 0.0);
      impl_->messages.Sleep(pause);
      waited_ms = std::min<int32_t>(waited_ms, INT32_MAX - pause) + pause;
      attempts = std::min(attempts + 1, 2);
      continue;
    }
    if (attempts != 0) impl_->messages.HideMessage();
    return;
  }
}

void FileTable::GetByKey(int16_t file_no, int16_t key_no, std::string_view key_value,
                         int16_t mode, int16_t& status) {
  const int16_t index = FindFileEntry(file_no);
  if (index <= 0 || file_no == 0) {
    status = kDataFileNotOpen;
    return;
  }
  int16_t key_length = 0, record_length = 0;
  GetKeyInfo(file_no, key_no, key_length, record_length);
  if (key_length <= 0 || key_no < 0 || key_no > INT8_MAX) {
    status = kDataNoSuchKey;
    return;
  }
  FileEntry& entry = impl_->entries[index];
  entry.key_no = key_no;
  entry.key_value.assign(key_value.substr(0, static_cast<size_t>(key_length)));
  entry.key_value.resize(static_cast<size_t>(key_length), '\0');
  uint16_t operation = mode == 0 ? kBtrGetEqual
                       : mode > 0 ? kBtrGetGreaterOrEqual
                                  : kBtrGetLessOrEqual;
  status = kBtrOk;
  LockedGet(index, operation, status);
  if (status == kBtrDataBufferTooShort) status = kBtrOk;
}

void FileTable::StepRecords(int16_t file_no, int16_t count, int16_t& status) {
  const int16_t index = FindFileEntry(file_no);
  if (index <= 0 || file_no == 0) {
    status = kDataFileNotOpen;
    return;
  }
  FileEntry& entry = impl_->entries[index];
  uint16_t operation = count < 0 ? kBtrGetPrevious : kBtrGetNext;
  status = kBtrOk;
  int32_t remaining = std::abs(static_cast<int32_t>(count));
  while (remaining > 1 && status == kBtrOk) {
    // A silent step: moves the position without touching the record area.
    uint8_t data[kStatSize];
    uint32_t data_length = kStatSize;
    char key[kKeyBufferSize] = {};
    status = impl_->manager.Call(operation, entry.pos_block, data, &data_length, key,
                                 kMaxKeyLength, static_cast<int8_t>(entry.key_no));
    entry.key_value = ReturnedKey(key, entry.key_value.size());
    if (status == kBtrDataBufferTooShort) status = kBtrOk;
    --remaining;
  }
  if (remaining != 0 && status == kBtrOk) {
    LockedGet(index, operation, status);
    if (status == kBtrDataBufferTooShort) status = kBtrOk;
  }
}

int32_t FileTable::PositionRecord(int16_t file_no, int32_t position) {
  FileEntry* entry = impl_->Find(file_no);
  if (entry == nullptr) return 0;
  char key[kKeyBufferSize] = {};
  if (position == 0) {
    uint8_t data[kStatSize] = {};
    uint32_t data_length = kStatSize;
    const int16_t status =
        impl_->manager.Call(kBtrGetPosition, entry->pos_block, data, &data_length, key, 0, 0);
    if (status != kBtrOk) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(data[0]) | (uint32_t{data[1]} << 8) |
                                (uint32_t{data[2]} << 16) | (uint32_t{data[3]} << 24));
  }
  const size_t record_length = static_cast<size_t>(entry->record_length);
  std::vector<uint8_t> data(std::max<size_t>(kStatSize, record_length), ' ');
  const auto raw = static_cast<uint32_t>(position);
  for (int i = 0; i < 4; ++i) data[i] = static_cast<uint8_t>(raw >> (8 * i));
  auto data_length = static_cast<uint32_t>(data.size());
  // The key buffer is empty but has room for the key, which the record manager returns
  // there as every get does.
  int16_t status = impl_->manager.Call(kBtrGetDirect, entry->pos_block, data.data(),
                                       &data_length, key, kMaxKeyLength,
                                       static_cast<int8_t>(entry->key_no));
  entry->key_value = ReturnedKey(key, entry->key_value.size());
  if (status == kBtrDataBufferTooShort) status = kBtrOk;
  if (status == kBtrOk) CopyIntoArea(*entry, data.data(), data_length, data.size());
  return status;
}

void FileTable::SetLockMode(int16_t file_no, std::string_view letters, int16_t& status) {
  const int16_t index = FindFileEntry(file_no);
  if (index <= 0 || file_no == 0) {
    status = kDataFileNotOpen;
    return;
  }
  FileEntry& entry = impl_->entries[index];
  std::string& stack = impl_->lock_stack;
  for (char letter : letters) {
    switch (letter) {
      case 'D': case 'd': entry.lock_mode = 0; break;
      case 'A': case 'a': entry.lock_mode = 1; break;
      case 'B': case 'b': entry.lock_mode = 2; break;
      case '+':
        stack.push_back(static_cast<char>(index));
        stack.push_back(static_cast<char>(entry.lock_mode));
        break;
      case '-':
        for (size_t at = stack.size(); at >= 2; at -= 2) {
          if (static_cast<int16_t>(stack[at - 2]) == index) {
            entry.lock_mode = static_cast<int16_t>(stack[at - 1]);
            stack.erase(at - 2, 2);
            break;
          }
        }
        break;
      default: break;
    }
  }
}

std::string FileTable::KeyImage(std::string_view value, int16_t file_no) {
  std::string image(value);
  FileEntry* entry = impl_->Find(file_no);
  if (entry == nullptr) return image;
  const std::shared_ptr<const KeyLayout> kept = impl_->Layout(*entry);
  if (!kept) return image;
  const KeyLayout& layout = *kept;
  const int32_t key_length = layout.KeyLength(entry->key_no);
  if (key_length <= 0 || key_length > kMaxKeyLength) return image;
  size_t p = 0;  // 0-based start of the segment within the value
  for (const KeySegment& segment : layout.keys[entry->key_no]) {
    const auto length = static_cast<size_t>(segment.length);
    if (segment.flags & 0x04) {
      if (image.size() < p + length) image.resize(p + length, '\0');
      std::reverse(image.begin() + static_cast<ptrdiff_t>(p),
                   image.begin() + static_cast<ptrdiff_t>(p + length));
    } else if ((segment.flags & 0x20) && layout.collating_offset >= 0) {
      // The table follows a signature byte and an 8-byte name.
      const size_t table = static_cast<size_t>(layout.collating_offset) + 9;
      for (size_t i = p; i < p + length && i < image.size(); ++i) {
        const size_t at = table + static_cast<uint8_t>(image[i]);
        if (at < layout.block.size()) image[i] = static_cast<char>(layout.block[at]);
      }
    }
    p += length;
  }
  return image;
}

std::string FileTable::CurrentKeyImage(int16_t file_no) {
  const FileEntry* entry = impl_->Find(file_no);
  if (entry == nullptr) return std::string();
  return KeyImage(entry->key_value, file_no);
}

}  // namespace orb
