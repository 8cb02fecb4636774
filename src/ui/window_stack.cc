#include "ui/window_stack.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/host_path.h"

namespace orb {
namespace {

constexpr size_t kHeaderSize = 4;
constexpr size_t kFixedPartSize = 20;  // cursor, previous rectangle, saved rectangle
constexpr size_t kLengthSize = 5;
constexpr int kMessageWidth = 76;

void AppendDigits(std::string& out, int value, int width) {
  std::string digits(static_cast<size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value > 0; --i) {
    digits[static_cast<size_t>(i)] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out += digits;
}

// Decimal digits only; nothing when any byte is not a digit.
std::optional<int> ParseDigits(std::string_view text) {
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::optional<int64_t> SizeOf(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return std::nullopt;
  const long size = std::ftell(file);
  if (size < 0) return std::nullopt;
  return size;
}

bool ReadAt(std::FILE* file, int64_t offset, void* data, size_t size) {
  return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fread(data, 1, size, file) == size;
}

bool WriteAt(std::FILE* file, int64_t offset, const void* data, size_t size) {
  return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fwrite(data, 1, size, file) == size;
}

// The header's next-record position, when it is one a record can be written at.
std::optional<uint32_t> ReadHeader(std::FILE* file, int64_t size) {
  if (size < static_cast<int64_t>(kHeaderSize)) return std::nullopt;
  unsigned char bytes[kHeaderSize];
  if (!ReadAt(file, 0, bytes, kHeaderSize)) return std::nullopt;
  const uint32_t position = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                            (static_cast<uint32_t>(bytes[3]) << 24);
  if (position < kHeaderSize + 1 || position > static_cast<uint64_t>(size) + 1) {
    return std::nullopt;
  }
  return position;
}

bool WriteHeader(std::FILE* file, uint32_t position) {
  const unsigned char bytes[kHeaderSize] = {
      static_cast<unsigned char>(position), static_cast<unsigned char>(position >> 8),
      static_cast<unsigned char>(position >> 16), static_cast<unsigned char>(position >> 24)};
  return WriteAt(file, 0, bytes, kHeaderSize);
}

bool OnScreen(Console& console, int16_t row, int16_t column) {
  return row >= 1 && row <= console.ScreenRows() && column >= 1 &&
         column <= console.ScreenColumns();
}

}  // namespace

void WindowStack::PushWindow(int16_t top, int16_t left, int16_t bottom, int16_t right) {
  const int16_t rows = console_.ScreenRows();
  const int16_t columns = console_.ScreenColumns();
  auto fits = [](int16_t value, int16_t limit) {
    return value >= 1 && value <= limit && value <= 99;  // two digits in the record
  };
  if (!fits(top, rows) || !fits(bottom, rows) || !fits(left, columns) || !fits(right, columns)) {
    return;
  }

  const std::string name = StackFileName();
  std::FILE* file = OpenFile(name, "r+b");
  if (file == nullptr) file = OpenFile(name, "w+b");
  if (file == nullptr) return;
  const int64_t size = SizeOf(file).value_or(0);
  // A header that does not point inside the file (a damaged file) starts the stack afresh.
  const uint32_t position = ReadHeader(file, size).value_or(kHeaderSize + 1);

  std::string record;
  AppendDigits(record, std::clamp<int>(console_.CursorRow(), 0, 99), 2);
  AppendDigits(record, std::clamp<int>(console_.CursorColumn(), 0, 99), 2);
  for (int16_t value : {rect_.top, rect_.left, rect_.bottom, rect_.right}) {
    AppendDigits(record, std::clamp<int>(value, 0, 99), 2);
  }
  for (int16_t value : {top, left, bottom, right}) AppendDigits(record, value, 2);
  // The rectangle is taken as given; rows or columns given backwards save no cells.
  for (int16_t r = top; r <= bottom; ++r) {
    for (int16_t c = left; c <= right; ++c) {
      record.push_back(static_cast<char>(console_.ReadCellChar(r, c)));
      record.push_back(static_cast<char>(console_.ReadCellAttribute(r, c)));
    }
  }
  AppendDigits(record, static_cast<int>(record.size() + kLengthSize), 5);

  const bool written = WriteAt(file, position - 1, record.data(), record.size()) &&
                       WriteHeader(file, static_cast<uint32_t>(position + record.size()));
  std::fclose(file);
  if (!written) return;
  rect_ = ScreenRect{top, left, bottom, right};
  ++depth_;
}

void WindowStack::PopWindow() {
  const std::string name = StackFileName();
  std::FILE* file = OpenFile(name, "r+b");
  if (file == nullptr) {
    RemoveFile(name);
    return;
  }
  const int64_t size = SizeOf(file).value_or(0);
  if (size <= 3) {
    std::fclose(file);
    RemoveFile(name);
    return;
  }
  if (depth_ > 0) --depth_;

  // Every length and coordinate is checked against the file before it is used; a
  // damaged record restores nothing and the file goes.
  auto discard = [&] {
    std::fclose(file);
    RemoveFile(name);
  };
  const std::optional<uint32_t> header = ReadHeader(file, size);
  if (!header || *header < kHeaderSize + 1 + kFixedPartSize + kLengthSize) return discard();
  const int64_t end = *header - 1;  // offset just past the last record
  char length_digits[kLengthSize];
  if (!ReadAt(file, end - static_cast<int64_t>(kLengthSize), length_digits, kLengthSize)) {
    return discard();
  }
  const std::optional<int> length = ParseDigits(std::string_view(length_digits, kLengthSize));
  if (!length || *length < static_cast<int>(kFixedPartSize + kLengthSize) ||
      end - *length < static_cast<int64_t>(kHeaderSize)) {
    return discard();
  }
  const int64_t start = end - *length;
  std::string record(static_cast<size_t>(*length), '\0');
  if (!ReadAt(file, start, record.data(), record.size())) return discard();

  int fields[10];
  for (int i = 0; i < 10; ++i) {
    const std::optional<int> value = ParseDigits(std::string_view(record).substr(2 * i, 2));
    if (!value) return discard();
    fields[i] = *value;
  }
  const int top = fields[6], left = fields[7], bottom = fields[8], right = fields[9];
  const int64_t cells = top <= bottom && left <= right
                            ? int64_t{bottom - top + 1} * (right - left + 1)
                            : 0;
  if (static_cast<int64_t>(kFixedPartSize) + 2 * cells + static_cast<int64_t>(kLengthSize) !=
      *length) {
    return discard();
  }

  rect_ = ScreenRect{static_cast<int16_t>(fields[2]), static_cast<int16_t>(fields[3]),
                     static_cast<int16_t>(fields[4]), static_cast<int16_t>(fields[5])};
  size_t at = kFixedPartSize;
  for (int r = top; r <= bottom && cells > 0; ++r) {
    for (int c = left; c <= right; ++c, at += 2) {
      const auto ch = static_cast<uint8_t>(record[at]);
      const auto attribute = static_cast<uint8_t>(record[at + 1]);
      const auto row = static_cast<int16_t>(r), column = static_cast<int16_t>(c);
      if (!OnScreen(console_, row, column)) continue;  // the screen shrank meanwhile
      console_.SetConsoleColour(attribute % 16, attribute / 16);
      console_.LocateCursor(row, column);
      console_.PrintText(std::string_view(reinterpret_cast<const char*>(&ch), 1));
    }
  }
  console_.LocateCursor(static_cast<int16_t>(fields[0]), static_cast<int16_t>(fields[1]));

  const int64_t previous = start + 1;  // 1-based position of the popped record
  const bool written = WriteHeader(file, static_cast<uint32_t>(previous));
  std::fclose(file);
  if (!written || previous < 6) RemoveFile(name);
}

void WindowStack::DrawFrame(int16_t style) {
  if (depth_ <= 0) return;
  uint8_t top_left = ' ', top_right = ' ', bottom_left = ' ', bottom_right = ' ';
  uint8_t horizontal = ' ', vertical = ' ';
  if (style == 1) {
    top_left = 218, top_right = 191, bottom_left = 192, bottom_right = 217;
    horizontal = 196, vertical = 179;
  } else if (style == 2) {
    top_left = 201, top_right = 187, bottom_left = 200, bottom_right = 188;
    horizontal = 205, vertical = 186;
  }
  const int inner = std::max(rect_.right - rect_.left - 1, 0);
  auto line = [&](uint8_t first, uint8_t middle, uint8_t last) {
    std::string text(1, static_cast<char>(first));
    text.append(static_cast<size_t>(inner), static_cast<char>(middle));
    text.push_back(static_cast<char>(last));
    return text;
  };
  console_.LocateCursor(rect_.top, rect_.left);
  console_.PrintText(line(top_left, horizontal, top_right));
  for (int row = rect_.top + 1; row < rect_.bottom; ++row) {
    console_.LocateCursor(static_cast<int16_t>(row), rect_.left);
    console_.PrintText(line(vertical, ' ', vertical));
  }
  console_.LocateCursor(rect_.bottom, rect_.left);
  console_.PrintText(line(bottom_left, horizontal, bottom_right));
}

void WindowStack::LocateInWindow(int16_t row, int16_t column) {
  if (depth_ <= 0) {
    console_.LocateCursor(row, column);
    return;
  }
  // Sums beyond 16 bits are off every screen; LocateCursor ignores them.
  auto add = [](int16_t a, int16_t b) {
    return static_cast<int16_t>(std::clamp<int>(a + b, -1, 32767));
  };
  console_.LocateCursor(add(rect_.top, row), add(rect_.left, column));
}

int16_t WindowStack::WindowInnerTop() {
  return depth_ > 0 ? static_cast<int16_t>(rect_.top + 1) : int16_t{1};
}

int16_t WindowStack::WindowInnerLeft() {
  return depth_ > 0 ? static_cast<int16_t>(rect_.left + 1) : int16_t{1};
}

int16_t WindowStack::WindowInnerRight() {
  return depth_ > 0 ? static_cast<int16_t>(rect_.right - 1) : console_.ScreenColumns();
}

void WindowStack::ScrollRegion(int16_t top, int16_t left, int16_t bottom, int16_t right,
                               int16_t lines) {
  auto next = [](int16_t value) { return static_cast<int16_t>(std::min<int>(value + 1, 32767)); };
  const int count = lines > 0 ? lines : std::max(-static_cast<int>(lines), 1);
  console_.ScrollRect(next(top), next(left), next(bottom), next(right),
                      static_cast<int16_t>(std::min(count, 32767)),
                      lines > 0 ? ScrollDirection::kUp : ScrollDirection::kDown);
}

std::vector<std::string> BreakMessageLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    if (!first) {
      while (pos < text.size() && text[pos] == ' ') ++pos;
      if (pos == text.size()) break;
    }
    first = false;
    size_t end = pos;
    int width = 0;
    while (end < text.size()) {
      const bool counts = static_cast<uint8_t>(text[end]) >= ' ';
      if (counts && width == kMessageWidth) break;
      if (counts) ++width;
      ++end;
    }
    size_t next = end;
    if (end < text.size() && text[end] != ' ' && text[end - 1] != ' ') {
      const size_t space = text.find_last_of(' ', end - 1);
      if (space != std::string_view::npos && space > pos) {
        end = space;
        next = space + 1;
      }
    }
    lines.emplace_back(text.substr(pos, end - pos));
    pos = next;
  }
  return lines;
}

void WindowStack::ShowMessageBox(int16_t row, std::string_view text) {
  std::vector<std::string> lines = BreakMessageLines(text);
  // A text with no line still gets a box, so that the caller's pop has a window to take.
  if (lines.empty()) lines.emplace_back();
  for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);

