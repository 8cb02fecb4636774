#include "core/item_reader.h"

#include "core/number_text.h"

namespace orb {
namespace {

constexpr char kEndOfFileMark = 26;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

ItemReader::ItemReader(std::string_view bytes) : data_(bytes) {
  const size_t mark = data_.find(kEndOfFileMark);
  if (mark != std::string_view::npos) data_ = data_.substr(0, mark);
}

void ItemReader::SkipSeparator() {
  if (position_ >= data_.size()) return;
  if (data_[position_] == ',') {
    ++position_;
  } else if (data_[position_] == '\r') {
    ++position_;
    if (position_ < data_.size() && data_[position_] == '\n') ++position_;
  }
}

std::string ItemReader::ReadText() {
  while (position_ < data_.size() &&
         (IsBlank(data_[position_]) || data_[position_] == '\n')) {
    ++position_;
  }
  std::string item;
  if (position_ >= data_.size()) return item;

  if (data_[position_] == '"') {
    const size_t start = position_ + 1;
    size_t close = data_.find('"', start);
    if (close == std::string_view::npos) close = data_.size();
    item.assign(data_.substr(start, close - start));
    position_ = close < data_.size() ? close + 1 : close;
    while (position_ < data_.size() && data_[position_] != ',' && data_[position_] != '\r') {
      ++position_;
    }
  } else {
    while (position_ < data_.size() && data_[position_] != ',' && data_[position_] != '\r') {
      const char c = data_[position_++];
      if (c != '\t' && c != '\n') item.push_back(c);
    }
  }
  SkipSeparator();
  return item;
}

int16_t ItemReader::ReadInteger(bool* well_formed) {
  const std::string item = ReadText();
  size_t used = 0;
  const auto number = LeadingNumber(item, &used);
  if (well_formed != nullptr) {
    bool rest_blank = true;
    for (size_t i = used; i < item.size(); ++i) rest_blank = rest_blank && IsBlank(item[i]);
    *well_formed = number.has_value() && rest_blank;
  }
  return RoundToInt16(number.value_or(0));
}

std::string_view ItemReader::ReadLine() {
  const size_t start = position_;
  size_t end = data_.find('\r', start);
  if (end == std::string_view::npos) end = data_.size();
  position_ = end;
  SkipSeparator();
  return data_.substr(start, end - start);
}

bool ItemReader::SkipCommentLines() {
  while (!AtEnd()) {
    const size_t start = position_;
    const std::string_view line = ReadLine();
    size_t first = 0;
    while (first < line.size() && (IsBlank(line[first]) || line[first] == '\n')) ++first;
    if (first >= line.size() || line[first] != '\'') {
      position_ = start;
      return true;
    }
  }
  return false;
}

int ItemReader::LineNumber() const {
  // Counted on from the last position asked about, so that asking at every item stays
  // linear in the size of the file; a move back counts again from the start.
  if (position_ < counted_position_) {
    counted_position_ = 0;
    counted_lines_ = 1;
  }
  for (size_t i = counted_position_; i < position_ && i < data_.size(); ++i) {
    if (data_[i] == '\r' || (data_[i] == '\n' && (i == 0 || data_[i - 1] != '\r'))) {
      ++counted_lines_;
    }
  }
  counted_position_ = position_;
  return counted_lines_;
}

}  // namespace orb
