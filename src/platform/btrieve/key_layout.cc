#include "platform/btrieve/key_layout.h"

#include <algorithm>
#include <cstring>

#include "platform/btrieve/btrieve.h"

namespace orb::btr {
namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void PutU32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool IsNumericType(const KeySegment& s) {
  if (!(s.flags & kKeyExtendedType)) return (s.flags & kKeyBinary) != 0;
  switch (s.type) {
    case kTypeInteger: case kTypeAutoIncrement: case kTypeUnsignedBinary: return true;
    case kTypeFloat: return s.length == 4 || s.length == 8;
    default: return false;
  }
}

}  // namespace

int16_t ParseFileLayout(const uint8_t* bytes, size_t size, FileLayout& out) {
  out = FileLayout{};
  if (bytes == nullptr || size < kHeaderSize) return kBtrDataBufferTooShort;
  out.record_length = U16(bytes);
  out.page_size = U16(bytes + 2);
  const uint16_t key_count = U16(bytes + 4);
  if (out.page_size < 512 || out.page_size > 16384 || out.page_size % 512 != 0) {
    return kBtrPageSizeError;
  }
  if (key_count == 0 || key_count > kMaxKeys) return kBtrNumberOfKeysError;
  if (out.record_length == 0) return kBtrRecordLengthError;

  size_t offset = kHeaderSize;
  bool uses_sequence = false;
  for (uint16_t k = 0; k < key_count; ++k) {
    KeyDef key;
    bool more = true;
    while (more) {
      if (offset + kSegmentSize > size) return kBtrNumberOfKeysError;
      const uint8_t* seg_bytes = bytes + offset;
      const uint16_t position = U16(seg_bytes);
      KeySegment seg;
      seg.length = U16(seg_bytes + 2);
      seg.flags = U16(seg_bytes + 4);
      seg.type = seg_bytes[10];
      if (position == 0 || position > out.record_length) return kBtrInvalidKeyPosition;
      seg.position = static_cast<uint16_t>(position - 1);
      if (seg.length == 0 || seg.length > kMaxKeyLength) return kBtrInvalidKeyLength;
      if (size_t{seg.position} + seg.length > out.record_length) {
        return kBtrInvalidKeyPosition;
      }
      if (size_t{key.length} + seg.length > kMaxKeyLength) return kBtrInvalidKeyLength;
      if (key.segments.empty()) {
        key.duplicates = seg.flags & kKeyDuplicates;
        key.modifiable = seg.flags & kKeyModifiable;
        key.nullable = seg.flags & kKeyNullable;
        key.null_value = seg_bytes[11];
      }
      if (seg.flags & kKeyAlternateSequence) uses_sequence = true;
      key.length = static_cast<uint16_t>(key.length + seg.length);
      key.segments.push_back(seg);
      more = (seg.flags & kKeySegmented) != 0;
      offset += kSegmentSize;
    }
    out.keys.push_back(std::move(key));
  }
  if (uses_sequence) {
    if (offset + kSequenceSize > size || bytes[offset] != kSequenceSignature) {
      return kBtrInvalidSequence;
    }
    out.has_sequence = true;
    std::memcpy(out.sequence.data(), bytes + offset + 9, 256);
    offset += kSequenceSize;
  }
  out.bytes.assign(reinterpret_cast<const char*>(bytes), offset);
  PutU32(out.bytes.data() + 6, 0);
  for (size_t at = kHeaderSize; at + kSegmentSize <= offset - (uses_sequence ? kSequenceSize : 0);
       at += kSegmentSize) {
    PutU32(out.bytes.data() + at + 6, 0);
  }
  return kBtrOk;
}

std::string StatBytes(const FileLayout& layout, uint32_t record_count) {
  std::string out = layout.bytes;
  if (out.size() >= kHeaderSize) PutU32(out.data() + 6, record_count);
  return out;
}

void ExtractKey(const KeyDef& key, const uint8_t* record, std::string& out) {
  out.clear();
  for (const KeySegment& s : key.segments) {
    out.append(reinterpret_cast<const char*>(record + s.position), s.length);
  }
}

void MakeKeyImage(const FileLayout& layout, const KeyDef& key, const uint8_t* value,
                  std::string& out) {
  out.resize(key.length);
  auto* dst = reinterpret_cast<uint8_t*>(out.data());
  for (const KeySegment& s : key.segments) {
    const uint16_t n = s.length;
    if (IsNumericType(s)) {
      // Little-endian on disk; most significant byte first in the image.
      for (uint16_t i = 0; i < n; ++i) dst[i] = value[n - 1 - i];
      const bool extended = s.flags & kKeyExtendedType;
      if (extended && (s.type == kTypeInteger || s.type == kTypeAutoIncrement)) {
        dst[0] ^= 0x80;
      } else if (extended && s.type == kTypeFloat) {
        if (dst[0] & 0x80) {
          for (uint16_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(~dst[i]);
        } else {
          dst[0] ^= 0x80;
        }
      }
    } else {
      const bool sequence = (s.flags & kKeyAlternateSequence) && layout.has_sequence;
      const bool fold = (s.flags & kKeyCaseInsensitive) != 0;
      auto map = [&](uint8_t c) -> uint8_t {
        if (sequence) return layout.sequence[c];
        if (fold && c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 'A');
        return c;
      };
      const bool extended = s.flags & kKeyExtendedType;
      if (extended && s.type == kTypeZString) {
        // Text up to the first zero byte; what follows it does not count.
        bool ended = false;
        for (uint16_t i = 0; i < n; ++i) {
          ended = ended || value[i] == 0;
          dst[i] = ended ? 0 : map(value[i]);
        }
      } else if (extended && s.type == kTypeLString && n > 1) {
        // A length byte, then the text: the text first, its length breaking ties.
        const uint16_t length = std::min<uint16_t>(value[0], static_cast<uint16_t>(n - 1));
        for (uint16_t i = 0; i + 1 < n; ++i) dst[i] = i < length ? map(value[1 + i]) : 0;
        dst[n - 1] = static_cast<uint8_t>(length);
      } else if (sequence || fold) {
        for (uint16_t i = 0; i < n; ++i) dst[i] = map(value[i]);
      } else {
        std::memcpy(dst, value, n);
      }
    }
    if (s.flags & kKeyDescending) {
      for (uint16_t i = 0; i < n; ++i) dst[i] = static_cast<uint8_t>(~dst[i]);
    }
    dst += n;
    value += n;
  }
}

bool IsNullKey(const KeyDef& key, const uint8_t* value) {
  if (!key.nullable) return false;
  return std::all_of(value, value + key.length,
                     [&](uint8_t c) { return c == key.null_value; });
}

}  // namespace orb::btr
