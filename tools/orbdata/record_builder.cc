#include "record_builder.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "format/packed_digits.h"
#include "platform/cp850.h"

namespace orb::orbdata {
namespace {

// A row's values by column name, and the record they go into.
class RowWriter {
 public:
  RowWriter(const std::vector<std::string>& columns, const std::vector<size_t>& where,
            const std::vector<std::string>& row, std::string& record, bool decimal_comma)
      : columns_(columns), where_(where), row_(row), record_(record),
        decimal_comma_(decimal_comma) {}

  const std::string& Value(const char* column) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i] == column) return row_[where_[i]];
    }
    static const std::string kNone;
    return kNone;
  }

  uint8_t* At(RecordField field) {
    return reinterpret_cast<uint8_t*>(record_.data()) + field.offset;
  }

  std::string error;

  bool Fail(const char* column, const std::string& why) {
    error = std::string(column) + ": " + why;
    return false;
  }

  bool Text(const char* column, RecordField field) {
    std::string text;
    if (!ToCodePage(Value(column), text)) {
      return Fail(column, "not UTF-8, or a character code page 850 does not have");
    }
    if (text.size() > field.size) {
      return Fail(column, "longer than " + std::to_string(field.size) + " characters");
    }
    text.resize(field.size, ' ');
    std::copy(text.begin(), text.end(), At(field));
    return true;
  }

  bool Code(const char* column, RecordField field) {
    return Code(column, Value(column), At(field), field.size);
  }

  bool Code(const char* column, const std::string& value, uint8_t* out, size_t bytes) {
    const size_t digits = 2 * bytes;
    if (value.empty() || value.size() > digits || !AllDigits(value)) {
      return Fail(column, "'" + value + "' is not a code of 1 to " + std::to_string(digits) +
                              " digits");
    }
    const std::string packed = PackDigits(std::string(digits - value.size(), '0') + value);
    std::copy(packed.begin(), packed.end(), out);
    return true;
  }

  bool Date(const char* column, RecordField field) {
    const std::string& value = Value(column);
    if (value.size() != 10 || value[4] != '-' || value[7] != '-' ||
        !AllDigits(value.substr(0, 4)) || !AllDigits(value.substr(5, 2)) ||
        !AllDigits(value.substr(8, 2))) {
      return Fail(column, "'" + value + "' is not a date YYYY-MM-DD");
    }
    const int year = std::stoi(value.substr(0, 4));
    const int month = std::stoi(value.substr(5, 2));
    const int day = std::stoi(value.substr(8, 2));
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1 || month < 1 || month > 12 ||
        day < 1 || day > kDays[month - 1] + (month == 2 && leap ? 1 : 0)) {
      return Fail(column, "'" + value + "' is not a date of the calendar");
    }
    const std::string packed =
        PackDigits(value.substr(0, 4) + value.substr(5, 2) + value.substr(8, 2));
    std::copy(packed.begin(), packed.end(), At(field));
    return true;
  }

  bool Amount(const char* column, RecordField field) {
    const std::string& value = Value(column);
    int32_t amount = 0;
    const char* end = value.data() + value.size();
    const auto [stop, fault] = std::from_chars(value.data(), end, amount);
    if (value.empty() || fault != std::errc() || stop != end || value[0] == '+') {
      return Fail(column, "'" + value + "' is not a whole number of hundredths "
                                        "from -2147483648 to 2147483647");
    }
    StoreInt32(At(field), amount);
    return true;
  }

  bool Percent(const char* column, RecordField field) {
    std::string value = Value(column);
    const size_t comma = value.find(',');
    if (decimal_comma_ && comma != std::string::npos) value[comma] = '.';
    size_t i = value.size() > 0 && value[0] == '-' ? 1 : 0;
    const size_t whole = i;
    while (i < value.size() && IsDigit(value[i])) ++i;
    bool ok = i > whole;
    if (ok && i < value.size() && value[i] == '.') {
      const size_t fraction = ++i;
      while (i < value.size() && IsDigit(value[i])) ++i;
      ok = i > fraction;
    }
    double number = 0;
    if (ok && i == value.size()) number = std::strtod(value.c_str(), nullptr);
    if (!ok || i != value.size() || !(std::fabs(number) <= 1e6)) {
      return Fail(column, "'" + Value(column) + "' is not a percentage such as " +
                              (decimal_comma_ ? "7,5" : "7.5"));
    }
    StoreFloat32(At(field), static_cast<float>(number));
    return true;
  }

  bool Letter(const char* column, RecordField field) {
    std::string text;
    if (!ToCodePage(Value(column), text) || text.size() > 1) {
      return Fail(column, "'" + Value(column) + "' is not a single letter");
    }
    *At(field) = text.empty() ? ' ' : static_cast<uint8_t>(text[0]);
    return true;
  }

  bool PropertyList(const char* column, RecordField field) {
    const std::string& value = Value(column);
    uint8_t* out = At(field);
    if (value.empty()) return true;
    int count = 0;
    size_t start = 0;
    while (start <= value.size()) {
      size_t end = value.find(';', start);
      if (end == std::string::npos) end = value.size();
      const std::string entry = value.substr(start, end - start);
      if (++count > OwnerRecord::kPropertyCount) {
        return Fail(column, "more than 20 properties");
      }
      const size_t colon = entry.find(':');
      if (colon == std::string::npos) {
        return Fail(column, "'" + entry + "' is not code:regime");
      }
      uint8_t* slot = out + (count - 1) * OwnerRecord::kPropertyEntrySize;
      if (!Code(column, entry.substr(0, colon), slot, 2)) return false;
      const std::string regime = entry.substr(colon + 1);
      if (regime != "0" && regime != "1") {
        return Fail(column, "regime '" + regime + "' of '" + entry + "' is not 0 or 1");
      }
      StoreInt16(slot + 2, static_cast<int16_t>(regime[0] - '0'));
      start = end + 1;
    }
    return true;
  }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
  static bool AllDigits(const std::string& text) {
    for (char c : text) {
      if (!IsDigit(c)) return false;
    }
    return true;
  }

  // Strict UTF-8 to code page 850: false on malformed input or a missing character.
  static bool ToCodePage(const std::string& utf8, std::string& out) {
    out.clear();
    for (size_t i = 0; i < utf8.size();) {
      const auto lead = static_cast<uint8_t>(utf8[i]);
      int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2
                                  : (lead & 0xF8) == 0xF0 ? 3 : -1;
      if (extra < 0 || i + static_cast<size_t>(extra) >= utf8.size()) return false;
      char32_t ch = extra == 0 ? lead : lead & (0x3F >> extra);
      for (int k = 1; k <= extra; ++k) {
        const auto next = static_cast<uint8_t>(utf8[i + k]);
        if ((next & 0xC0) != 0x80) return false;
        ch = (ch << 6) | (next & 0x3F);
      }
      if (ch < 0x20 || ch == 0x7F) return false;  // no control characters in records
      const auto byte = cp850::FromUnicode(ch);
      if (!byte) return false;
      out.push_back(static_cast<char>(*byte));
      i += static_cast<size_t>(extra) + 1;
    }
    return true;
  }

  const std::vector<std::string>& columns_;
  const std::vector<size_t>& where_;
  const std::vector<std::string>& row_;
  std::string& record_;
  const bool decimal_comma_;
};

}  // namespace

