// Writes the report's five data files straight through the record manager, for tests
// and the benchmark: the dictionaries under root/ddf, the files under root/DADES, and
// record images built field by field.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "data/records.h"
#include "format/packed_digits.h"
#include "platform/btrieve/btrieve.h"

namespace orb::testing {

inline std::string PackedCode(int code) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04d", code % 10000);
  return PackDigits(digits);
}

// "AAAAMMDD" packed.
inline std::string PackedDate(const std::string& yyyymmdd) { return PackDigits(yyyymmdd); }

inline void PutText(std::string& record, RecordField field, const std::string& text) {
  std::string value = text.substr(0, field.size);
  value.resize(field.size, ' ');
  record.replace(field.offset, field.size, value);
}
inline void PutBytes(std::string& record, size_t offset, const std::string& bytes) {
  record.replace(offset, bytes.size(), bytes);
}
inline void PutInt32(std::string& record, RecordField field, int32_t value) {
  StoreInt32(reinterpret_cast<uint8_t*>(record.data()) + field.offset, value);
}
inline void PutInt16(std::string& record, size_t offset, int16_t value) {
  StoreInt16(reinterpret_cast<uint8_t*>(record.data()) + offset, value);
}

struct OwnerEntry {
  std::string code;  // packed, 2 bytes (any bytes, for bad-input tests)
  int16_t tax_regime = 0;
};

inline std::string OwnerImage(const std::string& code, const std::string& name,
                              const std::string& tax_id,
                              const std::vector<OwnerEntry>& properties) {
  std::string r(OwnerRecord::kRecordLength, '\0');
  PutBytes(r, 0, code);
  PutText(r, OwnerRecord::kName, name);
  for (size_t i = 0; i < properties.size() && i < 20; ++i) {
    const size_t at = OwnerRecord::kProperties.offset + 4 * i;
    PutBytes(r, at, properties[i].code.substr(0, 2));
    PutInt16(r, at + 2, properties[i].tax_regime);
  }
  PutText(r, OwnerRecord::kTaxId, tax_id);
  return r;
}

inline std::string PropertyImage(const std::string& code, const std::string& name,
                                 float fee_percent, int32_t supplement, int32_t fixed_fee) {
  std::string r(PropertyRecord::kRecordLength, '\0');
  PutBytes(r, 0, code);
  PutText(r, PropertyRecord::kName, name);
  StoreFloat32(reinterpret_cast<uint8_t*>(r.data()) + PropertyRecord::kFeePercent.offset,
               fee_percent);
  PutInt32(r, PropertyRecord::kSupplement, supplement);
  PutInt32(r, PropertyRecord::kFixedFee, fixed_fee);
  return r;
}

inline std::string UnitImage(const std::string& property, int unit) {
  std::string r(UnitRecord::kRecordLength, '\0');
  PutBytes(r, 0, property + PackedCode(unit));
  return r;
}

inline std::string CollectionImage(const std::string& unit4, const std::string& date,
                                   int32_t amount, char kind, int32_t deduct, int32_t add,
                                   char state) {
  std::string r(CollectionRecord::kRecordLength, '\0');
  PutBytes(r, 0, unit4);
  PutBytes(r, CollectionRecord::kDate.offset, date);
  PutInt32(r, CollectionRecord::kAmount, amount);
  r[CollectionRecord::kKind.offset] = kind;
  PutInt32(r, CollectionRecord::kDeduct, deduct);
  r[CollectionRecord::kState.offset] = state;
  PutInt32(r, CollectionRecord::kAdd, add);
  return r;
}

inline std::string PaymentImage(const std::string& property, const std::string& date,
                                int32_t amount, char state) {
  std::string r(PaymentRecord::kRecordLength, '\0');
  PutBytes(r, 0, property);
  PutBytes(r, PaymentRecord::kDate.offset, date);
  PutInt32(r, PaymentRecord::kAmount, amount);
  r[PaymentRecord::kState.offset] = state;
  return r;
}

// One data file being written: created from its dictionary (which is also written to
// root/ddf), opened, and filled in one bulk load.
class DataFileWriter {
 public:
  // root: the installation directory as a host path ending with "/".
  DataFileWriter(const std::string& root, RecordKind kind) {
    const RecordKindInfo* info = nullptr;
    for (const RecordKindInfo& k : RecordKinds()) {
      if (k.kind == kind) info = &k;
    }
    const std::string dictionary = DictionaryBytes(*info);
    if (std::FILE* f = std::fopen((root + "ddf/" + info->file_name + ".xdf").c_str(), "wb")) {
      std::fwrite(dictionary.data(), 1, dictionary.size(), f);
      std::fclose(f);
    }
    std::string path = root + "DADES/" + info->file_name + ".dat";
    std::remove(path.c_str());
    std::string spec(1536, ' ');
    spec.replace(0, dictionary.size() - 2, dictionary.substr(2));
    uint32_t length = 1536;
    std::vector<char> key(path.begin(), path.end());
    key.push_back('\0');
    status_ = BTRCALL(kBtrCreate, block_, spec.data(), &length, key.data(),
                      static_cast<uint8_t>(path.size()), -1);
    char owner[5] = {0};
    length = 0;
    if (status_ == 0) {
      status_ = BTRCALL(kBtrOpen, block_, owner, &length, key.data(),
                        static_cast<uint8_t>(path.size()), 0);
    }
    open_ = status_ == 0;
    if (open_) status_ = BtrBeginBulk(block_);
  }
  ~DataFileWriter() { Close(); }
  DataFileWriter(const DataFileWriter&) = delete;
  DataFileWriter& operator=(const DataFileWriter&) = delete;

  int16_t Insert(std::string record) {
    if (!open_) return status_;
    uint32_t length = static_cast<uint32_t>(record.size());
    char key[256] = {0};
    const int16_t s = BTRCALL(kBtrInsert, block_, record.data(), &length, key, 255, 0);
    if (s != 0 && status_ == 0) status_ = s;
    return s;
  }
  int16_t Close() {
    if (!open_) return status_;
    open_ = false;
    const int16_t end = BtrEndBulk(block_);
    if (end != 0 && status_ == 0) status_ = end;
    uint32_t length = 0;
    char key[1] = {0};
    BTRCALL(kBtrClose, block_, nullptr, &length, key, 0, 0);
    return status_;
  }
  int16_t Status() const { return status_; }

 private:
  char block_[kPositionBlockSize] = {0};
  bool open_ = false;
  int16_t status_ = 0;
};

}  // namespace orb::testing
