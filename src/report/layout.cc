#include "report/layout.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "data/records.h"
#include "format/packed_digits.h"

namespace orb {
namespace {

constexpr char kAmountSpec[] = "ZZZ,ZZZ,ZZ9";
constexpr int16_t kAmountColumns[6] = {55, 69, 83, 97, 111, 125};
constexpr int16_t kPageLength = 66;

std::string_view Bytes(const uint8_t* record, size_t offset, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(record) + offset, size);
}

int16_t ClampColumn(long value) {
  return static_cast<int16_t>(std::clamp<long>(value, std::numeric_limits<int16_t>::min(),
                                               std::numeric_limits<int16_t>::max()));
}

}  // namespace

ReportLayout::ReportLayout(PrintFile& print, const ReportText& text,
                           const InstallationHolder& holder,
                           const ReportParameters& parameters)
    : print_(print), text_(text), holder_(holder), parameters_(parameters) {}

void ReportLayout::StartReport() {
  page_no_ = 0;
  grand_totals_.fill(0);
  owner_totals_.fill(0);
}

void ReportLayout::StartOwner() { owner_totals_.fill(0); }

void ReportLayout::PrintPageHead() {
  if (page_no_ < std::numeric_limits<int16_t>::max()) ++page_no_;
  print_.NewPage(kPageLength);
  print_.PrintCommand("@e");
  print_.PrintAt(1, holder_.HolderName, 0);
  print_.SetJustify("D");
  print_.PrintAt(85, text_.Translate("P\xb7GINA ") + text_.FormatNumber("ZZZ9", page_no_),
                 2);
  const std::string title = text_.Translate("R\xe3SSEC DE VERTICAL ENTRE EL PROPIETARI ") +
                            text_.DottedCodeText(parameters_.FromOwnerKey) +
                            text_.Translate(" I EL ") +
                            text_.DottedCodeText(parameters_.ToOwnerKey) +
                            text_.Translate(" A ") +
                            text_.FormatDate(parameters_.ReportDate, 0, "dma");
  print_.PrintAt(ClampColumn((96 - static_cast<long>(title.size())) / 2), title, 2);
  print_.PrintCommand("q");
  print_.PrintAt(1, text_.Translate("PRO."), 0);
  print_.PrintAt(7, text_.Translate("COD"), 0);
  print_.PrintAt(13, text_.Translate("FINCA"), 0);
  print_.SetJustify("D");
  print_.PrintAt(55, text_.Translate("     COBRAT"), 0);
  print_.PrintAt(69, text_.Translate("    PENDENT"), 0);
  print_.PrintAt(83, text_.Translate("   DESPESES"), 0);
  print_.PrintAt(97, text_.Translate("  HONORARIS"), 0);
  print_.PrintAt(111, text_.Translate("   SUPLERTS"), 0);
  print_.PrintAt(125, text_.Translate("     R\xe3SSEC"), 1);
  print_.PrintAt(1, std::string(135, '-'), 1);
}

void ReportLayout::PrintAmounts(const ReportAmounts& amounts, int16_t last_advance) {
  print_.SetJustify("D");
  for (size_t i = 0; i < amounts.size(); ++i) {
    print_.PrintAt(kAmountColumns[i], text_.FormatAmount(kAmountSpec, amounts[i]),
                   i + 1 == amounts.size() ? last_advance : 0);
  }
}

void ReportLayout::PrintDetail(const uint8_t* property_record,
                               const PropertyAmounts& a) {
  if (page_no_ == 0) PrintPageHead();
  if (print_.LineNo() > 60) PrintPageHead();
  const std::string code = UnpackDigits(Bytes(property_record, 0, 2));
  print_.PrintAt(7, code.substr(code.size() - 3), 0);
  print_.PrintAt(13, Bytes(property_record, PropertyRecord::kName.offset, PropertyRecord::kName.size), 0);
  const ReportAmounts amounts = {a.Collected, a.Pending,     a.Expenses,
                                 a.Fees,      a.Supplements, a.Carry};
  PrintAmounts(amounts, 1);
  for (size_t i = 0; i < amounts.size(); ++i) owner_totals_[i] += amounts[i];
}

void ReportLayout::PrintOwnerTotal(const uint8_t* owner_record) {
  if (print_.LineNo() > 59) PrintPageHead();
  print_.PrintAt(1, UnpackDigits(Bytes(owner_record, 0, 2)), 0);
  print_.PrintAt(13,
                 text_.Translate("TOTAL") + " " +
                     std::string(Bytes(owner_record, OwnerRecord::kName.offset, OwnerRecord::kName.size)),
                 0);
  PrintAmounts(owner_totals_, 2);
  for (size_t i = 0; i < owner_totals_.size(); ++i) grand_totals_[i] += owner_totals_[i];
}

void ReportLayout::PrintGrandTotal() {
  print_.PrintAt(55, std::string(81, '-'), 1);
  if (print_.LineNo() > 59) PrintPageHead();
  print_.PrintAt(13, text_.Translate("TOTAL"), 0);
  PrintAmounts(grand_totals_, 1);
  print_.PrintAt(13, std::string(123, '='), 1);
}

}  // namespace orb
