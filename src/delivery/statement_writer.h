// StatementWriter: one PDF statement per owner the report lists, written while the
// report walks: it keeps the owner's property lines and, at the owner's total, lays out
// the statement with the very figures of the report and writes it to
// DIR/AAAA-MM/NNNN.pdf (the closing date's year and month, the owner's code). A file is
// written aside and renamed into place, so it appears whole or not at all, and a later
// run replaces it. Figures, dates and texts are those of the session (language,
// separators, date order).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "delivery/statement_pdf.h"
#include "platform/host_path.h"
#include "report/report_files.h"
#include "report/report_lines.h"
#include "report/report_parameters.h"
#include "report/report_text.h"

namespace orb {

// A statement on disk, for mailing.
struct WrittenStatement {
  std::string owner;       // four digits
  std::string owner_name;  // code page 850, without trailing blanks
  std::string file;        // suite name of the PDF
};

class StatementWriter : public ReportLineObserver {
 public:
  // `directory`: DIR as given (a suite name).
  StatementWriter(const ReportText& text, const InstallationHolder& holder,
                  const ReportParameters& parameters, std::string directory);

  // Creates DIR/AAAA-MM when missing and checks that a file can be written there.
  // False with the reason (naming the directory) otherwise.
  bool Prepare(std::string& error);

  void OnReportLine(const ReportLine& line) override;

  const std::string& MonthDirectory() const { return month_directory_; }
  const std::vector<WrittenStatement>& Written() const { return written_; }
  // What could not be written, one message per statement.
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  StatementDocument Document(const ReportLine& owner_total) const;
  std::array<std::string, 6> Figures(const ReportAmounts& amounts) const;

  // The fixed texts, translated once in Prepare.
  struct Texts {
    std::string heading, at, tax_id, owner, closing_date, total, page, of;
    std::array<std::string, 7> heads;
  };

  const ReportText& text_;
  const InstallationHolder& holder_;
  Texts texts_;
  const ReportParameters& parameters_;
  std::string month_directory_;
  std::unique_ptr<ResolvedDirectory> directory_;  // set by Prepare
  std::vector<StatementRow> rows_;  // the current owner's property lines
  std::vector<WrittenStatement> written_;
  std::vector<std::string> errors_;
};

}  // namespace orb
