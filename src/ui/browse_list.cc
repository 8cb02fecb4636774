#include "ui/browse_list.h"

#include <algorithm>
#include <deque>
#include <optional>
#include <vector>

#include "format/packed_digits.h"
#include "ui/browse_file.h"
#include "ui/form_engine.h"

namespace orb {
namespace {

// Follow-on lists opened with F4 from one another, one inside the other.
constexpr int kMaxDepth = 16;
// Columns moved by Left and Right.
constexpr int kSideStep = 8;

std::string RightTrimmed(std::string_view text) {
  const size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? "" : std::string(text.substr(0, end + 1));
}

}  // namespace

std::string BrowseLineText(int16_t list, std::string_view record) {
  if (list != 1) return "";
  const std::string_view code = record.substr(0, std::min<size_t>(2, record.size()));
  const std::string_view name = record.substr(code.size(), 30);
  return RightTrimmed(UnpackDigits(code) + "  " + std::string(name));
}

// One opening of a list: its box, its work file, the page shown and the key loop.
class BrowseList::OpenList {
 public:
  OpenList(BrowseList& owner, int16_t list)
      : owner_(owner), p_(owner.p_), list_(list), work_(owner.WorkFileName()) {
    const FormList& spec = p_.table.List(list);
    file_ = spec.Spec[0];
    key_no_ = spec.Spec[1];
    box_ = {spec.Spec[2], spec.Spec[3], spec.Spec[4], spec.Spec[5]};
    filter_window_ = spec.Spec[6];
    next_list_ = spec.Spec[7];
    title_ = spec.Title;
    lines_ = box_.bottom - box_.top - 1;
    width_ = box_.right - box_.left - 1;
  }

  bool BoxFits() {
    return lines_ >= 1 && width_ >= 1 && box_.top >= 1 && box_.left >= 1 &&
           box_.bottom <= p_.console.ScreenRows() && box_.right <= p_.console.ScreenColumns();
  }

  int16_t Run(int depth) {
    if (!BoxFits()) return kCancelled;
    if (filter_window_ != 0 && owner_.engine_ != nullptr) {
      int16_t window = filter_window_, leave_up = 0, leave_down = 0, key = 0;
      owner_.engine_->RunForm(window, leave_up, leave_down, key);
      if (key == keys::kEscape) return kCancelled;
    }
    int16_t status = 0;
    if (file_ > 0) p_.files.SetLockMode(file_, "+d", status);
    p_.colours.SetColour("+n");
    p_.windows.PushWindow(box_.top, box_.left, box_.bottom, box_.right);
    p_.windows.DrawFrame(2);
    p_.colours.SetColour("h");
    p_.exit_keys.SetExitKeys("+ea", "d,1b,4800,5000,4900,5100,4b00,4d00");
    const bool follow_on_allowed = next_list_ != 0 && depth < kMaxDepth;
    if (follow_on_allowed) p_.exit_keys.SetExitKeys("a", "3e00");

    work_.Create();
    FillPage(EntryAt(1));
    DrawPage();

    int16_t result = kCancelled;
    bool follow_on = false;
    for (bool open = true; open;) {
      p_.colours.SetColour("u");
      DrawLine(highlighted_);
      const int16_t key = NextKey();
      p_.colours.SetColour("h");
      DrawLine(highlighted_);
      switch (key) {
        case keys::kLeft:
          if (offset_ > 1) {
            offset_ -= kSideStep;
            DrawPage();
          }
          break;
        case keys::kRight:
          if (offset_ <= overflow_) {
            offset_ += kSideStep;
            DrawPage();
          }
          break;
        case keys::kUp: StepUp(); break;
        case keys::kDown: StepDown(); break;
        case keys::kPgUp: PageUp(); break;
        case keys::kPgDn: PageDown(); break;
        case keys::kEnter:
          result = Choose();
          open = false;
          break;
        case keys::kEscape:
          open = false;
          break;
        case keys::kF4:
          if (follow_on_allowed) {
            follow_on = true;
            open = false;
          }
          break;
        default:
          break;
      }
    }

    work_.Remove();
    if (follow_on) {
      result = owner_.RunAtDepth(next_list_, depth + 1);
      if (result == 0 && owner_.engine_ != nullptr) owner_.engine_->ApplyListChoice(next_list_, 0, 0);
    }
    p_.exit_keys.SetExitKeys("-", "");
    p_.windows.PopWindow();
    p_.colours.SetColour("-");
    if (file_ > 0) p_.files.SetLockMode(file_, "-", status);
    return result;
  }

