#include "delivery/statement_writer.h"

#include "delivery/delivery_text.h"
#include "platform/host_path.h"

namespace orb {
namespace {

// Figures on a statement: the report's picture with room for an owner's larger totals.
constexpr char kStatementAmountSpec[] = "ZZ,ZZZ,ZZZ,ZZ9";

// Writes the bytes aside and renames them into place.
bool WriteWhole(const ResolvedDirectory& dir, const std::string& name, const std::string& bytes) {
  const std::string aside = name + ".part";
  if (!dir.WriteFile(aside, bytes) || !dir.RenameFile(aside, name)) {
    dir.RemoveFile(aside);
    return false;
  }
  return true;
}

}  // namespace

StatementWriter::StatementWriter(const ReportText& text, const InstallationHolder& holder,
                                 const ReportParameters& parameters, std::string directory)
    : text_(text), holder_(holder), parameters_(parameters) {
  while (directory.size() > 1 && (directory.back() == '/' || directory.back() == '\\')) {
    directory.pop_back();
  }
  month_directory_ = directory + "/" + MonthFolderName(parameters.ReportDate);
}

bool StatementWriter::Prepare(std::string& error) {
  if (!CreateDirectories(month_directory_)) {
    error = "cannot create the statements directory " + month_directory_;
    return false;
  }
  const std::string probe = month_directory_ + "/.rptcarry-probe";
  if (!WriteFile(probe, "")) {
    error = "cannot write in the statements directory " + month_directory_;
    return false;
  }
  RemoveFile(probe);
  directory_ = std::make_unique<ResolvedDirectory>(month_directory_);
  texts_.heading = text_.Translate("LIQUIDACI\xe0 AL PROPIETARI");
  texts_.at = text_.Translate(" A ");
  texts_.tax_id = text_.Translate("NIF: ");
  texts_.owner = text_.Translate("Propietari: ");
  texts_.closing_date = TrimBlanks(text_.Translate("Data de tancament: "));
  texts_.total = text_.Translate("TOTAL");
  texts_.page = text_.Translate("P\xb7GINA ");
  texts_.of = text_.Translate(" DE ");
  const char* heads[7] = {"FINCA",       "     COBRAT", "    PENDENT",  "   DESPESES",
                          "  HONORARIS", "   SUPLERTS", "     R\xe3SSEC"};
  for (size_t i = 0; i < 7; ++i) texts_.heads[i] = TrimBlanks(text_.Translate(heads[i]));
  return true;
}

std::array<std::string, 6> StatementWriter::Figures(const ReportAmounts& amounts) const {
  std::array<std::string, 6> figures;
  for (size_t i = 0; i < 6; ++i) {
    figures[i] = TrimBlanks(text_.FormatAmount(kStatementAmountSpec, amounts[i]));
  }
  return figures;
}

void StatementWriter::OnReportLine(const ReportLine& line) {
  switch (line.kind) {
    case ReportLineKind::kProperty: {
      StatementRow row;
      row.code = CodeDigits(line.property_code).substr(1);  // the report's last three digits
      row.name = TrimBlanks(line.property_name);
      row.figures = Figures(line.amounts);
      rows_.push_back(std::move(row));
      return;
    }
    case ReportLineKind::kOwnerTotal: {
      const StatementDocument document = Document(line);
      const std::string owner = CodeDigits(line.owner_code);
      const std::string file = month_directory_ + "/" + owner + ".pdf";
      std::string pdf, error;
      if (!RenderStatementPdf(document, pdf, error)) {
        errors_.push_back("statement of owner " + owner + ": " + error);
      } else if (!directory_ || !WriteWhole(*directory_, owner + ".pdf", pdf)) {
        errors_.push_back("cannot write the statement " + file);
      } else {
        written_.push_back({owner, TrimBlanks(line.owner_name), file});
      }
      rows_.clear();
      return;
    }
    case ReportLineKind::kGrandTotal:
      return;
  }
}

StatementDocument StatementWriter::Document(const ReportLine& total) const {
  const std::string owner = CodeDigits(total.owner_code);
  const std::string owner_name = TrimBlanks(total.owner_name);
  const std::string date = text_.FormatDate(parameters_.ReportDate, 0, "dma");
  const Texts& t = texts_;
  StatementDocument d;
  d.heading = t.heading;
  d.doc_title = t.heading + " " + owner + t.at + date;
  d.doc_author = holder_.HolderName;
  d.holder_lines = {holder_.HolderName};
  if (!holder_.HolderTaxCode.empty()) d.holder_lines.push_back(t.tax_id + holder_.HolderTaxCode);
  d.owner_lines = {t.owner + owner + "  " + owner_name,
                   t.tax_id + TrimBlanks(total.owner_tax_id), t.closing_date + " " + date};
  d.column_heads = t.heads;
  d.rows = rows_;
  d.total.name = t.total;
  d.total.figures = Figures(total.amounts);
  d.page_word = t.page;
  d.of_word = t.of;
  return d;
}

}  // namespace orb
