#include "delivery/mail_transport.h"

#include <vector>

#include "platform/pipe_process.h"

namespace orb {

std::optional<std::string> FindSendmailProgram(std::string_view chosen, std::string& error) {
  if (!chosen.empty()) {
    if (auto path = FindProgram(chosen)) return path;
    error = "ORBSENDMAIL names \"" + std::string(chosen) + "\", which is not a program here";
    return std::nullopt;
  }
  if (auto path = FindProgram("sendmail")) return path;
  if (auto path = FindProgram("/usr/sbin/sendmail")) return path;
  error = "no sendmail program (not on PATH nor /usr/sbin/sendmail); ORBSENDMAIL may name one";
  return std::nullopt;
}

bool SendmailTransport::Send(std::string_view message, std::string& error) {
  const std::optional<int> status = RunWithInput({program_, "-t", "-oi"}, message);
  if (!status) {
    error = program_ + " could not be started";
    return false;
  }
  if (*status != 0) {
    error = program_ + " ended with exit code " + std::to_string(*status);
    return false;
  }
  return true;
}

}  // namespace orb