 private:
  // The next key: one kept while a page was filled, else one waited for.
  int16_t NextKey() {
    if (!pending_.empty()) {
      const int16_t key = pending_.front();
      pending_.pop_front();
      return key;
    }
    int16_t key = 0;
    p_.keys.WaitKey(key);
    return key;
  }

  // Looks at the keyboard without waiting: true for Escape; any other key is kept.
  bool EscapePressed() {
    int16_t key = 0, button = 0, row = 0, column = 0;
    p_.keys.ReadKeyEvent(key, button, row, column);
    if (key == keys::kEscape) return true;
    if (key == 0 && button != 0) {
      key = static_cast<int16_t>(static_cast<uint16_t>(column * 256 + button * 64 + row));
    }
    if (key != 0) pending_.push_back(key);
    return false;
  }

  // Reads the next record of the data file and notes it in the work file; false at the
  // end of the range (or of the file), on a failed read, or when the work file cannot
  // take it. Records whose line is blank are passed over.
  bool ReadRecord() {
    while (!at_end_) {
      int16_t status = 0;
      if (file_ <= 0) break;
      if (first_read_) {
        first_read_ = false;
        p_.files.GetByKey(file_, key_no_, range_start_, 1, status);
      } else {
        p_.files.StepRecords(file_, 1, status);
      }
      if (status != 0 || PastRangeEnd()) break;
      const std::string line =
          BrowseLineText(list_, p_.record_area ? p_.record_area(file_) : std::string());
      if (line.empty()) continue;
      const int32_t position = p_.files.PositionRecord(file_, 0);
      if (work_.Append(position, line) == 0) break;
      return true;
    }
    at_end_ = true;
    return false;
  }

  bool PastRangeEnd() {
    if (range_end_.empty()) return false;
    const std::string end = p_.files.KeyImage(range_end_, file_);
    return p_.files.CurrentKeyImage(file_).substr(0, end.size()) > end;
  }

  // The entry at a position of the work file, reading a record when the position is
  // where the next one goes.
  std::optional<BrowseEntry> EntryAt(uint32_t position) {
    if (position == work_.EndPosition() && !ReadRecord()) return std::nullopt;
    return work_.Read(position);
  }

  // The page from `first` on, as many entries as there are lines.
  void FillPage(std::optional<BrowseEntry> first) {
    page_.clear();
    std::optional<BrowseEntry> entry = std::move(first);
    while (entry) {
      page_.push_back(*entry);
      if (static_cast<int>(page_.size()) == lines_) break;
      const uint32_t next = entry->NextPosition();
      if (next == work_.EndPosition() && !at_end_ && EscapePressed()) break;
      entry = EntryAt(next);
    }
    highlighted_ = std::clamp(highlighted_, 1, std::max(static_cast<int>(page_.size()), 1));
  }

  void StepUp() {
    if (highlighted_ > 1) {
      --highlighted_;
      return;
    }
    if (page_.empty() || page_.front().previous == 0) return;
    std::optional<BrowseEntry> previous = work_.Read(page_.front().previous);
    if (!previous) return;
    page_.insert(page_.begin(), *previous);
    if (static_cast<int>(page_.size()) > lines_) page_.pop_back();
    DrawPage();
  }

