// KeyRows: what one position block has read ahead along one key of a server file: a
// run of rows in (key image, position) order together with the stretch of the key they
// cover, so that a search or step that falls inside the stretch is answered without
// asking the server, and one that falls outside says which rows to fetch. The caller
// drops it whenever the file may have changed.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace orb::btr::pg {

// A point along a key: an image and a position. Positions of records are 1..2^32-1;
// 0 stands before every record of the image and 2^32 after every one.
struct Place {
  std::string image;
  int64_t position = 0;
};
int ComparePlaces(std::string_view image_a, int64_t position_a, const Place& b);

struct Row {
  std::string image;
  uint32_t position = 0;
  std::string data;
};

class KeyRows {
 public:
  enum class Answer { kRow, kNone, kExtend, kFetch };
  struct Lookup {
    Answer answer;
    size_t index = 0;  // the row, for kRow
  };

  bool Empty() const { return !covered_; }
  void Clear();
  const Row& At(size_t index) const { return rows_[index]; }
  size_t Size() const { return rows_.size(); }

  // The first row at or after `target` (forward) or the last at or before it
  // (backward): kRow; kNone when the covered stretch shows there is none; kExtend when
  // the stretch ends first, so that the rows beyond its end (Beyond) are needed;
  // kFetch when the target lies outside the stretch.
  Lookup Forward(const Place& target) const;
  Lookup Backward(const Place& target) const;

  // Where an extension starts: just after the last covered place (forward) or just
  // before the first (backward). Only when the stretch is bounded that way.
  bool Beyond(bool forward, Place& from) const;

  // Rows fetched from `from` onwards in key order (forward, ascending) or backwards
  // from it (descending), `complete` when they run to the end of the key that way.
  // Replace starts a new stretch at `from`; Append continues the current one (from is
  // then the place Beyond gave, or a target with nothing between Beyond and it).
  void Replace(const Place& from, bool forward, std::deque<Row>&& rows, bool complete);
  void Append(bool forward, std::deque<Row>&& rows, bool complete);

  // Keeps at most `max_rows`, dropping from the end away from the direction of travel.
  void Trim(size_t max_rows, bool forward);

 private:
  bool InsideLow(const Place& p) const;
  bool InsideHigh(const Place& p) const;

  bool covered_ = false;
  std::deque<Row> rows_;
  // The stretch: from low to high inclusive; an unbounded end reaches the key's end.
  bool low_bounded_ = false, high_bounded_ = false;
  Place low_, high_;
};

}  // namespace orb::btr::pg
