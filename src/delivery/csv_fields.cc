#include "delivery/csv_fields.h"

namespace orb {

CsvReader::CsvReader(std::string_view bytes) : data_(bytes) {
  if (data_.substr(0, 3) == "\xef\xbb\xbf") position_ = 3;
}

bool CsvReader::Next(std::vector<std::string>& fields, std::string& error) {
  fields.clear();
  error.clear();
  record_line_ = line_;
  if (AtEnd()) return false;
  std::string field;
  bool quoted = false;      // inside quotes
  bool was_quoted = false;  // the current field began with a quote that has closed
  while (position_ < data_.size()) {
    const char c = data_[position_++];
    if (quoted) {
      if (c == '"') {
        if (position_ < data_.size() && data_[position_] == '"') {
          field += '"';
          ++position_;
        } else {
          quoted = false;
          was_quoted = true;
        }
      } else {
        if (c == '\n') ++line_;
        field += c;
      }
      continue;
    }
    if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
      was_quoted = false;
      continue;
    }
    if (c == '\r' && position_ < data_.size() && data_[position_] == '\n') continue;
    if (c == '\n') {
      ++line_;
      fields.push_back(std::move(field));
      return true;
    }
    if (c == '"' && field.empty() && !was_quoted) {
      quoted = true;
      continue;
    }
    if (was_quoted) {
      error = "text after a closing quote";
      // Skip to the end of the line so that a caller may go on.
      while (position_ < data_.size() && data_[position_] != '\n') ++position_;
      if (position_ < data_.size()) {
        ++position_;
        ++line_;
      }
      return false;
    }
    field += c;
  }
  if (quoted) {
    error = "a quoted field is not closed";
    return false;
  }
  fields.push_back(std::move(field));
  return true;
}

std::string CsvField(std::string_view text) {
  const bool needs_quotes =
      text.find_first_of(",\"\r\n") != std::string_view::npos ||
      (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!needs_quotes) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out += ',';
    out += CsvField(fields[i]);
  }
  out += "\r\n";
  return out;
}

}  // namespace orb
