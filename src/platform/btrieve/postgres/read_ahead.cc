#include "platform/btrieve/postgres/read_ahead.h"

#include <algorithm>
#include <cstring>

namespace orb::btr::pg {
namespace {

int CompareImages(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return 0;
}

}  // namespace

int ComparePlaces(std::string_view image_a, int64_t position_a, const Place& b) {
  if (const int c = CompareImages(image_a, b.image)) return c;
  if (position_a != b.position) return position_a < b.position ? -1 : 1;
  return 0;
}

void KeyRows::Clear() {
  covered_ = false;
  rows_.clear();
  low_bounded_ = high_bounded_ = false;
}

bool KeyRows::InsideLow(const Place& p) const {
  return !low_bounded_ || ComparePlaces(p.image, p.position, low_) >= 0;
}

bool KeyRows::InsideHigh(const Place& p) const {
  return !high_bounded_ || ComparePlaces(p.image, p.position, high_) <= 0;
}

KeyRows::Lookup KeyRows::Forward(const Place& target) const {
  if (!covered_ || !InsideLow(target)) return {Answer::kFetch};
  if (!InsideHigh(target)) {
    // Just past the last row read: the next batch goes on from there.
    if (target.image == high_.image && target.position == high_.position + 1) {
      return {Answer::kExtend};
    }
    return {Answer::kFetch};
  }
  const auto it = std::lower_bound(rows_.begin(), rows_.end(), target,
                                   [](const Row& r, const Place& t) {
                                     return ComparePlaces(r.image, r.position, t) < 0;
                                   });
  if (it != rows_.end()) return {Answer::kRow, static_cast<size_t>(it - rows_.begin())};
  return {high_bounded_ ? Answer::kExtend : Answer::kNone};
}

KeyRows::Lookup KeyRows::Backward(const Place& target) const {
  if (!covered_ || !InsideHigh(target)) return {Answer::kFetch};
  if (!InsideLow(target)) {
    if (target.image == low_.image && target.position == low_.position - 1) {
      return {Answer::kExtend};
    }
    return {Answer::kFetch};
  }
  const auto it = std::upper_bound(rows_.begin(), rows_.end(), target,
                                   [](const Place& t, const Row& r) {
                                     return ComparePlaces(r.image, r.position, t) > 0;
                                   });
  if (it != rows_.begin()) {
    return {Answer::kRow, static_cast<size_t>(it - rows_.begin()) - 1};
  }
  return {low_bounded_ ? Answer::kExtend : Answer::kNone};
}

bool KeyRows::Beyond(bool forward, Place& from) const {
  if (!covered_) return false;
  if (forward) {
    if (!high_bounded_) return false;
    from = high_;
    ++from.position;
  } else {
    if (!low_bounded_) return false;
    from = low_;
    --from.position;
  }
  return true;
}

void KeyRows::Replace(const Place& from, bool forward, std::deque<Row>&& rows,
                      bool complete) {
  covered_ = true;
  rows_ = std::move(rows);
  if (!forward) std::reverse(rows_.begin(), rows_.end());
  if (forward) {
    low_bounded_ = true;
    low_ = from;
    high_bounded_ = !complete;
    if (high_bounded_) high_ = {rows_.back().image, rows_.back().position};
  } else {
    high_bounded_ = true;
    high_ = from;
    low_bounded_ = !complete;
    if (low_bounded_) low_ = {rows_.front().image, rows_.front().position};
  }
  // A bounded end always has a row to stand on.
  if (rows_.empty()) {
    if (forward) high_bounded_ = false;
    if (!forward) low_bounded_ = false;
  }
}

void KeyRows::Append(bool forward, std::deque<Row>&& rows, bool complete) {
  if (forward) {
    for (Row& r : rows) rows_.push_back(std::move(r));
    high_bounded_ = !complete && !rows_.empty();
    if (high_bounded_) high_ = {rows_.back().image, rows_.back().position};
  } else {
    for (Row& r : rows) rows_.push_front(std::move(r));
    low_bounded_ = !complete && !rows_.empty();
    if (low_bounded_) low_ = {rows_.front().image, rows_.front().position};
  }
}

void KeyRows::Trim(size_t max_rows, bool forward) {
  if (rows_.size() <= max_rows) return;
  const size_t drop = rows_.size() - max_rows;
  if (forward) {
    rows_.erase(rows_.begin(), rows_.begin() + static_cast<std::ptrdiff_t>(drop));
    low_bounded_ = true;
    low_ = {rows_.front().image, rows_.front().position};
  } else {
    rows_.erase(rows_.end() - static_cast<std::ptrdiff_t>(drop), rows_.end());
    high_bounded_ = true;
    high_ = {rows_.back().image, rows_.back().position};
  }
}

}  // namespace orb::btr::pg
