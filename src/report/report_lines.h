// Report lines: what the report walk prints, handed line by line to those who want the
// same figures in another form (owner statements, a spreadsheet). An observer sees each
// property line, each owner's total and the grand total with the very amounts the print
// file shows, in the order they are printed, so what it makes cannot disagree with the
// report.
#pragma once

#include <array>
#include <string_view>
#include <vector>

namespace orb {

// Collected, pending, expenses, fees, supplements, carry-over.
using ReportAmounts = std::array<double, 6>;

enum class ReportLineKind { kProperty, kOwnerTotal, kGrandTotal };

// The texts are record bytes (code page 850, blank-padded) valid only during the call.
struct ReportLine {
  ReportLineKind kind = ReportLineKind::kProperty;
  std::string_view owner_code;     // packed, 2 bytes; empty for the grand total
  std::string_view owner_name;     // 30 characters; empty for the grand total
  std::string_view owner_tax_id;   // 17 characters; empty for the grand total
  std::string_view property_code;  // packed, 2 bytes; property lines only
  std::string_view property_name;  // 30 characters; property lines only
  ReportAmounts amounts{};
};

class ReportLineObserver {
 public:
  virtual ~ReportLineObserver() = default;
  virtual void OnReportLine(const ReportLine& line) = 0;
};

// Hands every line to each of several observers, in the order they were added.
class ReportLineFanOut : public ReportLineObserver {
 public:
  void Add(ReportLineObserver& observer) { observers_.push_back(&observer); }
  bool Empty() const { return observers_.empty(); }
  void OnReportLine(const ReportLine& line) override {
    for (ReportLineObserver* o : observers_) o->OnReportLine(line);
  }

 private:
  std::vector<ReportLineObserver*> observers_;
};

}  // namespace orb
