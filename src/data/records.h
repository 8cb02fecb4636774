// Record layouts of the module's five data files: where each field the report reads
// lies, the record lengths and key 0 of the dictionaries in demo/ddf, and the little-
// endian loads and stores for the binary fields. Codes and dates are packed digit text.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

struct RecordField {
  uint16_t offset;
  uint16_t size;
};

// One segment of a key, positions counted from 1 as the record manager counts them.
struct KeySegmentSpec {
  uint16_t position;
  uint16_t length;
  bool duplicates;
};

// DADES\PropietV, file 505.
struct OwnerRecord {
  static constexpr RecordField kCode{0, 2};             // packed; key 0
  static constexpr RecordField kName{2, 30};            // text
  static constexpr RecordField kProperties{184, 80};    // kPropertyCount entries
  static constexpr int kPropertyCount = 20;
  static constexpr int kPropertyEntrySize = 4;          // code (2, packed), TaxRegime int16
  static constexpr RecordField kTaxId{264, 17};         // country prefix, national code
  static constexpr uint16_t kRecordLength = 384;
  static constexpr uint16_t kReportLength = 321;        // what the report keeps of it
};

// DADES\FinquesV, file 506.
struct PropertyRecord {
  static constexpr RecordField kCode{0, 2};             // packed; key 0
  static constexpr RecordField kName{8, 30};            // text
  static constexpr RecordField kFeePercent{101, 4};     // float32
  static constexpr RecordField kSupplement{105, 4};     // int32, hundredths
  static constexpr RecordField kFixedFee{200, 4};       // int32, hundredths
  static constexpr uint16_t kRecordLength = 256;
};

// DADES\DepartaV, file 507.
struct UnitRecord {
  static constexpr RecordField kUnit{0, 4};             // property code, unit code; key 0
  static constexpr uint16_t kRecordLength = 32;
};

// DADES\CobramV, file 509. Key 0: unit, then date; duplicates allowed.
struct CollectionRecord {
  static constexpr RecordField kUnit{0, 4};
  static constexpr RecordField kDate{4, 4};             // packed date
  static constexpr RecordField kAmount{13, 4};          // int32
  static constexpr RecordField kKind{17, 1};            // letter; "C" and "I" collected
  static constexpr RecordField kDeduct{24, 4};          // int32
  static constexpr RecordField kState{38, 1};           // "P": open
  static constexpr RecordField kAdd{40, 4};             // int32
  static constexpr uint16_t kRecordLength = 48;
};

// DADES\PagamV, file 510. Key 0: property, then date; duplicates allowed.
struct PaymentRecord {
  static constexpr RecordField kProperty{0, 2};
  static constexpr RecordField kDate{2, 4};             // packed date
  static constexpr RecordField kAmount{35, 4};          // int32
  static constexpr RecordField kState{49, 1};           // "P": open
  static constexpr uint16_t kRecordLength = 64;
};

// The five kinds of record, as the data tool names them.
enum class RecordKind { kOwners, kProperties, kUnits, kCollections, kPayments };

struct RecordKindInfo {
  RecordKind kind;
  const char* name;       // "owners", ...
  const char* file_name;  // "PropietV", ...: the data file and its dictionary
  uint16_t record_length;
  std::vector<KeySegmentSpec> key0;
};

const std::vector<RecordKindInfo>& RecordKinds();
const RecordKindInfo* FindRecordKind(std::string_view name);

// The dictionary file for a kind: a 16-bit count, then the record manager's create
// definition (record length, page size, one key of the given segments).
std::string DictionaryBytes(const RecordKindInfo& kind);

// Little-endian binary fields.
inline int16_t LoadInt16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}
inline int32_t LoadInt32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) |
                              (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24));
}
inline float LoadFloat32(const uint8_t* p) {
  const uint32_t bits = static_cast<uint32_t>(LoadInt32(p));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline void StoreInt16(uint8_t* p, int16_t value) {
  const auto bits = static_cast<uint16_t>(value);
  p[0] = static_cast<uint8_t>(bits);
  p[1] = static_cast<uint8_t>(bits >> 8);
}
inline void StoreInt32(uint8_t* p, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(bits >> (8 * i));
}
inline void StoreFloat32(uint8_t* p, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  StoreInt32(p, static_cast<int32_t>(bits));
}

}  // namespace orb
