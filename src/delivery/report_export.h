// ReportExport: the report's lines as a spreadsheet for the accountant, written while
// the report walks. Columns: owner code, owner name, property code, property name, the
// six figures, and the kind of line (a property, an owner's total, the grand total);
// the header and the kinds in the session's language. Two forms, chosen by the file's
// extension: CSV (UTF-8, figures as plain numbers with a point and two decimals) and
// XLSX (numeric cells with two decimals, the header row frozen, totals in bold). The
// file is written aside and renamed into place by Commit, so an existing file is
// replaced whole or left as it was.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "report/report_lines.h"
#include "report/report_text.h"

namespace orb {

// The header (eleven columns) and the three kinds of line, UTF-8.
struct ExportTexts {
  std::array<std::string, 11> header;
  std::array<std::string, 3> kinds;  // property, owner total, grand total
};
ExportTexts TranslateExportTexts(const ReportText& text);

// One row as both forms write it (texts UTF-8, without padding).
struct ExportRow {
  ReportLineKind kind = ReportLineKind::kProperty;
  std::string owner_code, owner_name, property_code, property_name;
  ReportAmounts amounts{};
};
ExportRow MakeExportRow(const ReportLine& line);

class ReportExport : public ReportLineObserver {
 public:
  // The form for the file's extension (".csv" or ".xlsx", any case); null with the
  // reason when it is neither.
  static std::unique_ptr<ReportExport> ForFile(const std::string& file, ExportTexts texts,
                                               std::string& error);

  ~ReportExport() override = default;
  // Starts the file aside (FILE + ".part") and writes the header; false with the reason.
  virtual bool Open(std::string& error) = 0;
  // Finishes the file and renames it into place; false (and nothing left) on failure.
  virtual bool Commit(std::string& error) = 0;
  // Removes what was written aside.
  virtual void Abandon() = 0;
};

// The two forms, for tests.
std::unique_ptr<ReportExport> MakeCsvExport(const std::string& file, ExportTexts texts);
std::unique_ptr<ReportExport> MakeXlsxExport(const std::string& file, ExportTexts texts);

}  // namespace orb
