#include "csv_reader.h"

namespace orb::orbdata {

CsvReader::CsvReader(std::string_view text) : text_(text) {
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
}

bool CsvReader::Next(CsvRow& row) {
  row.fields.clear();
  error_.clear();
  // Blank lines between rows are skipped.
  while (at_ < text_.size() && (text_[at_] == '\n' || text_[at_] == '\r')) {
    if (text_[at_] == '\n') ++line_;
    ++at_;
  }
  row.line = line_;
  if (at_ >= text_.size()) return false;

  std::string field;
  for (;;) {
    if (at_ < text_.size() && text_[at_] == '"') {
      ++at_;
      for (;;) {
        if (at_ >= text_.size()) {
          error_ = "a quoted field is not closed";
          return false;
        }
        const char c = text_[at_++];
        if (c == '"') {
          if (at_ < text_.size() && text_[at_] == '"') {
            field.push_back('"');
            ++at_;
            continue;
          }
          break;
        }
        if (c == '\n') ++line_;
        field.push_back(c);
      }
      if (at_ < text_.size() && text_[at_] != ',' && text_[at_] != '\n' &&
          !(text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n') &&
          !(text_[at_] == '\r' && at_ + 1 == text_.size())) {
        error_ = "text after the closing quote of a field";
        return false;
      }
    } else {
      while (at_ < text_.size() && text_[at_] != ',' && text_[at_] != '\n') {
        if (text_[at_] == '\r' && (at_ + 1 == text_.size() || text_[at_ + 1] == '\n')) break;
        if (text_[at_] == '"') {
          error_ = "a quote inside an unquoted field";
          return false;
        }
        field.push_back(text_[at_++]);
      }
    }
    row.fields.push_back(std::move(field));
    field.clear();
    if (at_ < text_.size() && text_[at_] == ',') {
      ++at_;
      continue;
    }
    if (at_ < text_.size() && text_[at_] == '\r') ++at_;
    if (at_ < text_.size() && text_[at_] == '\n') {
      ++at_;
      ++line_;
    }
    return true;
  }
}

}  // namespace orb::orbdata
