#include "report/gathering.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "data/records.h"

namespace orb {
namespace {

std::string_view Bytes(const uint8_t* record, size_t offset, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(record) + offset, size);
}

}  // namespace

int32_t RoundAmount(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  // Nearest, halves to even, whatever rounding mode the floating-point unit is in.
  double nearest = std::round(x);  // halves away from zero
  if (std::fabs(nearest - x) == 0.5) nearest = 2.0 * std::round(x / 2.0);
  return static_cast<int32_t>(nearest);
}

RegimeRates RatesForRegime(const ReportRates& rates, int16_t tax_regime) {
  const int r = (tax_regime == 1) ? 1 : 0;
  RegimeRates out;
  out.FeeVat = rates.FeeVat[r];
  out.SupplementVat = rates.SupplementVat[r];
  out.FeeWithholding = rates.FeeWithholding[r];
  out.SupplementWithholding = (out.SupplementVat != 0) ? out.FeeWithholding : 0;
  return out;
}

bool WithholdingApplies(std::string_view holder_tax_code, std::string_view owner_tax_id) {
  if (holder_tax_code.size() < 3 || holder_tax_code.substr(0, 2) != "ES") return false;
  const auto holder_third = static_cast<unsigned char>(holder_tax_code[2]);
  if (holder_third >= 'A' && holder_third <= 'W') return false;
  if (owner_tax_id.size() < 3 || owner_tax_id.substr(0, 2) != "ES") return false;
  const auto owner_third = static_cast<unsigned char>(owner_tax_id[2]);
  return owner_third >= 'A' && owner_third <= 'W';
}

void ComputeFeesAndCarry(float fee_percentage, int32_t fixed_fee, int32_t supplement,
                         const RegimeRates& rates, bool withholding,
                         PropertyAmounts& a) {
  const double percentage = std::isnan(fee_percentage) ? 0.0 : double{fee_percentage};
  a.Fees = static_cast<double>(RoundAmount(percentage * a.Collected / 100)) + fixed_fee;
  a.Supplements = (a.Fees != 0) ? static_cast<double>(supplement) : 0.0;
  const double fees = a.Fees;
  const double supplements = a.Supplements;
  a.Fees = fees + RoundAmount(rates.FeeVat * fees / 100);
  a.Supplements = supplements + RoundAmount(rates.SupplementVat * supplements / 100);
  if (withholding) {
    a.Fees -= RoundAmount(rates.FeeWithholding * fees / 100);
    a.Supplements -= RoundAmount(rates.SupplementWithholding * supplements / 100);
  }
  a.Carry = a.Collected - a.Expenses - a.Fees - a.Supplements;
  if (a.Fees != 0 || a.Supplements != 0) a.PropertyHasData = true;
}

void GatherProperty(ReportReads& reads, const ReportParameters& parameters,
                    int16_t tax_regime, PropertyAmounts& a) {
  ReportFiles& files = reads.Files();
  const uint8_t* property = files.PropertyArea();
  const uint8_t* unit = files.UnitArea();
  const uint8_t* collection = files.CollectionArea();
  const uint8_t* payment = files.PaymentArea();

  const std::string p(Bytes(property, 0, 2));
  if (!reads.Search(ReportFiles::kPropertyFile, p, 0)) return;

  // Open collections of each unit, dated up to and including the closing date.
  for (bool unit_read = reads.Search(ReportFiles::kUnitFile, p, 1);
       unit_read && Bytes(unit, 0, 2) == p; unit_read = reads.Next(ReportFiles::kUnitFile)) {
    const std::string u(Bytes(unit, 0, 4));
    const std::string last = u + parameters.ReportDate;
    for (bool read = reads.Search(ReportFiles::kCollectionFile, u, 1);
         read && Bytes(collection, 0, 8) <= last;
         read = reads.Next(ReportFiles::kCollectionFile)) {
      if (collection[CollectionRecord::kState.offset] == 'P') {
        a.PropertyHasData = true;
        const double add = LoadInt32(collection + CollectionRecord::kAdd.offset);
        const double net = static_cast<double>(LoadInt32(collection + CollectionRecord::kAmount.offset)) -
                           LoadInt32(collection + CollectionRecord::kDeduct.offset) + add;
        const uint8_t kind = collection[CollectionRecord::kKind.offset];
        if (kind == 'C' || kind == 'I') {
          a.Collected += net;
          a.Expenses += add;
        } else {
          a.Pending += net;
        }
      }
    }
  }

  // Open payments made for the property up to the closing date.
  const std::string last_payment = p + parameters.ReportDate;
  for (bool read = reads.Search(ReportFiles::kPaymentFile, p, 1);
       read && Bytes(payment, 0, 6) <= last_payment; read = reads.Next(ReportFiles::kPaymentFile)) {
    if (payment[PaymentRecord::kState.offset] == 'P') {
      a.PropertyHasData = true;
      a.Expenses += LoadInt32(payment + PaymentRecord::kAmount.offset);
    }
  }
  if (reads.Failed()) return;

  // The property record was read by the exact read above; the later reads use other
  // areas, so its figures are still in place.
  const bool withholding = WithholdingApplies(
      files.Holder().HolderTaxCode,
      Bytes(files.OwnerArea(), OwnerRecord::kTaxId.offset, OwnerRecord::kTaxId.size));
  ComputeFeesAndCarry(LoadFloat32(property + PropertyRecord::kFeePercent.offset),
                      LoadInt32(property + PropertyRecord::kFixedFee.offset),
                      LoadInt32(property + PropertyRecord::kSupplement.offset),
                      RatesForRegime(files.Rates(), tax_regime), withholding, a);
}

void GatherProperty(ReportFiles& files, const ReportParameters& parameters,
                    int16_t tax_regime, PropertyAmounts& amounts) {
  ReportReads reads(files);
  GatherProperty(reads, parameters, tax_regime, amounts);
}

}  // namespace orb
