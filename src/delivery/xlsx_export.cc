// The export as an XLSX workbook through libxlsxwriter: codes and names as text cells,
// figures as numbers with two decimals, the header row frozen and the totals in bold.
#include <xlsxwriter.h>

#include <cmath>
#include <cstdio>

#include "delivery/delivery_text.h"
#include "delivery/report_export.h"
#include "platform/host_path.h"

namespace orb {
namespace {

class XlsxExport : public ReportExport {
 public:
  XlsxExport(std::string file, ExportTexts texts)
      : file_(std::move(file)), aside_(file_ + ".part"), texts_(std::move(texts)) {}
  ~XlsxExport() override { Abandon(); }

  bool Open(std::string& error) override {
    // The library writes the file itself, at the path the host path layer gives.
    const auto path = HostPath(aside_);
    std::FILE* probe = path ? OpenFile(aside_, "wb") : nullptr;
    if (probe == nullptr) {
      error = "cannot write the export file " + file_;
      return false;
    }
    std::fclose(probe);
    // Rows go to the file as they come, instead of being held until the end.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    workbook_ = workbook_new_opt(path->c_str(), &options);
    if (workbook_ == nullptr) {
      RemoveFile(aside_);
      error = "cannot write the export file " + file_;
      return false;
    }
    sheet_ = workbook_add_worksheet(workbook_, nullptr);
    bold_ = workbook_add_format(workbook_);
    format_set_bold(bold_);
    figure_ = workbook_add_format(workbook_);
    format_set_num_format(figure_, "#,##0.00");
    bold_figure_ = workbook_add_format(workbook_);
    format_set_num_format(bold_figure_, "#,##0.00");
    format_set_bold(bold_figure_);
    worksheet_set_column(sheet_, 0, 0, 10, nullptr);
    worksheet_set_column(sheet_, 1, 1, 32, nullptr);
    worksheet_set_column(sheet_, 2, 2, 8, nullptr);
    worksheet_set_column(sheet_, 3, 3, 32, nullptr);
    worksheet_set_column(sheet_, 4, 9, 14, nullptr);
    worksheet_set_column(sheet_, 10, 10, 18, nullptr);
    for (size_t c = 0; c < texts_.header.size(); ++c) {
      Check(worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c),
                                   texts_.header[c].c_str(), bold_));
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    return true;
  }

  void OnReportLine(const ReportLine& line) override {
    if (workbook_ == nullptr) return;
    const ExportRow row = MakeExportRow(line);
    const bool total = row.kind != ReportLineKind::kProperty;
    lxw_format* text = total ? bold_ : nullptr;
    ++row_;
    const std::string* texts[4] = {&row.owner_code, &row.owner_name, &row.property_code,
                                   &row.property_name};
    for (lxw_col_t c = 0; c < 4; ++c) {
      if (!texts[c]->empty()) Check(worksheet_write_string(sheet_, row_, c, texts[c]->c_str(), text));
    }
    for (lxw_col_t c = 0; c < 6; ++c) {
      const double units = std::nearbyint(row.amounts[c]) / 100.0;  // hundredths to units
      Check(worksheet_write_number(sheet_, row_, 4 + c, units, total ? bold_figure_ : figure_));
    }
    Check(worksheet_write_string(sheet_, row_, 10,
                                 texts_.kinds[static_cast<size_t>(row.kind)].c_str(), text));
  }

  bool Commit(std::string& error) override {
    if (workbook_ == nullptr) {
      error = "cannot write the export file " + file_;
      return false;
    }
    const lxw_error closed = workbook_close(workbook_);
    workbook_ = nullptr;
    if (closed != LXW_NO_ERROR || failed_ || !RenameFile(aside_, file_)) {
      RemoveFile(aside_);
      error = "cannot write the export file " + file_;
      if (closed != LXW_NO_ERROR) error += std::string(" (") + lxw_strerror(closed) + ")";
      return false;
    }
    return true;
  }

  void Abandon() override {
    if (workbook_ == nullptr) return;
    // The library cannot drop a workbook without writing it: write it, then remove it.
    workbook_close(workbook_);
    workbook_ = nullptr;
    RemoveFile(aside_);
  }

 private:
  void Check(lxw_error e) {
    if (e != LXW_NO_ERROR) failed_ = true;
  }

  std::string file_;
  std::string aside_;
  ExportTexts texts_;
  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* sheet_ = nullptr;
  lxw_format* bold_ = nullptr;
  lxw_format* figure_ = nullptr;
  lxw_format* bold_figure_ = nullptr;
  lxw_row_t row_ = 0;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ReportExport> MakeXlsxExport(const std::string& file, ExportTexts texts) {
  return std::make_unique<XlsxExport>(file, std::move(texts));
}

}  // namespace orb
