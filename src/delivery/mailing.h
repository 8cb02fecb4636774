// Mailing: sends each listed owner the statement of the closing date as a PDF
// attachment, with a subject and a short text in the session's language, from the
// holder's address. Every attempt goes to the send log: an owner without an address is
// skipped, a failed send does not stop the others, and an owner the log already shows
// as sent for this closing date is not sent again unless asked to resend.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "delivery/contacts.h"
#include "delivery/mail_transport.h"
#include "delivery/send_log.h"
#include "delivery/statement_writer.h"
#include "platform/clock.h"

namespace orb {

// What every message shares (UTF-8 texts).
struct MailingSetup {
  std::string sender_name;
  std::string sender_address;
  std::string subject;
  std::string body;
  std::string closing_date;  // AAAA-MM-DD, as the log keeps it
  bool resend = false;
};

struct MailingSummary {
  int sent = 0;
  int skipped = 0;
  int failed = 0;
  int already_sent = 0;
};

class Mailing {
 public:
  Mailing(MailingSetup setup, const ContactList& contacts, SendLog& log,
          MailTransport& transport, const Clock& clock);

  // One message per statement, in order. Failures are told on `err` as they happen.
  MailingSummary SendAll(const std::vector<WrittenStatement>& statements, std::ostream& err);

 private:
  void Log(SendLogEntry entry, std::ostream& err);

  MailingSetup setup_;
  const ContactList& contacts_;
  SendLog& log_;
  MailTransport& transport_;
  const Clock& clock_;
};

// "AAAA-MM-DDThh:mm:ss+hh:mm".
std::string LogTime(const LocalTime& time);

}  // namespace orb
