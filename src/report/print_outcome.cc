#include "report/print_outcome.h"

#include "platform/host_path.h"

namespace orb {
namespace {

std::string Blanked(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127 || byte == 255) c = ' ';
  }
  return out;
}

}  // namespace

std::string PrintOutcomeFileName(const Session& session) {
  return session.TempDir + kPrintOutcomeName;
}

bool WritePrintOutcome(const Session& session, std::string_view text) {
  return WriteFile(PrintOutcomeFileName(session), Blanked(text) + "\r\n");
}

std::string ReadPrintOutcome(const Session& session) {
  std::string bytes;
  if (!ReadFile(PrintOutcomeFileName(session), bytes, kMaxPrintOutcomeBytes)) return "";
  const size_t end = bytes.find_first_of("\r\n");
  std::string line = Blanked(bytes.substr(0, end));
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void RemovePrintOutcome(const Session& session) { RemoveFile(PrintOutcomeFileName(session)); }

}  // namespace orb
