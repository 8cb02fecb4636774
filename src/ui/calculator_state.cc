#include "ui/calculator_state.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "ui/key_reader.h"

namespace orb {
namespace {

double Pow10(int exponent) { return std::pow(10.0, exponent); }

// Keeps a value's digits but never a negative zero (which would show as "-0").
double NoNegativeZero(double value) { return value == 0 ? 0.0 : value; }

// value truncated toward zero to `decimals` decimals. A product that falls a hair below
// a whole number only because of binary fractions (0.57 x 100 = 56.99999999999999)
// counts as that whole number.
double TruncateTo(double value, int decimals) {
  const double scale = Pow10(decimals);
  double scaled = value * scale;
  const double nearest = std::nearbyint(scaled);
  if (std::fabs(scaled - nearest) <= 1e-9 * std::fmax(1.0, std::fabs(scaled))) scaled = nearest;
  return NoNegativeZero(std::trunc(scaled) / scale);
}

int16_t ClampInt16(double value, int16_t low, int16_t high) {
  if (value < low) return low;
  if (value > high) return high;
  return static_cast<int16_t>(std::lround(value));
}

// Splits the memory file into items: separated by commas or line ends, blanks around
// them skipped, texts in double quotes (which may hold commas). A quoted text without
// its closing quote ends the reading: the rest is damaged.
std::vector<std::string> SplitItems(std::string_view text, bool& damaged) {
  std::vector<std::string> items;
  damaged = false;
  size_t i = 0;
  const size_t n = text.size();
  auto skip_blanks = [&] {
    while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  };
  auto is_separator = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
  for (;;) {
    skip_blanks();
    while (i < n && (text[i] == '\r' || text[i] == '\n')) {
      ++i;
      skip_blanks();
    }
    if (i >= n) break;
    std::string item;
    if (text[i] == '"') {
      const size_t close = text.find('"', i + 1);
      if (close == std::string_view::npos) {
        damaged = true;
        break;
      }
      item = std::string(text.substr(i + 1, close - i - 1));
      i = close + 1;
      while (i < n && !is_separator(text[i])) ++i;  // anything after the quote
    } else {
      size_t end = i;
      while (end < n && !is_separator(text[end])) ++end;
      size_t last = end;
      while (last > i && (text[last - 1] == ' ' || text[last - 1] == '\t')) --last;
      item = std::string(text.substr(i, last - i));
      i = end;
    }
    items.push_back(std::move(item));
    if (i < n && text[i] == ',') ++i;
  }
  return items;
}

std::optional<double> ParseNumber(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return NoNegativeZero(value);
}

std::string NumberText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c != '"') out += c;
  }
  return out + "\"";
}

const char* Flag(bool flag) { return flag ? "-1" : "0"; }

}  // namespace

CalculatorState::Change CalculatorState::ApplyKey(int16_t key) {
  if (key >= 0 && key <= 255) {
    char c = static_cast<char>(key);
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    current_op = std::string(1, c);
  } else {
    const uint16_t code = static_cast<uint16_t>(key);
    current_op = std::string{static_cast<char>(code & 0xff), static_cast<char>(code >> 8)};
  }

  if (key == keys::kLeft || key == keys::kCtrlLeft || key == keys::kRight ||
      key == keys::kCtrlRight) {
    MoveColumn(key == keys::kLeft || key == keys::kCtrlLeft ? -1 : 1);
    return Change::kMoved;
  }
  if (current_op.size() != 1) return Change::kNone;
  const char c = current_op[0];
  if (error) {
    // Only "C" leaves the error state; it clears the entry and the accumulator.
    if (c == 'C') {
      error = false;
      ClearAll();
    }
    return Change::kNone;
  }
  if (c >= '0' && c <= '9') {
    Digit(c - '0');
  } else if (c == '.') {
    Point();
  } else if (key == keys::kBackspace) {
    Backspace();
  } else if (c == '+' || c == '-' || c == '*' || c == '/' || c == '%' || c == 'R' || c == 'C') {
    return Operator();
  } else if (c == '=' || key == keys::kEnter) {
    if (!entering) return Change::kNone;
    current_op = "=";
    return Operator();
  } else if (c == 'T') {
    entry = NoNegativeZero(-entry);
  }
  return Change::kNone;
}

void CalculatorState::MoveColumn(int delta) {
  int next = column + delta;
  if (next < 1) next = kLastColumn;
  if (next > kLastColumn) next = 1;
  column = static_cast<int16_t>(next);
}

