#include "delivery/report_export.h"

#include "delivery/delivery_text.h"
#include "platform/cp850.h"

namespace orb {
namespace {

std::string LowerExtension(const std::string& file) {
  const size_t dot = file.find_last_of('.');
  const size_t slash = file.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = file.substr(dot);
  for (char& c : ext) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return ext;
}

}  // namespace

ExportTexts TranslateExportTexts(const ReportText& text) {
  static const char* const header[11] = {
      "Propietari", "Nom del propietari", "Finca",     "Nom de la finca",
      "Cobrat",     "Pendent",            "Despeses",  "Honoraris",
      "Suplerts",   "R\x95ssec",          "L\xa1nia"};
  static const char* const kinds[3] = {"Finca", "Total propietari", "Total general"};
  ExportTexts texts;
  for (size_t i = 0; i < 11; ++i) texts.header[i] = cp850::ToUtf8(text.Translate(header[i]));
  for (size_t i = 0; i < 3; ++i) texts.kinds[i] = cp850::ToUtf8(text.Translate(kinds[i]));
  return texts;
}

ExportRow MakeExportRow(const ReportLine& line) {
  ExportRow row;
  row.kind = line.kind;
  if (line.kind != ReportLineKind::kGrandTotal) {
    row.owner_code = CodeDigits(line.owner_code);
    row.owner_name = cp850::ToUtf8(TrimBlanks(line.owner_name));
  }
  if (line.kind == ReportLineKind::kProperty) {
    row.property_code = CodeDigits(line.property_code);
    row.property_name = cp850::ToUtf8(TrimBlanks(line.property_name));
  }
  row.amounts = line.amounts;
  return row;
}

std::unique_ptr<ReportExport> ReportExport::ForFile(const std::string& file, ExportTexts texts,
                                                    std::string& error) {
  const std::string ext = LowerExtension(file);
  if (ext == ".csv") return MakeCsvExport(file, std::move(texts));
  if (ext == ".xlsx") return MakeXlsxExport(file, std::move(texts));
  error = "--export " + cp850::ToUtf8(file) + ": the file must end in .csv or .xlsx";
  return nullptr;
}

}  // namespace orb
