// A small installation for the month-end outputs: the report fixture's data files, a
// run of the report with the month-end outputs observing it, and readers that take the
// figures back out of the print file, a statement's text (pdftotext) and a CSV export,
// so that each can be compared with the print file.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../report/report_fixture.h"
#include "delivery/month_end.h"
#include "platform/pipe_process.h"
#include "platform/process.h"

namespace orb::testing {

// A total line of the print file: the owner code ("" for the grand total) and its six
// amounts in hundredths, as printed.
struct PrintedTotal {
  std::string owner;
  std::vector<long long> amounts;
};

// A printed amount ("  12.352'25", "-1.000'00") in hundredths, for the default
// separators (thousands ".", decimals "'").
inline long long PrintedHundredths(std::string text) {
  long long value = 0;
  bool negative = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
    if (c == '-') negative = true;
  }
  return negative ? -value : value;
}

// The owner totals and the grand total of a print file, in order.
inline std::vector<PrintedTotal> PrintedTotals(const std::string& print) {
  std::vector<PrintedTotal> totals;
  std::istringstream in(print);
  std::string line, owner;
  PrintedTotal* open = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t first = line.find(','), last = line.rfind(',');
    if (first == std::string::npos || first == last) continue;
    const int column = std::stoi(line.substr(0, first));
    const std::string text = line.substr(first + 1, last - first - 1);
    if (column == 1 && text.find_first_not_of("0123456789") == std::string::npos) owner = text;
    if (column == 13 && text.rfind("TOTAL", 0) == 0) {
      totals.push_back({text == "TOTAL" ? "" : owner, {}});
      open = &totals.back();
      continue;
    }
    if (open != nullptr && column >= 55) {
      open->amounts.push_back(PrintedHundredths(text));
      if (open->amounts.size() == 6) open = nullptr;
    }
  }
  return totals;
}

// The text of a PDF as pdftotext lays it out (pages separated by form feeds); empty when
// it cannot be read.
inline std::string PdfText(const std::filesystem::path& pdf) {
  const auto program = FindProgram("pdftotext");
  if (!program) return "";
  const std::filesystem::path out = pdf.string() + ".txt";
  if (RunProgram(*program, {"-layout", pdf.string(), out.string()}) != 0) return "";
  const std::string text = ReadWholeFile(out);
  std::filesystem::remove(out);
  return text;
}

class MonthEndInstallation : public ReportInstallation {
 protected:
  // Two owners (one person, one entity), three property lines.
  void WriteTwoOwners() {
    const std::string p101 = PackedCode(101), p102 = PackedCode(102), p201 = PackedCode(201);
    const std::string closing = PackedDate("20261231"), early = PackedDate("20260315");
    WriteData({OwnerImage(PackedCode(1), "JOAN PUIG I FERRER", "ES12345678Z",
                          {{p101, 0}, {p102, 0}}),
               OwnerImage(PackedCode(2), "INVERSIONS DEL PLA, SL", "ESB12345678", {{p201, 1}})},
              {PropertyImage(p101, "C/ MAJOR, 1", 10, 0, 0),
               PropertyImage(p102, "PL. DE LA VILA, 2", 0, 500, 2000),
               PropertyImage(p201, "AV. DIAGONAL, 201", 4, 100, 1000)},
              {UnitImage(p101, 1), UnitImage(p201, 1)},
              {CollectionImage(p101 + PackedCode(1), closing, 1234567, 'C', 0, 0, 'P'),
               CollectionImage(p101 + PackedCode(1), early, 20000, 'X', 0, 0, 'P'),
               CollectionImage(p201 + PackedCode(1), early, 98765, 'I', 100, 50, 'P')},
              {PaymentImage(p201, early, 300, 'P')});
  }

  // Runs the report with the month-end outputs; returns the print file. `prepared` and
  // `finished` tell how the two steps went; `messages_` keeps what they told.
  std::string RunMonthEnd(const MonthEndRequest& request) {
    std::filesystem::create_directories(dir_ / "out");
    QuietDataMessages messages;
    FileTable table(session_, messages);
    ReportFiles files(session_, table);
    EXPECT_EQ(files.OpenReportFiles(), 0);
    Currency currency;
    currency.SetCurrency("a,E");
    Catalogue catalogue(session_);
    UserSettings settings(session_.RootDir + "Vora.ini");
    SessionReportText text(session_, catalogue, currency, settings);
    ReportParameters parameters{PackedDate("20261231"), PackedCode(1), PackedCode(9999)};
    MonthEndDelivery delivery(session_, text, files, parameters, clock_, request);
    std::ostringstream err;
    std::string print;
    prepared_ = delivery.Prepare(err);
    finished_ = false;
    if (prepared_) {
      PrintFile print_file(session_);
      ReportServices services{session_, files, print_file, currency, text, {}};
      outcome_ = PrintOneReport(services, parameters, delivery.Observer());
      print = ReadWholeFile(dir_ / "TMP" / "orbprint.tmp");
      finished_ = delivery.Finish(outcome_.print_file_written, err);
    }
    files.CloseReportFiles();
    messages_ = err.str();
    return print;
  }

  std::string Out(const std::string& relative = "") const {
    return (dir_ / "out" / relative).string();
  }

  bool prepared_ = false;
  bool finished_ = false;
  std::string messages_;
};

}  // namespace orb::testing
