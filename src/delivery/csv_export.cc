// The export as CSV: UTF-8, one record per report line, figures as plain numbers.
#include <cstdio>

#include "delivery/csv_fields.h"
#include "delivery/delivery_text.h"
#include "delivery/report_export.h"
#include "platform/host_path.h"

namespace orb {
namespace {

class CsvExport : public ReportExport {
 public:
  CsvExport(std::string file, ExportTexts texts)
      : file_(std::move(file)), aside_(file_ + ".part"), texts_(std::move(texts)) {}
  ~CsvExport() override { Abandon(); }

  bool Open(std::string& error) override {
    out_ = OpenFile(aside_, "wb");
    if (out_ == nullptr) {
      error = "cannot write the export file " + file_;
      return false;
    }
    Write(CsvRecord({texts_.header.begin(), texts_.header.end()}));
    return true;
  }

  void OnReportLine(const ReportLine& line) override {
    if (out_ == nullptr) return;
    const ExportRow row = MakeExportRow(line);
    std::vector<std::string> fields = {row.owner_code, row.owner_name, row.property_code,
                                       row.property_name};
    for (double amount : row.amounts) fields.push_back(PlainFigure(amount));
    fields.push_back(texts_.kinds[static_cast<size_t>(row.kind)]);
    Write(CsvRecord(fields));
  }

  bool Commit(std::string& error) override {
    if (out_ == nullptr) {
      error = "cannot write the export file " + file_;
      return false;
    }
    const bool closed = std::fclose(out_) == 0;
    out_ = nullptr;
    if (!closed || failed_ || !RenameFile(aside_, file_)) {
      RemoveFile(aside_);
      error = "cannot write the export file " + file_;
      return false;
    }
    return true;
  }

  void Abandon() override {
    if (out_ == nullptr) return;
    std::fclose(out_);
    out_ = nullptr;
    RemoveFile(aside_);
  }

 private:
  void Write(const std::string& record) {
    if (std::fwrite(record.data(), 1, record.size(), out_) != record.size()) failed_ = true;
  }

  std::string file_;
  std::string aside_;
  ExportTexts texts_;
  std::FILE* out_ = nullptr;
  bool failed_ = false;
};

}  // namespace

std::unique_ptr<ReportExport> MakeCsvExport(const std::string& file, ExportTexts texts) {
  return std::make_unique<CsvExport>(file, std::move(texts));
}

}  // namespace orb
