#include "delivery/send_log.h"

#include <vector>

#include "delivery/csv_fields.h"
#include "platform/host_path.h"

namespace orb {
namespace {

const std::vector<std::string> kHeader = {"owner", "email",  "file",  "closing_date",
                                          "time",  "result", "detail"};

}  // namespace

SendLog::~SendLog() {
  if (out_ != nullptr) std::fclose(out_);
}

bool SendLog::Load(std::string& error) {
  sent_.clear();
  if (!FileExists(file_)) {
    if (DirectoryExists(file_)) {
      error = file_ + ": is a directory, not a send log";
      return false;
    }
    return true;
  }
  std::string bytes;
  if (!ReadFile(file_, bytes, size_t{256} << 20)) {
    error = file_ + ": cannot be read";
    return false;
  }
  ends_open_ = !bytes.empty() && bytes.back() != '\n';
  CsvReader reader(bytes);
  std::vector<std::string> fields;
  std::string reason;
  bool header_seen = false;
  while (true) {
    if (!reader.Next(fields, reason)) {
      if (!reason.empty()) {
        error = file_ + " line " + std::to_string(reader.Line()) + ": " + reason;
        return false;
      }
      break;
    }
    if (fields.size() == 1 && fields[0].empty()) continue;
    if (!header_seen) {
      if (fields != kHeader) {
        error = file_ + " line " + std::to_string(reader.Line()) +
                ": not the header of a send log";
        return false;
      }
      header_seen = true;
      continue;
    }
    if (fields.size() != kHeader.size()) {
      error = file_ + " line " + std::to_string(reader.Line()) + ": " +
              std::to_string(fields.size()) + " fields where a send log has " +
              std::to_string(kHeader.size());
      return false;
    }
    if (fields[5] == "sent") sent_.emplace(fields[0], fields[3]);
  }
  return true;
}

bool SendLog::AlreadySent(std::string_view owner, std::string_view closing_date) const {
  return sent_.count({std::string(owner), std::string(closing_date)}) != 0;
}

bool SendLog::Append(const SendLogEntry& e) {
  if (out_ == nullptr) {
    const bool is_new = !FileExists(file_) || FileSize(file_).value_or(0) == 0;
    out_ = OpenFile(file_, "ab");
    if (out_ == nullptr) return false;
    const std::string start = is_new ? CsvRecord(kHeader) : ends_open_ ? "\r\n" : "";
    if (std::fwrite(start.data(), 1, start.size(), out_) != start.size()) return false;
  }
  const std::string line =
      CsvRecord({e.owner, e.email, e.file, e.closing_date, e.time, e.result, e.detail});
  const bool written = std::fwrite(line.data(), 1, line.size(), out_) == line.size();
  if (written && e.result == "sent") sent_.emplace(e.owner, e.closing_date);
  return std::fflush(out_) == 0 && written;
}

}  // namespace orb
