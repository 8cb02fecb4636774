// The file table's private state and the record manager block reader shared by the
// files that implement FileTable. Only src/data includes this.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/file_table.h"

namespace orb {

inline constexpr int kStatSize = 1536;
inline constexpr int kKeyBufferSize = 256;
inline constexpr int kMaxKeyLength = 255;


// One key segment as Stat describes it.
struct KeySegment {
  int32_t position = 0;  // 1-based
  int32_t length = 0;
  uint16_t flags = 0;
};

// A Stat block read into its parts. Keys whose definitions run past the block are
// left out (`keys` is then shorter than `key_count`), and so is the collating table.
struct KeyLayout {
  int32_t record_length = 0;
  int32_t page_size = 0;
  int32_t key_count = 0;
  std::vector<std::vector<KeySegment>> keys;
  int32_t collating_offset = -1;  // where the collating sequence begins, -1 if unknown
  std::array<uint8_t, kStatSize> block{};

  // Sum of the key's segment lengths; 0 for a key that does not exist.
  int32_t KeyLength(int32_t key_no) const;
};

KeyLayout ParseStatBlock(const uint8_t* block);

struct FileEntry {
  int16_t file_no = 0;                 // 0: free
  std::string name;                    // as the caller named it at open, for messages
  uint8_t pos_block[129] = {};         // 128 bytes for the record manager, then a zero
  RecordArea area;                     // the caller's storage
  int32_t record_length = 0;           // from Stat at open
  int16_t key_no = 0;
  std::string key_value;               // of the last record read
  int16_t lock_mode = 0;               // 0 plain, 1 lock and wait, 2 lock, no wait
  // The key layout, read by Stat once the file is open: it does not change while the
  // file is open, and asking again on every read would cost a round trip each time.
  std::shared_ptr<const KeyLayout> layout;

  void Clear() { *this = FileEntry(); }
};

struct FileTable::Impl {
  Impl(const Session& s, DataMessages& m, RecordManager& r, RandomFraction f)
      : session(s), messages(m), manager(r), random(std::move(f)) {}

  const Session& session;
  DataMessages& messages;
  RecordManager& manager;
  RandomFraction random;
  FileEntry entries[FileTable::kEntries];
  std::string lock_stack;  // pairs (entry index, lock mode), newest last
  std::vector<uint8_t> data_buffer;  // reused by every read, so none allocates
  // The entry index a file number was last found at, by file number modulo its size:
  // every read looks its file up. Checked against the entry before use.
  int16_t recent[64] = {};

  // Index 1..40 of the entry holding file_no (not 0), else 0.
  int16_t IndexOf(int16_t file_no);

  // Runs Stat on the entry's file; the status, with the block in `layout`.
  int16_t ReadLayout(FileEntry& entry, KeyLayout& layout);
  // The entry's key layout: the one kept since the open, else a fresh Stat (nullptr
  // when Stat fails).
  std::shared_ptr<const KeyLayout> Layout(FileEntry& entry);
  FileEntry* Find(int16_t file_no);
  const FileEntry* Find(int16_t file_no) const;
};

}  // namespace orb