const std::vector<std::string>& ColumnsOf(RecordKind kind) {
  static const std::vector<std::string> kOwners = {"code", "name", "tax_id", "properties"};
  static const std::vector<std::string> kProperties = {"code", "name", "fee_percent",
                                                       "supplement", "fixed_fee"};
  static const std::vector<std::string> kUnits = {"property", "unit"};
  static const std::vector<std::string> kCollections = {
      "property", "unit", "date", "amount", "kind", "deduct", "add", "state"};
  static const std::vector<std::string> kPayments = {"property", "date", "amount", "state"};
  switch (kind) {
    case RecordKind::kOwners: return kOwners;
    case RecordKind::kProperties: return kProperties;
    case RecordKind::kUnits: return kUnits;
    case RecordKind::kCollections: return kCollections;
    case RecordKind::kPayments: return kPayments;
  }
  return kOwners;
}

bool RecordBuilder::SetHeader(const std::vector<std::string>& header, std::string& error) {
  const std::vector<std::string>& columns = ColumnsOf(kind_.kind);
  where_.assign(columns.size(), SIZE_MAX);
  for (size_t at = 0; at < header.size(); ++at) {
    size_t i = 0;
    while (i < columns.size() && columns[i] != header[at]) ++i;
    if (i == columns.size()) {
      error = "unknown column '" + header[at] + "'";
    } else if (where_[i] != SIZE_MAX) {
      error = "column '" + header[at] + "' appears twice";
    } else {
      where_[i] = at;
      continue;
    }
    return false;
  }
  for (size_t i = 0; i < columns.size(); ++i) {
    if (where_[i] == SIZE_MAX) {
      error = "column '" + columns[i] + "' is missing";
      return false;
    }
  }
  return true;
}

bool RecordBuilder::Build(const std::vector<std::string>& row, std::string& record,
                          std::string& error) const {
  if (row.size() != where_.size()) {
    error = std::to_string(row.size()) + " fields where the header has " +
            std::to_string(where_.size());
    return false;
  }
  record.assign(kind_.record_length, '\0');
  RowWriter w(ColumnsOf(kind_.kind), where_, row, record, decimal_comma_);
  bool ok = false;
  switch (kind_.kind) {
    case RecordKind::kOwners:
      ok = w.Code("code", OwnerRecord::kCode) && w.Text("name", OwnerRecord::kName) &&
           w.Text("tax_id", OwnerRecord::kTaxId) &&
           w.PropertyList("properties", OwnerRecord::kProperties);
      break;
    case RecordKind::kProperties:
      ok = w.Code("code", PropertyRecord::kCode) && w.Text("name", PropertyRecord::kName) &&
           w.Percent("fee_percent", PropertyRecord::kFeePercent) &&
           w.Amount("supplement", PropertyRecord::kSupplement) &&
           w.Amount("fixed_fee", PropertyRecord::kFixedFee);
      break;
    case RecordKind::kUnits:
      ok = w.Code("property", {UnitRecord::kUnit.offset, 2}) &&
           w.Code("unit", {static_cast<uint16_t>(UnitRecord::kUnit.offset + 2), 2});
      break;
    case RecordKind::kCollections:
      ok = w.Code("property", {CollectionRecord::kUnit.offset, 2}) &&
           w.Code("unit", {static_cast<uint16_t>(CollectionRecord::kUnit.offset + 2), 2}) &&
           w.Date("date", CollectionRecord::kDate) &&
           w.Amount("amount", CollectionRecord::kAmount) &&
           w.Letter("kind", CollectionRecord::kKind) &&
           w.Amount("deduct", CollectionRecord::kDeduct) &&
           w.Amount("add", CollectionRecord::kAdd) &&
           w.Letter("state", CollectionRecord::kState);
      break;
    case RecordKind::kPayments:
      ok = w.Code("property", PaymentRecord::kProperty) &&
           w.Date("date", PaymentRecord::kDate) &&
           w.Amount("amount", PaymentRecord::kAmount) &&
           w.Letter("state", PaymentRecord::kState);
      break;
  }
  if (!ok) error = w.error;
  return ok;
}

}  // namespace orb::orbdata