void CalculatorState::Digit(int digit) {
  if (!entering) {
    entry = 0;
    point_typed = false;
    decimals = 0;
  }
  if (!point_typed) {
    const double next = entry * 10 + digit;
    if (std::isfinite(next)) entry = next;
  } else if (decimals < kMaxDecimals) {
    // The digits typed so far, as a whole number, with the new one after them: one
    // division gives the number nearest to the decimals typed (2.375 exactly, where
    // adding 0.3, 0.07 and 0.005 would fall short of it).
    const double typed = std::nearbyint(entry * Pow10(decimals)) * 10 + digit;
    ++decimals;
    entry = NoNegativeZero(typed / Pow10(decimals));
  }
  entering = true;
}

void CalculatorState::Point() {
  if (!entering) {
    entry = 0;
    point_typed = false;
    decimals = 0;
  }
  if (!point_typed) {
    point_typed = true;
    decimals = 0;
  }
  entering = true;
}

void CalculatorState::Backspace() {
  if (!point_typed) {
    entry = NoNegativeZero(std::trunc(entry / 10));
  } else if (--decimals < 0) {
    point_typed = false;
    decimals = 0;
  } else {
    entry = TruncateTo(entry, decimals);
  }
  if (entry == 0) entering = false;
}

CalculatorState::Change CalculatorState::Operator() {
  const char op = current_op[0];
  if (op == 'C') {
    if (entering) {
      entering = false;
      entry = accumulator;
      point_typed = false;
      decimals = 0;
      current_op = pending_op;
    } else if (!cleared) {
      ClearAll();
    } else {
      tape_top = kEmptyTapeTop;
      return Change::kTapeCleared;
    }
    return Change::kNone;
  }
  if (op == 'R') {
    // Halves go to the even hundredth; negative values round as their magnitude does.
    const double magnitude = std::fabs(entry) * 100;
    double hundredths = std::trunc(magnitude);
    const double fraction = magnitude - hundredths;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(hundredths, 2) == 1)) hundredths += 1;
    const double rounded = NoNegativeZero(std::copysign(hundredths / 100, entry));
    if (!std::isfinite(rounded)) {
      SetError();
      return Change::kNone;
    }
    entry = rounded;
    accumulator = entry;
    point_typed = true;
    decimals = 2;
    AddTapeLine();
    return Change::kTape;
  }
  if (op == '%') {
    AddTapeLine();
    entry = pending_op == "+" || pending_op == "-" ? accumulator / 100 * entry : entry / 100;
    if (!std::isfinite(entry)) {
      SetError();
    } else {
      NormaliseEntry();
    }
    return Change::kTape;
  }

  double result = accumulator;
  if (pending_op == "+") {
    result += entry;
  } else if (pending_op == "-") {
    result -= entry;
  } else if (pending_op == "*") {
    result *= entry;
  } else if (pending_op == "/") {
    result /= entry;
  } else {
    result = entry;
  }
  AddTapeLine();
  if (!std::isfinite(result)) {
    SetError();
    return Change::kTape;
  }
  accumulator = NoNegativeZero(result);
  entry = accumulator;
  NormaliseEntry();
  entering = false;
  if (op == '=') {
    current_op.clear();
    AddTapeLine();
  }
  cleared = false;
  pending_op = current_op;
  return Change::kTape;
}

void CalculatorState::AddTapeLine() {
  AddTapeLine(entry, point_typed, decimals, current_op.empty() ? ' ' : current_op[0]);
}

void CalculatorState::AddTapeLine(double value, bool point, int16_t line_decimals, char symbol) {
  if (tape_top > 2) --tape_top;
  for (int16_t i = 1; i < kTapeLines; ++i) tape[i] = tape[i + 1];
  tape[kTapeLines] = TapeLine{value, point, line_decimals, symbol};
}

// At most 15 significant digits, without trailing zero decimals.
void CalculatorState::NormaliseEntry() {
  int integer_digits = 0;
  for (double whole = std::trunc(std::fabs(entry)); whole > 0; whole = std::trunc(whole / 10)) {
    ++integer_digits;
  }
  double scaled = entry;
  int places = 0;
  while (scaled != std::trunc(scaled) && places + integer_digits < 15) {
    scaled *= 10;
    ++places;
  }
  scaled = std::nearbyint(scaled);
  while (places > 0 && std::fmod(scaled, 10) == 0) {
    scaled /= 10;
    --places;
  }
  entry = NoNegativeZero(scaled / Pow10(places));
  decimals = static_cast<int16_t>(places);
  point_typed = places > 0;
}

