#include "delivery/mailing.h"

#include <cstdio>
#include <ostream>

#include "delivery/mime_message.h"
#include "platform/cp850.h"
#include "platform/host_path.h"

namespace orb {

std::string LogTime(const LocalTime& t) {
  const int offset = t.utc_offset_minutes < 0 ? -t.utc_offset_minutes : t.utc_offset_minutes;
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.date.year,
                t.date.month, t.date.day, t.hour, t.minute, t.second,
                t.utc_offset_minutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

Mailing::Mailing(MailingSetup setup, const ContactList& contacts, SendLog& log,
                 MailTransport& transport, const Clock& clock)
    : setup_(std::move(setup)), contacts_(contacts), log_(log), transport_(transport),
      clock_(clock) {}

void Mailing::Log(SendLogEntry entry, std::ostream& err) {
  entry.closing_date = setup_.closing_date;
  entry.time = LogTime(clock_.Now());
  if (!log_.Append(entry)) {
    err << "rptcarry: cannot write the send log " << cp850::ToUtf8(log_.FileName()) << "\n";
  }
}

MailingSummary Mailing::SendAll(const std::vector<WrittenStatement>& statements,
                                std::ostream& err) {
  MailingSummary summary;
  const std::string domain = setup_.sender_address.substr(setup_.sender_address.find('@') + 1);
  for (const WrittenStatement& statement : statements) {
    const std::string file = cp850::ToUtf8(statement.file);
    const Contact* contact = contacts_.Find(statement.owner);
    if (contact == nullptr || contact->email.empty()) {
      ++summary.skipped;
      Log({statement.owner, "", file, "", "", "skipped", "no address"}, err);
      continue;
    }
    if (!setup_.resend && log_.AlreadySent(statement.owner, setup_.closing_date)) {
      ++summary.already_sent;
      continue;
    }
    MailMessage message;
    message.from_name = setup_.sender_name;
    message.from_address = setup_.sender_address;
    message.to_name = contact->name;
    message.to_address = contact->email;
    message.subject = setup_.subject;
    message.body = setup_.body;
    message.attachment_name = statement.owner + ".pdf";
    message.date = clock_.Now();
    const LocalTime& t = message.date;
    char id[96];
    std::snprintf(id, sizeof id, "<rptcarry.%s.%s.%04d%02d%02d%02d%02d%02d.%d@", 
                  setup_.closing_date.c_str(), statement.owner.c_str(), t.date.year,
                  t.date.month, t.date.day, t.hour, t.minute, t.second,
                  summary.sent + summary.failed);
    message.message_id = id + domain + ">";
    std::string error;
    if (!ReadFile(statement.file, message.attachment)) {
      error = "cannot read the statement";
    } else if (transport_.Send(ComposeMessage(message), error)) {
      ++summary.sent;
      Log({statement.owner, contact->email, file, "", "", "sent", ""}, err);
      continue;
    }
    ++summary.failed;
    err << "rptcarry: owner " << statement.owner << " <" << contact->email
        << ">: not sent: " << error << "\n";
    Log({statement.owner, contact->email, file, "", "", "failed", error}, err);
  }
  return summary;
}

}  // namespace orb
