// SendLog: the record of the statements mailed for one month, DIR/AAAA-MM/sent.csv, a
// UTF-8 CSV file with the header "owner,email,file,closing_date,time,result,detail" and
// one line per attempt, appended as it happens (result "sent", "skipped" or "failed").
// It tells a later run which owners already have the statement of a closing date. A log
// that cannot be read as such is refused with its line, so that nobody is sent twice by
// mistake.
#pragma once

#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace orb {

struct SendLogEntry {
  std::string owner;         // four digits
  std::string email;
  std::string file;          // the statement, as the program named it (UTF-8)
  std::string closing_date;  // AAAA-MM-DD
  std::string time;          // AAAA-MM-DDThh:mm:ss+hh:mm
  std::string result;        // "sent", "skipped" or "failed"
  std::string detail;        // why it was skipped or failed
};

class SendLog {
 public:
  // `file`: the suite name of the log.
  explicit SendLog(std::string file) : file_(std::move(file)) {}
  ~SendLog();
  SendLog(const SendLog&) = delete;
  SendLog& operator=(const SendLog&) = delete;

  // Reads what earlier runs logged; a missing file is an empty log. False with the
  // reason ("FILE line N: ...") when the file cannot be read or is malformed.
  bool Load(std::string& error);
  // True when an earlier line says the owner was sent the statement of this date.
  bool AlreadySent(std::string_view owner, std::string_view closing_date) const;
  // Appends one line (and the header to a new file), flushed at once. False when the
  // line could not be written.
  bool Append(const SendLogEntry& entry);

  const std::string& FileName() const { return file_; }

 private:
  std::string file_;
  std::set<std::pair<std::string, std::string>> sent_;  // (owner, closing date)
  std::FILE* out_ = nullptr;
  bool ends_open_ = false;  // the file read ends without a line end
};

}  // namespace orb
