// MonthEndDelivery: what a month-end run sends out beside the report, asked for on the
// command line: owner statements in a directory, the spreadsheet export, and mailing
// the statements to the owners' addresses. Before the report it checks everything that
// can be checked (the holder's sender address, the contacts, the mail program, the send
// log, the directories and files to write) so that a refusal leaves nothing written and
// nothing sent; during the report it observes the lines; after it, it puts the export
// in place, mails the statements and tells the outcome.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "delivery/contacts.h"
#include "delivery/report_export.h"
#include "delivery/send_log.h"
#include "delivery/statement_writer.h"
#include "core/session.h"
#include "platform/clock.h"
#include "report/report_files.h"
#include "report/report_lines.h"
#include "report/report_parameters.h"
#include "report/report_text.h"

namespace orb {

struct MonthEndRequest {
  std::string statements_dir;  // empty: no statements (suite names, code page 850)
  std::string export_file;     // empty: no export
  std::string contacts_file;   // empty: no mailing; needs statements_dir
  bool resend = false;
  std::string sendmail_program;  // the value of ORBSENDMAIL, may be empty

  bool Any() const { return !statements_dir.empty() || !export_file.empty(); }
};

// The holder's mail address, Vora.ini [Titular] Correu without blanks around it.
std::string ReadHolderMail(const Session& session);

class MonthEndDelivery {
 public:
  MonthEndDelivery(const Session& session, const ReportText& text, ReportFiles& files,
                   const ReportParameters& parameters, const Clock& clock,
                   MonthEndRequest request);
  ~MonthEndDelivery();

  // The checks and preparations before the report. False when something is refused
  // (told on `err`, naming the file or setting): then nothing has been written.
  bool Prepare(std::ostream& err);
  // The observer for the report walk; null when no output was asked for.
  ReportLineObserver* Observer();
  // After the report: the export put in place and the statements mailed, unless the
  // report itself failed (`report_written` false: not finished, or its print file not
  // written whole), in which case the export is dropped and nothing is sent. Outcomes and the mailing summary go to `err`. False when any
  // statement, the export or any send failed.
  bool Finish(bool report_written, std::ostream& err);

 private:
  bool PrepareMailing(std::ostream& err);
  bool Mail(std::ostream& err);

  const Session& session_;
  const ReportText& text_;
  ReportFiles& files_;
  const ReportParameters& parameters_;
  const Clock& clock_;
  MonthEndRequest request_;
  ReportLineFanOut observers_;
  std::unique_ptr<StatementWriter> statements_;
  std::unique_ptr<ReportExport> export_;
  ContactList contacts_;
  std::unique_ptr<SendLog> log_;
  std::string sender_;
  std::string sendmail_;
};

}  // namespace orb
