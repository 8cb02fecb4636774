#include "ui/help_viewer.h"

#include <algorithm>

#include "core/text_file.h"
#include "platform/cp850.h"
#include "platform/host_path.h"

namespace orb {
namespace {

// Displayed characters of a line, at most.
constexpr int kLineCharacters = 76;
constexpr int kMaxLines = 32767;

}  // namespace

int HelpViewer::LineCount(int64_t size, int record_length) {
  if (size <= 0 || record_length <= 0) return 0;
  int64_t lines = size / record_length;
  const int64_t rest = size % record_length;
  if (2 * rest > record_length || (2 * rest == record_length && lines % 2 == 1)) ++lines;
  return static_cast<int>(std::min<int64_t>(lines, kMaxLines));
}

std::vector<std::string> HelpViewer::LauncherArguments(std::string_view topic) {
  return {"/C", "ULAUNC", cp850::ToUtf8("AJUDA\\" + std::string(topic) + ".HTM")};
}

void HelpViewer::Launch(std::string_view topic) {
  const std::string interpreter = p_.environment ? p_.environment("COMSPEC") : std::string();
  if (interpreter.empty() || !p_.run_program) return;
  p_.run_program(interpreter, LauncherArguments(topic));
}

// The text viewer over one help file.
class HelpViewer::TextView {
 public:
  TextView(HelpViewer& owner, std::string topic)
      : owner_(owner), p_(owner.p_), topic_(std::move(topic)) {
    columns_ = p_.console.ScreenColumns();
    rows_ = p_.console.ScreenRows();
    visible_ = rows_ - 8;
    shown_characters_ = std::min(kLineCharacters, columns_ - 3);
  }

  void Run() {
    if (visible_ < 1 || columns_ < 4) return;  // no room for a single line
    const std::string name = p_.directory + "AJUDA\\" + topic_ + ".HLP";
    // Records are lines of the screen's width in code page 850; a UTF-8 file is read
    // as its code page 850 text first (up to four bytes a character).
    const size_t most = static_cast<size_t>(kMaxLines + 1) * static_cast<size_t>(columns_);
    std::string bytes;
    if (!ReadFile(name, bytes, 4 * most)) bytes.clear();
    text_ = TextFileAsCp850(bytes);
    if (text_.size() > most) text_.resize(most);
    lines_ = LineCount(static_cast<int64_t>(text_.size()), columns_);

    p_.colours.SetColour("+h");
    p_.windows.PushWindow(4, 1, static_cast<int16_t>(rows_ - 3), static_cast<int16_t>(columns_));
    p_.windows.DrawFrame(2);
    p_.colours.SetColour("n");
    ShowLines(1, 1);
    next_ = visible_ + 1;

    for (;;) {
      int16_t key = 0;
      p_.keys.WaitKey(key);
      const int v = visible_, n = lines_;
      int& c = next_;
      switch (key) {
        case keys::kF1:
          if (topic_ != kGeneralHelpTopic) owner_.ShowHelp(kGeneralHelpTopic);
          break;
        case keys::kDown:
          if (c <= n) {
            Scroll(1);
            ShowLine(c, v);
            ++c;
          }
          break;
        case keys::kUp:
          if (c - v > 1) {
            --c;
            Scroll(-1);
            ShowLine(c - v, 1);
          }
          break;
        case keys::kPgDn:
          if (c <= n) {
            Scroll(v);
            if (c + v - 1 > n) c = n - v + 1;
            ShowLines(c, 1);
            c += v;
          }
          break;
        case keys::kPgUp:
          // The page before the one shown (lines c - 2V .. c - V - 1), or the first.
          if (c - v - 1 > 0) {
            Scroll(-v);
            if (c - 2 * v < 1) c = 2 * v + 1;
            ShowLines(c - 2 * v, 1);
            c = c - v;
          }
          break;
        case keys::kHome:
          if (c - v - 1 > 0) {
            Scroll(-v);
            ShowLines(1, 1);
            c = v + 1;
          }
          break;
        case keys::kEnd:
          if (c <= n) {
            Scroll(v);
            c = n - v + 1;
            ShowLines(c, 1);
            c = n + 1;
          }
          break;
        case keys::kEscape:
          p_.windows.PopWindow();
          p_.colours.SetColour("-");
          return;
        default:
          break;
      }
    }
  }

 private:
  // Scrolls the inside: up by `lines` when positive, down by -lines otherwise. The rows
  // left empty take the normal colour, whatever the last line shown ended in.
  void Scroll(int lines) {
    p_.colours.SetColour("n");
    p_.windows.ScrollRegion(4, 1, static_cast<int16_t>(rows_ - 5),
                            static_cast<int16_t>(columns_ - 2), static_cast<int16_t>(lines));
  }

  // Lines first, first + 1, ... on inside rows `row` .. visible lines.
  void ShowLines(int first, int row) {
    for (int r = row; r <= visible_; ++r) ShowLine(first + (r - row), r);
  }

  // Record k of the file, or what there is of it; nothing past the last line (so a
  // trailing end-of-file byte or line end shows nothing).
  std::string_view Record(int k) const {
    if (k < 1 || k > lines_) return {};
    const size_t start = static_cast<size_t>(k - 1) * static_cast<size_t>(columns_);
    if (start >= text_.size()) return {};
    return std::string_view(text_).substr(start, static_cast<size_t>(columns_));
  }

  void ShowLine(int k, int row) {
    p_.colours.SetColour("n");
    p_.windows.LocateInWindow(static_cast<int16_t>(row), 2);
    const std::string_view record = Record(k);
    if (record.find_first_of(std::string_view("\x1e\x1f\x10", 3)) == std::string_view::npos) {
      p_.console.PrintText(record.substr(0, static_cast<size_t>(shown_characters_)));
      return;
    }
    bool highlight = false, underline = false, reverse = false;
    int count = 0;
    std::string run;  // characters waiting to be printed in the current colour
    auto flush = [&] {
      if (!run.empty()) p_.console.PrintText(run);
      run.clear();
    };
    for (char byte : record) {
      switch (byte) {
        case kHelpHighlight:
          flush();
          highlight = !highlight;
          if (!underline) p_.colours.SetColour(highlight ? "h" : "n");
          break;
        case kHelpUnderline:
          flush();
          underline = !underline;
          p_.colours.SetColour(underline ? "u" : "n");
          break;
        case kHelpReverse:
          flush();
          reverse = !reverse;
          p_.colours.SetColour(reverse ? "r" : "n");
          break;
        default:
          if (++count <= shown_characters_) run.push_back(byte);
          break;
      }
    }
    flush();
  }

  HelpViewer& owner_;
  Parts& p_;
  const std::string topic_;
  std::string text_;
  int columns_ = 0;
  int rows_ = 0;
  int visible_ = 0;           // V
  int lines_ = 0;             // N
  int next_ = 0;              // c: the line just below the last one shown
  int shown_characters_ = 0;  // at most 76, and never past the box's frame
};

void HelpViewer::ShowHelp(const std::string& topic) {
  if (p_.session.HostKind == "WIN") {
    Launch(topic);
    return;
  }
  TextView view(*this, topic);
  view.Run();
}

}  // namespace orb