  const int screen_rows = console_.ScreenRows();
  // A text too long for the screen shows the lines that fit, for the same reason.
  if (static_cast<int>(lines.size()) + 1 > screen_rows - 1) {
    lines.resize(static_cast<size_t>(std::max(screen_rows - 2, 1)));
  }
  const int n = static_cast<int>(lines.size()) + 1;
  int top = std::max(row - n / 2 - 2, 1);
  int bottom = top + n;
  if (bottom > screen_rows) {
    bottom = screen_rows;
    top = bottom - n;
  }
  if (top < 1) return;

  int left = 0, right = 0;
  for (const std::string& line : lines) {
    const int k = static_cast<int>(line.size());
    if (right - left < k + 4) {
      left = 41 - (k + 1) / 2 - 2;
      right = k / 2 + 42;
    }
  }

  colour_.SetColour("+rh");
  PushWindow(static_cast<int16_t>(top), static_cast<int16_t>(left), static_cast<int16_t>(bottom),
             static_cast<int16_t>(right));
  DrawFrame(1);
  for (size_t i = 0; i < lines.size(); ++i) {
    LocateInWindow(static_cast<int16_t>(i + 1), 2);
    console_.PrintText(lines[i]);
  }
  colour_.SetColour("-");
}

void WindowStack::DrawListTitle(std::string_view title, int16_t first, int16_t width,
                                int16_t overflow) {
  colour_.SetColour("+n");
  LocateInWindow(0, 0);
  std::string line(1, first == 1 ? '\xc9' : '\x11');
  const int last = first + std::max<int>(width, 0) - 1;
  for (int i = first; i <= last; ++i) {
    const bool inside = i >= 1 && i <= static_cast<int>(title.size());
    const char ch = inside ? title[static_cast<size_t>(i - 1)] : ' ';
    if (ch == '_') {
      line.push_back(' ');
    } else if (ch == ' ') {
      line.push_back('\xcd');
    } else {
      line.push_back(ch);
    }
  }
  const bool more = first <= overflow || static_cast<int>(title.size()) > last;
  line.push_back(more ? '\x10' : '\xbb');
  console_.PrintText(line);
  colour_.SetColour("-");
}

}  // namespace orb
