// Data gathering: the amounts of one property up to the closing date (open collections
// of its units, open payments made for it) and the fees and supplements with VAT and,
// when the holder is a person and the owner an entity, withholding. Amounts are in
// hundredths, computed in double precision; every rounding goes to the nearest integer,
// halves to even, within the 32-bit range.
#pragma once

#include <cstdint>
#include <string_view>

#include "report/report_files.h"
#include "report/report_parameters.h"
#include "report/report_reads.h"

namespace orb {

struct PropertyAmounts {
  double Collected = 0;
  double Pending = 0;
  double Expenses = 0;
  double Fees = 0;
  double Supplements = 0;
  double Carry = 0;
  bool PropertyHasData = false;
};

// Nearest integer, halves to even, clamped to the 32-bit signed range; NaN gives 0.
int32_t RoundAmount(double x);

// The percentages that apply to a property of the given tax regime. A regime other
// than 0 or 1 takes the rates of regime 0.
struct RegimeRates {
  double FeeVat = 0;
  double SupplementVat = 0;
  double FeeWithholding = 0;
  double SupplementWithholding = 0;  // the fee withholding, or 0 without supplement VAT
};
RegimeRates RatesForRegime(const ReportRates& rates, int16_t tax_regime);

// True when the holder is not an entity (tax code "ES" + a third character below "A"
// or above "W") and the owner is one (tax identification "ES" + "A" to "W").
bool WithholdingApplies(std::string_view holder_tax_code, std::string_view owner_tax_id);

// Fees, supplements (with VAT and withholding), carry-over and the data flag, from the
// gathered Collected/Expenses and the property's figures. A fee percentage that is not
// a number counts as 0.
void ComputeFeesAndCarry(float fee_percentage, int32_t fixed_fee, int32_t supplement,
                         const RegimeRates& rates, bool withholding, PropertyAmounts& amounts);

// Gathers the property whose code is in the first two bytes of the property record,
// for the owner in the owner record, adding to `amounts` (which the caller zeroes).
// A read that fails stops the gathering where it is: `reads` keeps the failure and the
// amounts are incomplete.
void GatherProperty(ReportReads& reads, const ReportParameters& parameters,
                    int16_t tax_regime, PropertyAmounts& amounts);
// The same for one property on its own, with reads of its own.
void GatherProperty(ReportFiles& files, const ReportParameters& parameters,
                    int16_t tax_regime, PropertyAmounts& amounts);

}  // namespace orb
