#include "delivery/month_end.h"

#include <ostream>

#include "core/settings.h"
#include "delivery/delivery_text.h"
#include "delivery/mailing.h"
#include "delivery/mail_transport.h"
#include "format/packed_digits.h"
#include "platform/cp850.h"
#include "platform/host_path.h"
#include "report/report_reads.h"

namespace orb {

std::string ReadHolderMail(const Session& session) {
  return TrimBlanks(ReadIniValue(session.RootDir + "Vora.ini", "Titular", "Correu"));
}

MonthEndDelivery::MonthEndDelivery(const Session& session, const ReportText& text,
                                   ReportFiles& files, const ReportParameters& parameters,
                                   const Clock& clock, MonthEndRequest request)
    : session_(session), text_(text), files_(files), parameters_(parameters), clock_(clock),
      request_(std::move(request)) {}

MonthEndDelivery::~MonthEndDelivery() = default;

bool MonthEndDelivery::Prepare(std::ostream& err) {
  std::string error;
  if (!request_.export_file.empty()) {
    export_ = ReportExport::ForFile(request_.export_file, TranslateExportTexts(text_), error);
    if (!export_) {
      err << "rptcarry: " << error << "\n";
      return false;
    }
  }
  if (!request_.statements_dir.empty()) {
    statements_ = std::make_unique<StatementWriter>(text_, files_.Holder(), parameters_,
                                                    request_.statements_dir);
  }
  if (!request_.contacts_file.empty() && !PrepareMailing(err)) return false;
  if (statements_ && !statements_->Prepare(error)) {
    err << "rptcarry: " << cp850::ToUtf8(error) << "\n";
    return false;
  }
  if (export_ && !export_->Open(error)) {
    err << "rptcarry: " << cp850::ToUtf8(error) << "\n";
    return false;
  }
  if (statements_) observers_.Add(*statements_);
  if (export_) observers_.Add(*export_);
  return true;
}

bool MonthEndDelivery::PrepareMailing(std::ostream& err) {
  if (!statements_) {
    err << "rptcarry: --mail needs --statements DIR (the statements it sends)\n";
    return false;
  }
  const std::string vora = cp850::ToUtf8(session_.RootDir + "Vora.ini");
  sender_ = ReadHolderMail(session_);
  if (sender_.empty()) {
    err << "rptcarry: mailing needs the holder's address: " << vora
        << " [Titular] Correu is not set\n";
    return false;
  }
  if (!IsMailAddress(sender_)) {
    err << "rptcarry: " << vora << " [Titular] Correu: \"" << cp850::ToUtf8(sender_)
        << "\" is not a mail address\n";
    return false;
  }
  const std::string contacts_name = cp850::ToUtf8(request_.contacts_file);
  std::string bytes, error;
  if (!FileExists(request_.contacts_file) ||
      !ReadFile(request_.contacts_file, bytes, size_t{64} << 20)) {
    err << "rptcarry: cannot read the contacts file " << contacts_name << "\n";
    return false;
  }
  if (!contacts_.Parse(bytes, contacts_name, error)) {
    err << "rptcarry: " << error << "\n";
    return false;
  }
  // Codes that name no owner are told, not fatal: that owner simply gets no mail.
  for (const Contact& c : contacts_.All()) {
    int16_t status = 0;
    files_.Files().GetByKey(ReportFiles::kOwnerFile, 0, PackDigits(c.owner), 0, status);
    if (IsReadFailure(status)) {
      ReadFailure failure{files_.FileName(ReportFiles::kOwnerFile), ReadOperation::kSearch,
                          status};
      err << "rptcarry: " << cp850::ToUtf8(DescribeReadFailure(failure)) << "\n";
      return false;
    }
    if (status != 0) {
      err << "rptcarry: " << contacts_name << " line " << c.line << ": owner " << c.owner
          << " is not in the owners' file\n";
    }
  }
  const auto program = FindSendmailProgram(request_.sendmail_program, error);
  if (!program) {
    err << "rptcarry: " << error << "\n";
    return false;
  }
  sendmail_ = *program;
  log_ = std::make_unique<SendLog>(statements_->MonthDirectory() + "/sent.csv");
  if (!log_->Load(error)) {
    err << "rptcarry: " << cp850::ToUtf8(error) << "\n";
    return false;
  }
  return true;
}

ReportLineObserver* MonthEndDelivery::Observer() {
  return observers_.Empty() ? nullptr : &observers_;
}

bool MonthEndDelivery::Finish(bool report_written, std::ostream& err) {
  bool ok = true;
  if (statements_) {
    for (const std::string& e : statements_->Errors()) {
      err << "rptcarry: " << cp850::ToUtf8(e) << "\n";
      ok = false;
    }
    err << "rptcarry: " << statements_->Written().size() << " statement(s) in "
        << cp850::ToUtf8(statements_->MonthDirectory()) << "\n";
  }
  if (export_) {
    std::string error;
    if (!report_written) {
      export_->Abandon();
    } else if (!export_->Commit(error)) {
      err << "rptcarry: " << cp850::ToUtf8(error) << "\n";
      ok = false;
    }
  }
  if (log_) {
    if (!report_written) {
      err << "rptcarry: mail: nothing sent, the report was not finished\n";
      return false;
    }
    if (!Mail(err)) ok = false;
  }
  return ok;
}

bool MonthEndDelivery::Mail(std::ostream& err) {
  const std::string date = text_.FormatDate(parameters_.ReportDate, 0, "dma");
  MailingSetup setup;
  setup.sender_name = cp850::ToUtf8(files_.Holder().HolderName);
  setup.sender_address = sender_;
  setup.subject = cp850::ToUtf8(text_.Translate("Liquidaci\xa2 al propietari a ") + date);
  setup.body = cp850::ToUtf8(text_.Translate("Benvolgut propietari,") + "\n\n" +
                             text_.Translate("Us adjuntem la liquidaci\xa2 a ") + date + ".\n\n" +
                             text_.Translate("Atentament,") + "\n" +
                             files_.Holder().HolderName + "\n");
  setup.closing_date = IsoDate(parameters_.ReportDate);
  setup.resend = request_.resend;
  SendmailTransport transport(sendmail_);
  Mailing mailing(setup, contacts_, *log_, transport, clock_);
  const MailingSummary s = mailing.SendAll(statements_->Written(), err);
  err << "rptcarry: mail: " << s.sent << " sent, " << s.skipped << " skipped (no address), "
      << s.failed << " failed";
  if (s.already_sent > 0) err << ", " << s.already_sent << " already sent (not sent again)";
  err << "\n";
  return s.failed == 0;
}

}  // namespace orb
