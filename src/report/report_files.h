// ReportFiles: the five data files the report reads (owners, properties, units,
// collections, payments), opened once with their record areas, and the installation's
// figures read from Vora.ini at start-up: the three rate tables (VAT on fees, VAT on
// supplements, withholding on fees, each for tax regimes 0 and 1) and the installation
// holder (name and tax code). The record areas live as long as this object; every read
// of a file copies the record into its area.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/session.h"
#include "data/file_table.h"
#include "data/records.h"

namespace orb {

// Percentages per tax regime (index 0 and 1).
struct ReportRates {
  float FeeVat[2] = {0, 0};
  float SupplementVat[2] = {0, 0};
  float FeeWithholding[2] = {0, 0};
};

// The agent for whom the installation works.
struct InstallationHolder {
  std::string HolderName;
  std::string HolderTaxCode;
};

// The decimal number at the start of the text (leading blanks skipped, an optional
// sign, digits, a point and more digits); 0 when the text does not start with one.
float ReadRate(std::string_view text);

// The six rates from root + "Vora.ini": [Iva0]/[Iva1] Honoraris and Suplerts,
// [Ret0]/[Ret1] Honoraris. Missing or non-numeric values read as 0.
ReportRates ReadReportRates(const Session& session);

// [Titular] Nom and NIF of root + "Vora.ini", trailing blanks removed.
InstallationHolder ReadInstallationHolder(const Session& session);

class ReportFiles {
 public:
  static constexpr int16_t kOwnerFile = 505;
  static constexpr int16_t kPropertyFile = 506;
  static constexpr int16_t kUnitFile = 507;
  static constexpr int16_t kCollectionFile = 509;
  static constexpr int16_t kPaymentFile = 510;
  // The report takes the first 321 bytes of an owner as the record; the other areas
  // hold a whole record of any length the record manager can return.
  static constexpr size_t kOwnerRecordSize = OwnerRecord::kReportLength;
  static constexpr size_t kRecordAreaSize = 1536;

  ReportFiles(const Session& session, FileTable& files);
  ReportFiles(const ReportFiles&) = delete;
  ReportFiles& operator=(const ReportFiles&) = delete;

  // Opens the five files in the order above, then reads the rates and the holder. A
  // file that cannot be opened ends the program inside the data layer; when that
  // returns (batch runs, tests) the rest are not tried and its status is returned
  // (also 1002 or 1003 when the table refuses a number); 0 when all five are open.
  int16_t OpenReportFiles();
  // Releases every data file (ResetDataFiles); returns its status.
  int16_t CloseReportFiles();
  // A report file as the program opens it (root + "DADES\PropietV"), for messages;
  // empty for a number that is not one of the five.
  std::string FileName(int16_t file_no) const;

  FileTable& Files() { return files_; }
  const ReportRates& Rates() const { return rates_; }
  const InstallationHolder& Holder() const { return holder_; }
  // For tests and the benchmark: set the figures without a Vora.ini.
  void SetRates(const ReportRates& rates) { rates_ = rates; }
  void SetHolder(const InstallationHolder& holder) { holder_ = holder; }

  uint8_t* OwnerArea() { return owner_.data(); }
  uint8_t* PropertyArea() { return property_.data(); }
  uint8_t* UnitArea() { return unit_.data(); }
  uint8_t* CollectionArea() { return collection_.data(); }
  uint8_t* PaymentArea() { return payment_.data(); }

 private:
  const Session& session_;
  FileTable& files_;
  ReportRates rates_;
  InstallationHolder holder_;
  std::array<uint8_t, kOwnerRecordSize> owner_{};
  std::array<uint8_t, kRecordAreaSize> property_{};
  std::array<uint8_t, kRecordAreaSize> unit_{};
  std::array<uint8_t, kRecordAreaSize> collection_{};
  std::array<uint8_t, kRecordAreaSize> payment_{};
};

}  // namespace orb
