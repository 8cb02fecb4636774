// ReportText: how the report turns its fixed texts, amounts, page numbers and dates
// into print text in the operator's language, currency and separators. The program
// wires it to the message catalogue and the formatting state of the session; the
// layout sees only this.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orb {

class ReportText {
 public:
  virtual ~ReportText() = default;
  // The text in the operator's language (the key is the Catalan text).
  virtual std::string Translate(std::string_view key) const = 0;
  // An amount in hundredths through a compact amount spec ("ZZZ,ZZZ,ZZ9").
  virtual std::string FormatAmount(std::string_view spec, double value) const = 0;
  // A number through a picture mask ("ZZZ9").
  virtual std::string FormatNumber(std::string_view mask, double value) const = 0;
  // A packed date in the operator's form (mode 0 and "dma": numeric, 10 characters).
  virtual std::string FormatDate(std::string_view packed_date, int16_t mode,
                                 std::string_view parts) const = 0;
  // A packed code as its dotted form without leading zeros.
  virtual std::string DottedCodeText(std::string_view packed_code) const = 0;
};

}  // namespace orb
