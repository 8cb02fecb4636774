// Three owners whose report reads every one of the five files several times, for the
// tests that make a read fail part of the way through. In code order the report prints
// the lines of kThreeOwnersLines; at the closing date 31/12/2026 each property has data.
#pragma once

#include <string>
#include <vector>

#include "data_writer.h"

namespace orb::testing {

// One printed line: 'P' property (owner, property), 'T' owner total, 'G' grand total.
struct WalkLine {
  char kind;
  int owner;
  int property;
  bool operator==(const WalkLine&) const = default;
};

inline const std::vector<WalkLine> kThreeOwnersLines = {
    {'P', 1, 101}, {'P', 1, 102}, {'T', 1, 0}, {'P', 2, 201}, {'T', 2, 0},
    {'P', 3, 301}, {'T', 3, 0},   {'G', 0, 0}};

// Writes the five files under root (a host path ending with "/") and their dictionaries.
// Owner 1: property 101 (units 1 and 2, three collections, a payment) and 102 (a fixed
// fee only); owner 2: 201 (a unit, a collection, a payment); owner 3: 301 (a unit, a
// collection).
inline void WriteThreeOwners(const std::string& root) {
  const std::string p101 = PackedCode(101), p102 = PackedCode(102);
  const std::string p201 = PackedCode(201), p301 = PackedCode(301);
  const std::string early = PackedDate("20261015"), closing = PackedDate("20261231");
  const std::vector<std::pair<RecordKind, std::vector<std::string>>> files = {
      {RecordKind::kOwners,
       {OwnerImage(PackedCode(1), "JOAN PUIG I FERRER", "ES12345678Z", {{p101, 0}, {p102, 0}}),
        OwnerImage(PackedCode(2), "INVERSIONS DEL PLA, SL", "ESB12345678", {{p201, 1}}),
        OwnerImage(PackedCode(3), "MARIA ROCA", "ES87654321X", {{p301, 0}})}},
      {RecordKind::kProperties,
       {PropertyImage(p101, "C/ MAJOR, 1", 10, 0, 0),
        PropertyImage(p102, "PL. DE LA VILA, 2", 0, 500, 2000),
        PropertyImage(p201, "AV. DIAGONAL, 201", 4, 100, 1000),
        PropertyImage(p301, "C/ DEL SOL, 301", 5, 0, 0)}},
      {RecordKind::kUnits,
       {UnitImage(p101, 1), UnitImage(p101, 2), UnitImage(p201, 1), UnitImage(p301, 1)}},
      {RecordKind::kCollections,
       {CollectionImage(p101 + PackedCode(1), early, 50000, 'C', 0, 0, 'P'),
        CollectionImage(p101 + PackedCode(1), closing, 20000, 'X', 0, 0, 'P'),
        CollectionImage(p101 + PackedCode(2), early, 30000, 'C', 1000, 500, 'P'),
        CollectionImage(p201 + PackedCode(1), early, 98765, 'I', 100, 50, 'P'),
        CollectionImage(p301 + PackedCode(1), closing, 40000, 'C', 0, 0, 'P')}},
      {RecordKind::kPayments,
       {PaymentImage(p101, early, 1500, 'P'), PaymentImage(p201, early, 300, 'P')}},
  };
  for (const auto& [kind, records] : files) {
    DataFileWriter writer(root, kind);
    for (const std::string& r : records) writer.Insert(r);
    writer.Close();
  }
}

}  // namespace orb::testing
