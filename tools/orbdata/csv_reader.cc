#include "csv_reader.h"

namespace orb::orbdata {

bool CsvRow::Blank() const {
  for (const std::string& field : fields) {
    if (!field.empty()) return false;
  }
  return true;
}

CsvReader::CsvReader(std::string_view text) : text_(text) {
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") at_ = 3;
  // The header line chooses the separator.
  size_t commas = 0, semicolons = 0;
  bool quoted = false, any = false;
  for (size_t i = at_; i < text_.size(); ++i) {
    const char c = text_[i];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') {
      if (any) break;  // blank lines before the header do not count
      continue;
    }
    any = true;
    if (c == ',') ++commas;
    if (c == ';') ++semicolons;
  }
  if (semicolons > commas) separator_ = ';';
}

bool CsvReader::SkipLineEnd() {
  if (at_ >= text_.size()) return false;
  if (text_[at_] == '\r') {
    ++at_;
    if (at_ < text_.size() && text_[at_] == '\n') ++at_;
  } else if (text_[at_] == '\n') {
    ++at_;
  } else {
    return false;
  }
  ++line_;
  return true;
}

bool CsvReader::Next(CsvRow& row) {
  row.fields.clear();
  error_.clear();
  while (SkipLineEnd()) {}  // blank lines between rows
  row.line = line_;
  if (at_ >= text_.size()) return false;

  const auto ends_field = [this](size_t at) {
    return at >= text_.size() || text_[at] == separator_ || text_[at] == '\n' ||
           text_[at] == '\r';
  };
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
        if (c == '\n' || (c == '\r' && (at_ >= text_.size() || text_[at_] != '\n'))) ++line_;
        field.push_back(c);
      }
      if (!ends_field(at_)) {
        error_ = "text after the closing quote of a field";
        return false;
      }
    } else {
      while (!ends_field(at_)) {
        if (text_[at_] == '"') {
          error_ = "a quote inside an unquoted field";
          return false;
        }
        field.push_back(text_[at_++]);
      }
    }
    row.fields.push_back(std::move(field));
    field.clear();
    if (at_ < text_.size() && text_[at_] == separator_) {
      ++at_;
      continue;
    }
    SkipLineEnd();
    return true;
  }
}

std::string Printable(std::string_view text) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  const auto escape = [&out](unsigned char byte) {
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  };
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\t' || c == '\r' || c == '\n') {
      out += c == '\t' ? "\\t" : c == '\r' ? "\\r" : "\\n";
      ++i;
      continue;
    }
    if (c < 0x20 || c == 0x7F) {
      escape(c);
      ++i;
      continue;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    // A UTF-8 sequence is shown as it is unless it is malformed or a C1 control.
    size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                  : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    for (size_t k = 1; k < length; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        length = 0;
      }
    }
    const bool c1_control = length == 2 && c == 0xC2 &&
                            static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (length == 0 || c1_control) {
      for (size_t k = 0; k < (length == 0 ? 1 : length); ++k) {
        escape(static_cast<unsigned char>(text[i + k]));
      }
      i += length == 0 ? 1 : length;
      continue;
    }
    out.append(text.substr(i, length));
    i += length;
  }
  return out;
}

}  // namespace orb::orbdata
