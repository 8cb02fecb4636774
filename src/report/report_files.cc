#include "report/report_files.h"

#include <cmath>
#include <iterator>

#include "core/settings.h"

namespace orb {

float ReadRate(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  double value = 0;
  bool any_digit = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i] - '0');
    any_digit = true;
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    double scale = 0.1;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value += (text[i] - '0') * scale;
      scale /= 10;
      any_digit = true;
      ++i;
    }
  }
  if (!any_digit) return 0;
  // Beyond the range of a float the rate is meaningless; keep it finite.
  const double limit = 3.0e38;
  if (value > limit) value = limit;
  return static_cast<float>(negative ? -value : value);
}

ReportRates ReadReportRates(const Session& session) {
  const std::string ini = session.RootDir + "Vora.ini";
  ReportRates rates;
  rates.FeeVat[0] = ReadRate(ReadIniValue(ini, "Iva0", "Honoraris"));
  rates.FeeVat[1] = ReadRate(ReadIniValue(ini, "Iva1", "Honoraris"));
  rates.SupplementVat[0] = ReadRate(ReadIniValue(ini, "Iva0", "Suplerts"));
  rates.SupplementVat[1] = ReadRate(ReadIniValue(ini, "Iva1", "Suplerts"));
  rates.FeeWithholding[0] = ReadRate(ReadIniValue(ini, "Ret0", "Honoraris"));
  rates.FeeWithholding[1] = ReadRate(ReadIniValue(ini, "Ret1", "Honoraris"));
  return rates;
}

namespace {
std::string TrimTrailingBlanks(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}
}  // namespace

InstallationHolder ReadInstallationHolder(const Session& session) {
  const std::string ini = session.RootDir + "Vora.ini";
  InstallationHolder holder;
  holder.HolderName = TrimTrailingBlanks(ReadIniValue(ini, "Titular", "Nom"));
  holder.HolderTaxCode = TrimTrailingBlanks(ReadIniValue(ini, "Titular", "NIF"));
  return holder;
}

ReportFiles::ReportFiles(const Session& session, FileTable& files)
    : session_(session), files_(files) {}

namespace {

// The five files in the order they are opened, named under the installation root.
struct ReportFileName {
  int16_t number;
  const char* name;
};
constexpr ReportFileName kReportFileNames[] = {
    {ReportFiles::kOwnerFile, "DADES\\PropietV"},
    {ReportFiles::kPropertyFile, "DADES\\FinquesV"},
    {ReportFiles::kUnitFile, "DADES\\DepartaV"},
    {ReportFiles::kCollectionFile, "DADES\\CobramV"},
    {ReportFiles::kPaymentFile, "DADES\\PagamV"},
};

}  // namespace

std::string ReportFiles::FileName(int16_t file_no) const {
  for (const ReportFileName& f : kReportFileNames) {
    if (f.number == file_no) return session_.RootDir + f.name;
  }
  return "";
}

int16_t ReportFiles::OpenReportFiles() {
  struct Area {
    uint8_t* data;
    size_t size;
  };
  const Area areas[] = {{owner_.data(), owner_.size()},
                        {property_.data(), property_.size()},
                        {unit_.data(), unit_.size()},
                        {collection_.data(), collection_.size()},
                        {payment_.data(), payment_.size()}};
  for (size_t i = 0; i < std::size(kReportFileNames); ++i) {
    const ReportFileName& f = kReportFileNames[i];
    int16_t status = 0;
    files_.OpenDataFile(f.number, session_.RootDir + f.name,
                        RecordArea{areas[i].data, areas[i].size}, status);
    // The data layer has told the failure and ended the program, unless the program
    // let it return (batch runs, tests): the other files are not tried.
    if (status != 0) return status;
  }
  rates_ = ReadReportRates(session_);
  holder_ = ReadInstallationHolder(session_);
  return 0;
}

int16_t ReportFiles::CloseReportFiles() {
  int16_t status = 0;
  files_.ResetDataFiles(status);
  return status;
}

}  // namespace orb