void CalculatorState::ClearAll() {
  entry = 0;
  accumulator = 0;
  point_typed = false;
  decimals = 0;
  current_op.clear();
  entering = false;
  cleared = true;
}

void CalculatorState::SetError() {
  error = true;
  entry = 0;
  accumulator = 0;
  entering = false;
  point_typed = false;
  decimals = 0;
  pending_op.clear();
  cleared = false;
}

std::string CalculatorState::ResultText() const {
  if (error) return "";
  const int places = decimals > 2 ? decimals : 2;
  const double scaled = std::nearbyint(std::fabs((entering ? entry : accumulator) * Pow10(places)));
  if (!std::isfinite(scaled)) return "";
  char buffer[400];
  std::snprintf(buffer, sizeof buffer, "%.0f", scaled);
  std::string digits = buffer;
  const size_t fraction = static_cast<size_t>(places - 2);
  if (digits.size() < fraction) digits.insert(0, fraction - digits.size(), '0');
  std::string result = digits.substr(0, digits.size() - fraction);
  if (fraction > 0) result += "." + digits.substr(digits.size() - fraction);
  return result;
}

void CalculatorState::ReadMemory(std::string_view text) {
  bool damaged = false;
  const std::vector<std::string> items = SplitItems(text, damaged);
  if (damaged) return;

  CalculatorState read = *this;
  size_t next = 0;
  bool bad = false;
  // Each reader takes the next item when there is one; an unreadable item spoils all.
  auto number = [&](double& out) {
    if (bad || next >= items.size()) return;
    if (auto value = ParseNumber(items[next++])) {
      out = *value;
    } else {
      bad = true;
    }
  };
  auto int16 = [&](int16_t& out, int16_t low, int16_t high) {
    double value = out;
    number(value);
    out = ClampInt16(value, low, high);
  };
  auto flag = [&](bool& out) {
    double value = out ? -1 : 0;
    number(value);
    out = value != 0;
  };
  auto text_item = [&](std::string& out) {
    if (bad || next >= items.size()) return;
    out = items[next++];
  };

  int16(read.column, INT16_MIN, INT16_MAX);
  int16(read.tape_top, INT16_MIN, INT16_MAX);
  number(read.entry);
  number(read.accumulator);
  flag(read.cleared);
  flag(read.entering);
  flag(read.point_typed);
  int16(read.decimals, 0, kMaxDecimals);
  text_item(read.current_op);
  text_item(read.pending_op);
  for (int16_t i = 1; i <= kTapeLines; ++i) {
    TapeLine& line = read.tape[i];
    std::string symbol(1, line.symbol);
    number(line.value);
    flag(line.point);
    int16(line.decimals, 0, kMaxDecimals);
    text_item(symbol);
    line.symbol = symbol.empty() ? ' ' : symbol[0];
  }
  if (bad) return;

  // Values no calculator could have left are brought back into range.
  if (read.column < 1) read.column = 1;
  if (read.column > kLastColumn) read.column = kLastColumn;
  if (read.tape_top < 2 || read.tape_top > kEmptyTapeTop) read.tape_top = kEmptyTapeTop;
  if (!read.point_typed) read.decimals = 0;
  if (read.current_op.size() > 2) read.current_op.resize(2);
  if (read.pending_op != "+" && read.pending_op != "-" && read.pending_op != "*" &&
      read.pending_op != "/") {
    read.pending_op.clear();
  }
  for (int16_t i = 1; i <= kTapeLines; ++i) {
    TapeLine& line = read.tape[i];
    if (!line.point) line.decimals = 0;
    if (static_cast<unsigned char>(line.symbol) < 32 || line.symbol == '"') line.symbol = ' ';
  }
  read.error = false;
  *this = read;
}

std::string CalculatorState::MemoryText() const {
  std::string out = std::to_string(column) + "," + std::to_string(tape_top) + "," +
                    NumberText(entry) + "," + NumberText(accumulator) + "\r\n";
  out += std::string(Flag(cleared)) + "," + Flag(entering) + "," + Flag(point_typed) + "," +
         std::to_string(decimals) + "\r\n";
  out += Quoted(current_op) + "," + Quoted(pending_op) + "\r\n";
  for (int16_t i = 1; i <= kTapeLines; ++i) {
    const TapeLine& line = tape[i];
    out += NumberText(line.value) + "," + Flag(line.point) + "," +
           std::to_string(line.decimals) + "," + Quoted(std::string(1, line.symbol)) + "\r\n";
  }
  return out;
}

}  // namespace orb
