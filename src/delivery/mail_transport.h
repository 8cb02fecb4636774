// MailTransport: hands a composed message to the system's mail service. The sendmail
// transport runs a program with the sendmail interface ("PROGRAM -t -oi", the message
// on its standard input, recipients taken from the headers) through the process layer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orb {

class MailTransport {
 public:
  virtual ~MailTransport() = default;
  // False with the reason when the message was not accepted.
  virtual bool Send(std::string_view message, std::string& error) = 0;
};

// The program to run: `chosen` (the value of ORBSENDMAIL) when not empty, a name found
// on PATH or a path; else "sendmail" on PATH, else /usr/sbin/sendmail. Nothing, with
// the reason, when that program cannot be found.
std::optional<std::string> FindSendmailProgram(std::string_view chosen, std::string& error);

class SendmailTransport : public MailTransport {
 public:
  explicit SendmailTransport(std::string program) : program_(std::move(program)) {}
  bool Send(std::string_view message, std::string& error) override;

 private:
  std::string program_;
};

}  // namespace orb