  void StepDown() {
    if (highlighted_ < static_cast<int>(page_.size())) {
      ++highlighted_;
      return;
    }
    if (page_.empty()) return;
    std::optional<BrowseEntry> next = EntryAt(page_.back().NextPosition());
    if (!next) return;
    if (highlighted_ < lines_) {
      page_.push_back(*next);
      ++highlighted_;
      DrawLine(highlighted_);
      return;
    }
    page_.erase(page_.begin());
    page_.push_back(*next);
    DrawPage();
  }

  void PageDown() {
    if (page_.empty()) return;
    std::optional<BrowseEntry> next = EntryAt(page_.back().NextPosition());
    if (!next) return;
    FillPage(std::move(next));
    DrawPage();
  }

  void PageUp() {
    if (page_.empty() || page_.front().previous == 0) return;
    BrowseEntry top = page_.front();
    int steps = 0;
    while (steps < lines_ && top.previous != 0) {
      std::optional<BrowseEntry> previous = work_.Read(top.previous);
      if (!previous) break;
      top = *previous;
      ++steps;
    }
    if (steps < lines_) highlighted_ = 1;
    FillPage(top);
    DrawPage();
  }

  // Enter: reads the highlighted line's record back by its position.
  int16_t Choose() {
    if (file_ <= 0) return 0;
    if (page_.empty()) return kCancelled;
    const int32_t position = page_[static_cast<size_t>(highlighted_ - 1)].record_position;
    if (position == 0) return kCancelled;
    return static_cast<int16_t>(p_.files.PositionRecord(file_, position));
  }

  void DrawLine(int line) {
    std::string text;
    if (line >= 1 && line <= static_cast<int>(page_.size())) {
      const std::string& whole = page_[static_cast<size_t>(line - 1)].line;
      const int longest = static_cast<int>(whole.size()) - width_;
      if (longest > overflow_) {
        overflow_ = longest;
        if (!drawing_page_) DrawHeading();
      }
      if (static_cast<size_t>(offset_ - 1) < whole.size()) text = whole.substr(static_cast<size_t>(offset_ - 1));
    }
    p_.windows.LocateInWindow(static_cast<int16_t>(line), 1);
    p_.console.PrintText(FitText(text, width_));
  }

  void DrawPage() {
    drawing_page_ = true;
    for (int line = 1; line <= lines_; ++line) DrawLine(line);
    drawing_page_ = false;
    DrawHeading();
  }

  void DrawHeading() {
    p_.windows.DrawListTitle(title_, static_cast<int16_t>(offset_), static_cast<int16_t>(width_),
                             static_cast<int16_t>(std::min(overflow_, 32767)));
  }

  BrowseList& owner_;
  Parts& p_;
  const int16_t list_;
  BrowseFile work_;

  int16_t file_ = 0;
  int16_t key_no_ = 0;
  ScreenRect box_;
  int16_t filter_window_ = 0;
  int16_t next_list_ = 0;
  std::string title_;
  int lines_ = 0;  // visible lines
  int width_ = 0;  // line width

  // The key range listed: the whole file.
  const std::string range_start_;
  const std::string range_end_;

  std::vector<BrowseEntry> page_;  // the entries shown, from the first line down
  int highlighted_ = 1;
  int offset_ = 1;    // first character shown: 1, 9, 17, ...
  int overflow_ = 0;  // longest line seen minus the line width
  bool first_read_ = true;
  bool at_end_ = false;
  bool drawing_page_ = false;
  std::deque<int16_t> pending_;
};

int16_t BrowseList::Run(int16_t list) { return RunAtDepth(list, 1); }

int16_t BrowseList::RunAtDepth(int16_t list, int depth) {
  OpenList open(*this, list);
  return open.Run(depth);
}

std::string BrowseList::ChosenRecord(int16_t list) {
  const int16_t file = p_.table.List(list).Spec[0];
  if (file <= 0 || !p_.record_area) return "";
  return p_.record_area(file);
}

}  // namespace orb
