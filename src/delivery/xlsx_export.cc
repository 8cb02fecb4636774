// The export as an XLSX workbook through libxlsxwriter: codes and names as text cells,
// figures as numbers with two decimals, the header row frozen and the totals in bold.
// The cells are written on a thread of their own while the report walks.
#include <xlsxwriter.h>

#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

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
    writer_ = std::thread([this] { WriteRows(); });
    return true;
  }

  // Rows are handed in batches to a writer thread, so that the workbook's cells are
  // written while the report goes on walking.
  void OnReportLine(const ReportLine& line) override {
    if (workbook_ == nullptr) return;
    pending_.push_back(MakeExportRow(line));
    if (pending_.size() >= kBatchRows) HandOver();
  }

  bool Commit(std::string& error) override {
    if (workbook_ == nullptr) {
      error = "cannot write the export file " + file_;
      return false;
    }
    FinishWriter();
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
    FinishWriter();
    // The library cannot drop a workbook without writing it: write it, then remove it.
    workbook_close(workbook_);
    workbook_ = nullptr;
    RemoveFile(aside_);
  }

 private:
  static constexpr size_t kBatchRows = 512;
  static constexpr size_t kBatchesAhead = 8;  // how far the report may run ahead

  void HandOver() {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return queued_.size() < kBatchesAhead; });
    queued_.push_back(std::move(pending_));
    pending_.clear();
    ready_.notify_one();
  }

  // Hands over what is left, and waits until the writer has written it all.
  void FinishWriter() {
    if (!writer_.joinable()) return;
    if (!pending_.empty()) HandOver();
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    ready_.notify_one();
    writer_.join();
  }

  void WriteRows() {
    for (;;) {
      std::vector<ExportRow> batch;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !queued_.empty() || finished_; });
        if (queued_.empty()) return;
        batch = std::move(queued_.front());
        queued_.erase(queued_.begin());
      }
      room_.notify_one();
      for (const ExportRow& row : batch) WriteRow(row);
    }
  }

  void WriteRow(const ExportRow& row) {
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
  lxw_row_t row_ = 0;  // the writer thread's own, as are the cells
  bool failed_ = false;  // read once the writer has ended
  std::vector<ExportRow> pending_;  // rows not yet handed over
  std::vector<std::vector<ExportRow>> queued_;
  bool finished_ = false;
  std::mutex mutex_;
  std::condition_variable ready_;  // a batch queued, or the end
  std::condition_variable room_;   // a batch taken
  std::thread writer_;
};

}  // namespace

std::unique_ptr<ReportExport> MakeXlsxExport(const std::string& file, ExportTexts texts) {
  return std::make_unique<XlsxExport>(file, std::move(texts));
}

}  // namespace orb
