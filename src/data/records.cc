#include "data/records.h"

namespace orb {
namespace {

constexpr uint16_t kPageSize = 4096;
constexpr uint16_t kKeyDuplicates = 0x01;
constexpr uint16_t kKeySegmented = 0x10;

void Put16(std::string& out, size_t at, uint16_t value) {
  out[at] = static_cast<char>(value & 0xff);
  out[at + 1] = static_cast<char>(value >> 8);
}

}  // namespace

const std::vector<RecordKindInfo>& RecordKinds() {
  static const std::vector<RecordKindInfo> kinds = {
      {RecordKind::kOwners, "owners", "PropietV", OwnerRecord::kRecordLength,
       {{1, 2, false}}},
      {RecordKind::kProperties, "properties", "FinquesV", PropertyRecord::kRecordLength,
       {{1, 2, false}}},
      {RecordKind::kUnits, "units", "DepartaV", UnitRecord::kRecordLength, {{1, 4, false}}},
      {RecordKind::kCollections, "collections", "CobramV", CollectionRecord::kRecordLength,
       {{1, 4, true}, {5, 4, true}}},
      {RecordKind::kPayments, "payments", "PagamV", PaymentRecord::kRecordLength,
       {{1, 2, true}, {3, 4, true}}},
  };
  return kinds;
}

const RecordKindInfo* FindRecordKind(std::string_view name) {
  for (const RecordKindInfo& kind : RecordKinds()) {
    if (name == kind.name) return &kind;
  }
  return nullptr;
}

std::string DictionaryBytes(const RecordKindInfo& kind) {
  // File definition (16 bytes), then one 16-byte definition per key segment.
  std::string spec(16 + 16 * kind.key0.size(), '\0');
  Put16(spec, 0, kind.record_length);
  Put16(spec, 2, kPageSize);
  Put16(spec, 4, 1);  // one key
  for (size_t i = 0; i < kind.key0.size(); ++i) {
    const KeySegmentSpec& segment = kind.key0[i];
    uint16_t flags = 0;
    if (segment.duplicates) flags |= kKeyDuplicates;
    if (i + 1 < kind.key0.size()) flags |= kKeySegmented;
    const size_t at = 16 + 16 * i;
    Put16(spec, at, segment.position);
    Put16(spec, at + 2, segment.length);
    Put16(spec, at + 4, flags);
  }
  std::string dictionary(2, '\0');
  Put16(dictionary, 0, static_cast<uint16_t>(spec.size()));
  return dictionary + spec;
}

}  // namespace orb
