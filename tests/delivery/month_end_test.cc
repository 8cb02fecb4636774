// The month-end outputs over a small installation: statements and exports carry the
// print file's figures, files appear whole, refusals come before anything is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "delivery/csv_fields.h"
#include "delivery_fixture.h"

namespace orb::testing {
namespace {

namespace fs = std::filesystem;

// The CSV export's total rows: owner code ("" for the grand total) and the figures in
// hundredths.
std::vector<PrintedTotal> CsvTotals(const std::string& csv, size_t& property_rows) {
  std::vector<PrintedTotal> totals;
  CsvReader reader(csv);
  std::vector<std::string> fields;
  std::string error;
  property_rows = 0;
  reader.Next(fields, error);  // header
  while (reader.Next(fields, error)) {
    if (fields.size() != 11) {
      ADD_FAILURE() << "row with " << fields.size() << " fields";
      continue;
    }
    if (fields[10] == "Finca") {
      ++property_rows;
      continue;
    }
    PrintedTotal total{fields[10] == "Total general" ? "" : fields[0], {}};
    for (int i = 4; i < 10; ++i) {
      const std::string& f = fields[i];
      EXPECT_EQ(f.find_first_not_of("-0123456789."), std::string::npos) << f;
      EXPECT_EQ(f.size() - f.find('.'), 3u) << f;  // two decimals
      total.amounts.push_back(PrintedHundredths(f));
    }
    totals.push_back(total);
  }
  EXPECT_TRUE(error.empty()) << error;
  return totals;
}

TEST_F(MonthEndInstallation, ExportAndStatementsCarryThePrintFilesFigures) {
  WriteTwoOwners();
  const std::string print = RunMonthEnd({Out(), Out("month.csv"), "", false, ""});
  ASSERT_TRUE(prepared_) << messages_;
  EXPECT_TRUE(finished_) << messages_;
  const std::vector<PrintedTotal> printed = PrintedTotals(print);
  ASSERT_EQ(printed.size(), 3u);  // two owners and the grand total
  EXPECT_EQ(printed[0].owner, "0001");
  EXPECT_EQ(printed[1].owner, "0002");

  size_t property_rows = 0;
  const std::vector<PrintedTotal> exported =
      CsvTotals(ReadWholeFile(Out("month.csv")), property_rows);
  EXPECT_EQ(property_rows, 3u);
  ASSERT_EQ(exported.size(), printed.size());
  for (size_t i = 0; i < printed.size(); ++i) {
    EXPECT_EQ(exported[i].owner, printed[i].owner);
    EXPECT_EQ(exported[i].amounts, printed[i].amounts) << "line " << i;
  }
  const std::string header = ReadWholeFile(Out("month.csv")).substr(0, 120);
  EXPECT_EQ(header.rfind("Propietari,Nom del propietari,Finca,Nom de la finca,Cobrat,", 0), 0u);
  EXPECT_NE(header.find("R\xc3\xb2ssec"), std::string::npos);  // UTF-8

  // Each statement shows its owner, tax id, closing date and the owner's total line
  // with the print file's amounts as printed.
  for (size_t i = 0; i < 2; ++i) {
    const fs::path pdf = dir_ / "out" / "2026-12" / (printed[i].owner + ".pdf");
    ASSERT_TRUE(fs::exists(pdf)) << pdf;
    const std::string text = PdfText(pdf);
    ASSERT_FALSE(text.empty()) << "pdftotext could not read " << pdf;
    EXPECT_NE(text.find("GESTIO DE FINQUES PRATS"), std::string::npos);
    EXPECT_NE(text.find("NIF: ES40123456H"), std::string::npos);
    EXPECT_NE(text.find(i == 0 ? "JOAN PUIG I FERRER" : "INVERSIONS DEL PLA, SL"), std::string::npos);
    EXPECT_NE(text.find(i == 0 ? "NIF: ES12345678Z" : "NIF: ESB12345678"), std::string::npos);
    EXPECT_NE(text.find("Data de tancament: 31/12/2026"), std::string::npos);
    EXPECT_NE(text.find("P\xc3\x80GINA 1 DE 1"), std::string::npos) << text;
    EXPECT_EQ(text.find('\f'), text.rfind('\f'));  // one page
    // The total row: "TOTAL" then the six amounts.
    const size_t total = text.find("TOTAL");
    ASSERT_NE(total, std::string::npos);
    std::istringstream row(text.substr(total + 5, text.find('\n', total) - total - 5));
    std::vector<long long> amounts;
    std::string word;
    while (row >> word) amounts.push_back(PrintedHundredths(word));
    EXPECT_EQ(amounts, printed[i].amounts) << text;
  }
  EXPECT_FALSE(fs::exists(dir_ / "out" / "2026-12" / "0001.pdf.part"));
  EXPECT_NE(messages_.find("2 statement(s)"), std::string::npos) << messages_;
}

TEST_F(MonthEndInstallation, ThePrintFileStaysTheSameWithOutputsObserving) {
  WriteTwoOwners();
  const std::string plain = RunReport("20261231", 1, 9999);
  const std::string observed = RunMonthEnd({Out(), Out("m.xlsx"), "", false, ""});
  ASSERT_TRUE(finished_) << messages_;
  EXPECT_EQ(plain, observed);
  // A workbook: a zip archive holding the sheet.
  const std::string xlsx = ReadWholeFile(Out("m.xlsx"));
  EXPECT_EQ(xlsx.substr(0, 2), "PK");
  EXPECT_NE(xlsx.find("xl/worksheets/sheet1.xml"), std::string::npos);
  EXPECT_FALSE(fs::exists(Out("m.xlsx.part")));
}

TEST_F(MonthEndInstallation, ARerunReplacesTheFiles) {
  WriteTwoOwners();
  fs::create_directories(dir_ / "out" / "2026-12");
  std::ofstream(dir_ / "out" / "2026-12" / "0001.pdf") << "old";
  std::ofstream(Out("m.csv")) << "old";
  RunMonthEnd({Out(), Out("m.csv"), "", false, ""});
  ASSERT_TRUE(finished_) << messages_;
  EXPECT_EQ(ReadWholeFile(dir_ / "out" / "2026-12" / "0001.pdf").substr(0, 5), "%PDF-");
  EXPECT_EQ(ReadWholeFile(Out("m.csv")).substr(0, 10), "Propietari");
}

TEST_F(MonthEndInstallation, ASpanishSessionWordsTheStatementFromTheCatalogue) {
  WriteTwoOwners();
  fs::copy_file(fs::path(ORB_TEST_DATA) / ".." / "demo" / "LOCALE" / "RPTCARRY.LNG",
                dir_ / "LOCALE" / "RPTCARRY.LNG", fs::copy_options::overwrite_existing);
  session_.Language = "SPA";
  RunMonthEnd({Out(), Out("m.csv"), "", false, ""});
  ASSERT_TRUE(finished_) << messages_;
  const std::string text = PdfText(dir_ / "out" / "2026-12" / "0001.pdf");
  EXPECT_NE(text.find("LIQUIDACI\xc3\x93N AL PROPIETARIO"), std::string::npos) << text;
  EXPECT_NE(text.find("Fecha de cierre: 31/12/2026"), std::string::npos) << text;
  EXPECT_NE(text.find("ARRASTRE"), std::string::npos);
  EXPECT_NE(text.find("P\xc3\x81GINA 1 DE 1"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(Out("m.csv")).rfind("Propietario,Nombre del propietario,", 0), 0u);
}

TEST_F(MonthEndInstallation, TheSessionsSeparatorsAndDateOrderShowOnTheStatement) {
  WriteTwoOwners();
  WriteVoraIni(
      "[Usuari]\r\nDatCaracter=-\r\nDatOrdre=AMD\r\nDecCaracter=,\r\nMilCaracter=.\r\n"
      "[Titular]\r\nNom=GESTIO\r\nNIF=ES40123456H\r\n");
  RunMonthEnd({Out(), "", "", false, ""});
  ASSERT_TRUE(finished_) << messages_;
  const std::string text = PdfText(dir_ / "out" / "2026-12" / "0001.pdf");
  EXPECT_NE(text.find("2026-12-31"), std::string::npos) << text;
  EXPECT_NE(text.find("12.345,67"), std::string::npos) << text;
}

TEST_F(MonthEndInstallation, RefusalsComeBeforeAnythingIsWritten) {
  WriteTwoOwners();
  // The statements directory cannot be made: a file stands where it should be.
  std::ofstream(dir_ / "afile") << "x";
  RunMonthEnd({(dir_ / "afile" / "st").string(), Out("m.csv"), "", false, ""});
  EXPECT_FALSE(prepared_);
  EXPECT_NE(messages_.find("statements directory"), std::string::npos) << messages_;
  EXPECT_FALSE(fs::exists(Out("m.csv")));
  EXPECT_FALSE(fs::exists(dir_ / "TMP" / "orbprint.tmp"));

  // The export's directory does not exist.
  RunMonthEnd({"", (dir_ / "missing" / "m.csv").string(), "", false, ""});
  EXPECT_FALSE(prepared_);
  EXPECT_NE(messages_.find("m.csv"), std::string::npos) << messages_;
  RunMonthEnd({"", (dir_ / "missing" / "m.xlsx").string(), "", false, ""});
  EXPECT_FALSE(prepared_);

  // Neither CSV nor XLSX.
  RunMonthEnd({"", Out("m.ods"), "", false, ""});
  EXPECT_FALSE(prepared_);
  EXPECT_NE(messages_.find(".csv or .xlsx"), std::string::npos) << messages_;

  // Mailing without the holder's address.
  WriteFile("contacts.csv", "owner,email\n1,joan@example.org\n");
  RunMonthEnd({Out(), "", (dir_ / "contacts.csv").string(), false, "/bin/true"});
  EXPECT_FALSE(prepared_);
  EXPECT_NE(messages_.find("[Titular] Correu"), std::string::npos) << messages_;
  EXPECT_FALSE(fs::exists(dir_ / "out" / "2026-12"));
}

TEST_F(MonthEndInstallation, AReportThatCannotBeWrittenDropsTheExport) {
  WriteTwoOwners();
  session_.TempDir = root_ + "no-such-dir/";
  RunMonthEnd({"", Out("m.csv"), "", false, ""});
  ASSERT_TRUE(prepared_);
  EXPECT_FALSE(outcome_.print_file_written);
  EXPECT_FALSE(fs::exists(Out("m.csv")));
  EXPECT_FALSE(fs::exists(Out("m.csv.part")));
}

}  // namespace
}  // namespace orb::testing
