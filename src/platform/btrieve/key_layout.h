// FileLayout: a data file's record length, page size and keys, read from the published
// file and key definition (the bytes a Create receives and a Stat returns). It
// promises that every accepted layout is self-consistent (each key segment lies inside
// the record, every key is 1..255 bytes long) and it turns a record into key values and
// key values into images that compare bytewise (memcmp, then length) in key order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orb::btr {

// Key segment flags of the published layout.
enum KeyFlag : uint16_t {
  kKeyDuplicates = 0x01, kKeyModifiable = 0x02, kKeyBinary = 0x04, kKeyNullable = 0x08,
  kKeySegmented = 0x10, kKeyAlternateSequence = 0x20, kKeyDescending = 0x40,
  kKeyExtendedType = 0x100, kKeyCaseInsensitive = 0x400,
};

// Extended key types (segment byte +10) that order other than bytewise.
enum ExtendedType : uint8_t {
  kTypeInteger = 1, kTypeFloat = 2, kTypeLString = 10, kTypeZString = 11,
  kTypeUnsignedBinary = 14, kTypeAutoIncrement = 15,
};

constexpr size_t kHeaderSize = 16;
constexpr size_t kSegmentSize = 16;
constexpr size_t kSequenceSize = 265;  // signature 0xAC, 8-byte name, 256-byte table
constexpr uint8_t kSequenceSignature = 0xAC;
constexpr size_t kMaxKeys = 119;
constexpr size_t kMaxKeyLength = 255;

struct KeySegment {
  uint16_t position = 0;  // 0-based offset into the record
  uint16_t length = 0;
  uint16_t flags = 0;
  uint8_t type = 0;       // extended type, when flags hold kKeyExtendedType
};

struct KeyDef {
  std::vector<KeySegment> segments;
  uint16_t length = 0;  // sum of the segment lengths
  bool duplicates = false;
  bool modifiable = false;
  bool nullable = false;  // a key made only of null_value bytes is not indexed
  uint8_t null_value = 0;
};

struct FileLayout {
  uint16_t record_length = 0;
  uint16_t page_size = 0;
  std::vector<KeyDef> keys;
  bool has_sequence = false;
  std::array<uint8_t, 256> sequence{};  // the alternate collating sequence table
  // The layout bytes as given (header, segment definitions, collating sequence),
  // with the record count and per-key counters cleared.
  std::string bytes;
};

// Reads a layout from `size` bytes. Returns 0, or the record manager's status for the
// first fault: 22 short buffer, 24 page size, 26 number of keys, 27 key position,
// 28 record length, 29 key length, 45 key flags, 48 collating sequence.
int16_t ParseFileLayout(const uint8_t* bytes, size_t size, FileLayout& out);

// The layout as Stat returns it, with the record count at offset 6.
std::string StatBytes(const FileLayout& layout, uint32_t record_count);

// The key's value in a record of layout.record_length bytes: its segments, joined.
void ExtractKey(const KeyDef& key, const uint8_t* record, std::string& out);

// The comparable image of a key value of key.length bytes.
void MakeKeyImage(const FileLayout& layout, const KeyDef& key, const uint8_t* value,
                  std::string& out);

// True when the key is nullable and the value holds only its null byte.
bool IsNullKey(const KeyDef& key, const uint8_t* value);

}  // namespace orb::btr
