// ReportLayout: the carry-over report on paper. It owns the page counter and the running
// totals (per owner and for the whole report) and writes the page heads, one line per
// property, a subtotal line per owner and the grand total through the print file. Pages
// break before a property line when more than 60 lines are used, before a total line
// when more than 59 are.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "report/gathering.h"
#include "report/print_file.h"
#include "report/report_files.h"
#include "report/report_lines.h"
#include "report/report_parameters.h"
#include "report/report_text.h"

namespace orb {

class ReportLayout {
 public:
  ReportLayout(PrintFile& print, const ReportText& text, const InstallationHolder& holder,
               const ReportParameters& parameters);

  // A new report: page counter and grand totals to 0.
  void StartReport();
  // A new owner: subtotals to 0.
  void StartOwner();

  void PrintPageHead();
  // The property line for the property record (code, name) and its amounts, which are
  // added to the owner subtotals.
  void PrintDetail(const uint8_t* property_record, const PropertyAmounts& amounts);
  // The owner's subtotal line (code, "TOTAL" and name from the owner record); the
  // subtotals are added to the grand totals.
  void PrintOwnerTotal(const uint8_t* owner_record);
  void PrintGrandTotal();

  int16_t PageNo() const { return page_no_; }
  const ReportAmounts& OwnerTotals() const { return owner_totals_; }
  const ReportAmounts& GrandTotals() const { return grand_totals_; }

 private:
  void PrintAmounts(const ReportAmounts& amounts, int16_t last_advance);

  PrintFile& print_;
  const ReportText& text_;
  const InstallationHolder& holder_;
  const ReportParameters& parameters_;
  int16_t page_no_ = 0;
  ReportAmounts owner_totals_{};
  ReportAmounts grand_totals_{};
};

}  // namespace orb
