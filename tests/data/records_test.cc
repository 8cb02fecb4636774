// The record layouts against the dictionaries: every field inside its record, key 0
// where the layouts say, and the committed demo dictionaries as the layouts make them.
#include "data/records.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace orb {
namespace {

uint16_t U16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) |
                               (static_cast<uint8_t>(bytes[at + 1]) << 8));
}

TEST(RecordsTest, FieldsLieInsideTheirRecords) {
  const RecordField owners[] = {OwnerRecord::kCode, OwnerRecord::kName,
                                OwnerRecord::kProperties, OwnerRecord::kTaxId};
  for (RecordField f : owners) EXPECT_LE(f.offset + f.size, OwnerRecord::kReportLength);
  EXPECT_LE(OwnerRecord::kReportLength, OwnerRecord::kRecordLength);
  EXPECT_EQ(OwnerRecord::kPropertyCount * OwnerRecord::kPropertyEntrySize,
            OwnerRecord::kProperties.size);
  const RecordField properties[] = {PropertyRecord::kCode, PropertyRecord::kName,
                                    PropertyRecord::kFeePercent, PropertyRecord::kSupplement,
                                    PropertyRecord::kFixedFee};
  for (RecordField f : properties) EXPECT_LE(f.offset + f.size, PropertyRecord::kRecordLength);
  const RecordField collections[] = {CollectionRecord::kUnit, CollectionRecord::kDate,
                                     CollectionRecord::kAmount, CollectionRecord::kKind,
                                     CollectionRecord::kDeduct, CollectionRecord::kState,
                                     CollectionRecord::kAdd};
  for (RecordField f : collections) {
    EXPECT_LE(f.offset + f.size, CollectionRecord::kRecordLength);
  }
  const RecordField payments[] = {PaymentRecord::kProperty, PaymentRecord::kDate,
                                  PaymentRecord::kAmount, PaymentRecord::kState};
  for (RecordField f : payments) EXPECT_LE(f.offset + f.size, PaymentRecord::kRecordLength);
}

TEST(RecordsTest, DictionariesDescribeKeyZero) {
  struct Case {
    const char* kind;
    uint16_t record_length;
    std::vector<std::pair<uint16_t, uint16_t>> segments;  // position, length
    bool duplicates;
  };
  const Case cases[] = {
      {"owners", 384, {{1, 2}}, false},
      {"properties", 256, {{1, 2}}, false},
      {"units", 32, {{1, 4}}, false},
      {"collections", 48, {{1, 4}, {5, 4}}, true},
      {"payments", 64, {{1, 2}, {3, 4}}, true},
  };
  for (const Case& c : cases) {
    const RecordKindInfo* kind = FindRecordKind(c.kind);
    ASSERT_NE(kind, nullptr) << c.kind;
    const std::string bytes = DictionaryBytes(*kind);
    ASSERT_EQ(U16(bytes, 0), bytes.size() - 2) << c.kind;
    const std::string spec = bytes.substr(2);
    EXPECT_EQ(U16(spec, 0), c.record_length) << c.kind;
    EXPECT_EQ(U16(spec, 4), 1) << c.kind;
    ASSERT_EQ(spec.size(), 16 + 16 * c.segments.size()) << c.kind;
    for (size_t i = 0; i < c.segments.size(); ++i) {
      const size_t at = 16 + 16 * i;
      EXPECT_EQ(U16(spec, at), c.segments[i].first) << c.kind;
      EXPECT_EQ(U16(spec, at + 2), c.segments[i].second) << c.kind;
      const uint16_t flags = U16(spec, at + 4);
      EXPECT_EQ((flags & 0x01) != 0, c.duplicates) << c.kind;
      EXPECT_EQ((flags & 0x10) != 0, i + 1 < c.segments.size()) << c.kind;
      EXPECT_EQ(flags & 0x04, 0) << c.kind;  // packed codes and dates order as text
    }
  }
  EXPECT_EQ(FindRecordKind("buildings"), nullptr);
}

TEST(RecordsTest, DemoDictionariesAreTheLayoutsDictionaries) {
  for (const RecordKindInfo& kind : RecordKinds()) {
    std::ifstream in(std::string(ORB_TEST_DATA) + "/../demo/ddf/" + kind.file_name + ".xdf",
                     std::ios::binary);
    ASSERT_TRUE(in) << kind.file_name;
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), DictionaryBytes(kind)) << kind.file_name;
  }
}

TEST(RecordsTest, BinaryFieldsAreLittleEndian) {
  uint8_t bytes[4];
  StoreInt32(bytes, -2);
  EXPECT_EQ(bytes[0], 0xfe);
  EXPECT_EQ(bytes[3], 0xff);
  EXPECT_EQ(LoadInt32(bytes), -2);
  StoreInt16(bytes, 0x1234);
  EXPECT_EQ(bytes[0], 0x34);
  EXPECT_EQ(LoadInt16(bytes), 0x1234);
  StoreFloat32(bytes, 10.0f);
  EXPECT_EQ(LoadInt32(bytes), 0x41200000);
  EXPECT_EQ(LoadFloat32(bytes), 10.0f);
}

}  // namespace
}  // namespace orb
