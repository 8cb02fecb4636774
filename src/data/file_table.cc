#include "data/file_table.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "data/file_table_impl.h"
#include "data/status_cause.h"
#include "platform/btrieve/btrieve.h"
#include "platform/host_path.h"

namespace orb {
namespace {

// The owner name the program opens its files with: four letters and a zero byte.
constexpr char kOwnerLetters[4] = {'V', 'O', 'R', 'A'};
constexpr int32_t kOpenRetryMs = 3000;
constexpr size_t kMaxDictionary = 2 + 65535;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

int16_t ClampToInt16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

int32_t KeyLayout::KeyLength(int32_t key_no) const {
  if (key_no < 0 || key_no >= static_cast<int32_t>(keys.size())) return 0;
  int32_t length = 0;
  for (const KeySegment& segment : keys[key_no]) length += segment.length;
  return length;
}

KeyLayout ParseStatBlock(const uint8_t* block) {
  KeyLayout layout;
  std::memcpy(layout.block.data(), block, kStatSize);
  layout.record_length = U16(block);
  layout.page_size = U16(block + 2);
  layout.key_count = U16(block + 4);
  int32_t offset = 16;
  for (int32_t key = 0; key < layout.key_count; ++key) {
    std::vector<KeySegment> segments;
    bool more = true;
    while (more) {
      if (offset + 16 > kStatSize) return layout;  // runs off the block
      const uint8_t* spec = block + offset;
      segments.push_back({U16(spec), U16(spec + 2), U16(spec + 4)});
      more = (spec[4] & 0x10) != 0;
      offset += 16;
    }
    layout.keys.push_back(std::move(segments));
  }
  layout.collating_offset = offset;
  return layout;
}

FileTable::FileTable(const Session& session, DataMessages& messages,
                     RecordManager& manager, RandomFraction random)
    : impl_(new Impl(session, messages, manager, std::move(random))) {}

FileTable::~FileTable() { delete impl_; }

int16_t FileTable::Impl::ReadLayout(FileEntry& entry, KeyLayout& layout) {
  uint8_t block[kStatSize] = {};
  uint32_t length = kStatSize;
  char key[kKeyBufferSize];
  std::memset(key, ' ', kMaxKeyLength);
  key[kMaxKeyLength] = 0;
  const int16_t status =
      manager.Call(kBtrStat, entry.pos_block, block, &length, key, kMaxKeyLength, 0);
  if (status != kBtrOk) std::memset(block, 0, sizeof block);
  layout = ParseStatBlock(block);
  return status;
}

std::shared_ptr<const KeyLayout> FileTable::Impl::Layout(FileEntry& entry) {
  if (entry.layout) return entry.layout;
  auto layout = std::make_shared<KeyLayout>();
  if (ReadLayout(entry, *layout) != kBtrOk) return nullptr;
  return layout;
}

int16_t FileTable::Impl::IndexOf(int16_t file_no) {
  if (file_no == 0) return 0;  // 0 marks a free entry, never an open file
  int16_t& hint = recent[static_cast<uint16_t>(file_no) % std::size(recent)];
  if (hint > 0 && entries[hint].file_no == file_no) return hint;
  for (int16_t i = 1; i < FileTable::kEntries; ++i) {
    if (entries[i].file_no == file_no) return hint = i;
  }
  return 0;
}

FileEntry* FileTable::Impl::Find(int16_t file_no) {
  const int16_t index = IndexOf(file_no);
  return index > 0 ? &entries[index] : nullptr;
}

const FileEntry* FileTable::Impl::Find(int16_t file_no) const {
  return const_cast<Impl*>(this)->Find(file_no);
}

int16_t FileTable::FindFileEntry(int16_t file_no) const {
  if (const int16_t index = impl_->IndexOf(file_no)) return index;
  int16_t highest_free = 0;
  for (int16_t i = 1; i < kEntries; ++i) {
    if (impl_->entries[i].file_no == file_no) return i;
    if (impl_->entries[i].file_no == 0) highest_free = i;
  }
  return static_cast<int16_t>(-highest_free);
}

void FileTable::OpenDataFile(int16_t file_no, std::string_view name, RecordArea area,
                             int16_t& status) {
  const int16_t found = FindFileEntry(file_no);
  if (found > 0) {
    status = kDataAlreadyOpen;
    return;
  }
  if (found == 0) {
    status = kDataNoFreeEntry;
    return;
  }
  FileEntry& entry = impl_->entries[-found];
  entry.Clear();
  entry.file_no = file_no;
  entry.name = std::string(name);
  entry.area = area;

  const DataFileName parts = SplitDataFileName(name);
  std::string path = parts.directory + parts.base + parts.extension;
  if (path.size() > kMaxKeyLength) path.resize(kMaxKeyLength);
  char path_buffer[kKeyBufferSize] = {};
  std::memcpy(path_buffer, path.data(), path.size());
  const auto path_length = static_cast<uint8_t>(path.size());

  bool created = false;
  int32_t waited_ms = 0;
  int16_t result;
  for (;;) {
    char owner[5] = {kOwnerLetters[0], kOwnerLetters[1], kOwnerLetters[2],
                     kOwnerLetters[3], 0};
    uint32_t owner_length = sizeof owner;
    result = impl_->manager.Call(kBtrOpen, entry.pos_block, owner, &owner_length,
                                 path_buffer, path_length, 0);
    if (result == kBtrFileInUse) {
      if (!impl_->messages.KeepWaiting(entry.name, waited_ms)) break;
      impl_->messages.Sleep(kOpenRetryMs);
      waited_ms = std::min<int32_t>(waited_ms, INT32_MAX - kOpenRetryMs) + kOpenRetryMs;
      continue;
    }
    if (result == kBtrFileNotFound && !created) {
      // Create from the dictionary: a 16-bit count, then the create definition.
      std::string dictionary;
      ReadFile(impl_->session.RootDir + "ddf\\" + parts.base + ".xdf", dictionary,
               kMaxDictionary);
      std::string spec(kStatSize, ' ');
      if (dictionary.size() >= 2) {
        const size_t count = U16(reinterpret_cast<const uint8_t*>(dictionary.data()));
        const size_t available = std::min(count, dictionary.size() - 2);
        spec.replace(0, std::min<size_t>(available, kStatSize),
                     dictionary.substr(2, std::min<size_t>(available, kStatSize)));
      }
      uint32_t spec_length = kStatSize;
      result = impl_->manager.Call(kBtrCreate, entry.pos_block, spec.data(), &spec_length,
                                   path_buffer, path_length, -1);
      // Another program may have created the file since our open: open it as it is.
      if (result == kBtrOk || result == kBtrFileAlreadyExists) {
        if (result == kBtrOk) impl_->messages.FileCreated(entry.name);
        created = true;
        continue;
      }
    }
    break;
  }

  if (result != kBtrOk) {
    std::string text = OpenFailureText(impl_->session.Language) + std::string(name) + " (" +
                       std::to_string(result) + ")";
    Catalogue catalogue(impl_->session);
    if (const std::string cause = CauseText(result, catalogue); !cause.empty()) {
      text += ": " + cause;
    }
    entry.Clear();
    impl_->messages.ShowMessage(12, text);
    impl_->messages.Beep();
    impl_->messages.WaitForKey();
    impl_->messages.HideMessage();
    int16_t reset_status = 0;
    ResetDataFiles(reset_status);
    impl_->messages.EndProgram();
    status = result;
    return;
  }

  entry.layout = impl_->Layout(entry);
  int16_t key_length = 0, record_length = 0;
  GetKeyInfo(file_no, 0, key_length, record_length);
  entry.key_value.assign(static_cast<size_t>(std::max<int16_t>(key_length, 0)), '\0');
  entry.record_length = std::max<int16_t>(record_length, 0);
  status = kBtrOk;
}

void FileTable::ResetDataFiles(int16_t& status) {
  uint8_t data[1] = {};
  uint8_t key[1] = {};
  uint32_t length = 0;
  status = impl_->manager.Call(kBtrReset, impl_->entries[0].pos_block, data, &length, key,
                               0, 0);
  if (status != kBtrOk) return;
  for (int i = 1; i < kEntries; ++i) impl_->entries[i].Clear();
}

void FileTable::GetKeyInfo(int16_t file_no, int16_t key_no, int16_t& key_length,
                           int16_t& record_length) {
  key_length = 0;
  record_length = 0;
  FileEntry* entry = impl_->Find(file_no);
  if (entry == nullptr) return;
  const std::shared_ptr<const KeyLayout> layout = impl_->Layout(*entry);
  if (!layout) return;
  record_length = ClampToInt16(layout->record_length);
  const int32_t length = layout->KeyLength(key_no);
  // A key longer than a key buffer holds cannot be read by this layer.
  key_length = length <= kMaxKeyLength ? static_cast<int16_t>(length) : 0;
}

std::string FileTable::CurrentKeyValue(int16_t file_no) const {
  const FileEntry* entry = impl_->Find(file_no);
  return entry ? entry->key_value : std::string();
}

int16_t FileTable::CurrentKeyNumber(int16_t file_no) const {
  const FileEntry* entry = impl_->Find(file_no);
  return entry ? entry->key_no : 0;
}

int16_t FileTable::CurrentLockMode(int16_t file_no) const {
  const FileEntry* entry = impl_->Find(file_no);
  return entry ? entry->lock_mode : 0;
}

int32_t FileTable::RecordLength(int16_t file_no) const {
  const FileEntry* entry = impl_->Find(file_no);
  return entry ? entry->record_length : 0;
}

}  // namespace orb
