#include "platform/terminal/key_decoder.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/cp850.h"

namespace orb {
namespace {

constexpr char kEsc = '\x1b';
constexpr size_t kLongestSequence = 64;  // longer "sequences" are noise, dropped

enum class Status { kEvent, kSwallow, kIncomplete };

struct Result {
  Status status;
  size_t consumed = 0;
  InputEvent event{};
};

Result Incomplete() { return {Status::kIncomplete}; }
Result Swallow(size_t consumed) { return {Status::kSwallow, consumed}; }
Result Key(size_t consumed, std::string key, uint16_t shift = 0) {
  return {Status::kEvent, consumed, InputEvent{std::move(key), shift, 0, 0}};
}
Result Scan(size_t consumed, uint8_t scan, uint16_t shift) {
  return Key(consumed, std::string{'\0', static_cast<char>(scan)}, shift);
}

// xterm modifier parameter: 1 + (1 Shift, 2 Alt, 4 Ctrl, 8 Meta).
uint16_t ModifierShift(int parameter) {
  if (parameter < 2) return 0;
  const int bits = parameter - 1;
  uint16_t shift = 0;
  if (bits & 1) shift |= kShift;
  if (bits & (2 | 8)) shift |= kLeftAlt;
  if (bits & 4) shift |= kLeftCtrl;
  return shift;
}

struct FinalKey {
  char final;
  uint8_t scan;
  uint16_t shift;  // modifiers the form itself implies (rxvt)
};

// CSI <params> <final> for the letter finals.
constexpr std::array<FinalKey, 16> kCsiFinals = {{
    {'A', 0x48, 0}, {'B', 0x50, 0}, {'C', 0x4d, 0}, {'D', 0x4b, 0},
    {'H', 0x47, 0}, {'F', 0x4f, 0}, {'E', 0x4c, 0}, {'G', 0x4c, 0},
    {'P', 0x3b, 0}, {'Q', 0x3c, 0}, {'R', 0x3d, 0}, {'S', 0x3e, 0},
    {'Z', 0x0f, kShift},                                        // back tab
    {'a', 0x48, kShift}, {'b', 0x50, kShift}, {'c', 0x4d, kShift},  // rxvt Shift+arrows
}};

// SS3 <final>: application cursor keys, F1..F4, rxvt Ctrl+arrows.
constexpr std::array<FinalKey, 15> kSs3Finals = {{
    {'A', 0x48, 0}, {'B', 0x50, 0}, {'C', 0x4d, 0}, {'D', 0x4b, 0},
    {'H', 0x47, 0}, {'F', 0x4f, 0}, {'E', 0x4c, 0},
    {'P', 0x3b, 0}, {'Q', 0x3c, 0}, {'R', 0x3d, 0}, {'S', 0x3e, 0},
    {'a', 0x48, kLeftCtrl}, {'b', 0x50, kLeftCtrl}, {'c', 0x4d, kLeftCtrl},
    {'d', 0x4b, kLeftCtrl},
}};

// SS3 forms of the numeric keypad in application mode: they give characters.
constexpr std::string_view kSs3KeypadFinals = "pqrstuvwxyMjklmnoX";
constexpr std::string_view kSs3KeypadChars = "0123456789\r*+,-./=";

// CSI <n> ~ : the vt220 numbering used by xterm, screen, tmux, rxvt and Linux.
struct TildeKey {
  int number;
  uint8_t scan;
};
constexpr std::array<TildeKey, 20> kTildeKeys = {{
    {1, 0x47}, {2, 0x52}, {3, 0x53}, {4, 0x4f}, {5, 0x49}, {6, 0x51}, {7, 0x47}, {8, 0x4f},
    {11, 0x3b}, {12, 0x3c}, {13, 0x3d}, {14, 0x3e}, {15, 0x3f}, {17, 0x40}, {18, 0x41},
    {19, 0x42}, {20, 0x43}, {21, 0x44}, {23, 0x57}, {24, 0x58},
}};

// rxvt ends the tilde forms with these instead of a modifier parameter.
constexpr std::array<std::pair<char, uint16_t>, 4> kTildeFinals = {{
    {'~', 0}, {'$', kShift}, {'^', kLeftCtrl}, {'@', kLeftCtrl | kShift},
}};

// Scan codes of the letter keys, by letter (a..z).
constexpr std::array<uint8_t, 26> kLetterScan = {
    0x1e, 0x30, 0x2e, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
    0x31, 0x18, 0x19, 0x10, 0x13, 0x1f, 0x14, 0x16, 0x2f, 0x11, 0x2d, 0x15, 0x2c,
};

bool IsParameterByte(char c) { return c >= 0x30 && c <= 0x3f; }
bool IsIntermediateByte(char c) { return c >= 0x20 && c <= 0x2f; }
bool IsFinalByte(char c) { return c >= 0x40 && c <= 0x7e; }

// Numbers separated by ';' (sub-parameters after ':' ignored); empty ones are 0.
std::vector<int> Parameters(std::string_view text) {
  std::vector<int> values(1, 0);
  bool sub = false;
  for (char c : text) {
    if (c == ';') {
      values.push_back(0);
      sub = false;
    } else if (c == ':') {
      sub = true;
    } else if (c >= '0' && c <= '9' && !sub) {
      values.back() = std::min(values.back() * 10 + (c - '0'), 99999);
    }
  }
  return values;
}

// UTF-8 sequence at the start of bytes: its length, or 0 when malformed.
size_t Utf8Length(uint8_t lead) {
  if (lead >= 0xc2 && lead <= 0xdf) return 2;
  if (lead >= 0xe0 && lead <= 0xef) return 3;
  if (lead >= 0xf0 && lead <= 0xf4) return 4;
  return 0;
}

// A character (ASCII or UTF-8) at the start of bytes, as a key with the given shift.
Result DecodeCharacter(std::string_view bytes, bool flush, size_t offset, uint16_t shift) {
  const auto lead = static_cast<uint8_t>(bytes[offset]);
  if (lead < 0x80) {
    if (lead == 0) return Swallow(offset + 1);  // Ctrl+Space: no key of ours
    const char ch = lead == 0x7f ? '\b' : static_cast<char>(lead);
    return Key(offset + 1, std::string(1, ch), shift);
  }
  const size_t length = Utf8Length(lead);
  if (length == 0) return Swallow(offset + 1);
  char32_t code = lead & (0x7f >> length);
  for (size_t i = 1; i < length; ++i) {
    if (offset + i >= bytes.size()) return flush ? Swallow(bytes.size()) : Incomplete();
    const auto next = static_cast<uint8_t>(bytes[offset + i]);
    if ((next & 0xc0) != 0x80) return Swallow(offset + i);
    code = (code << 6) | (next & 0x3f);
  }
  // An overlong form (E0 80 AF for "/"), a surrogate or a code beyond U+10FFFF is no
  // character: a terminal never sends one, and it must not pass as the letter it hides.
  static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kShortest[length] || (code >= 0xd800 && code <= 0xdfff) || code > 0x10ffff) {
    return Swallow(offset + length);
  }
  const std::optional<uint8_t> byte = cp850::FromUnicode(code);
  if (!byte || *byte == 0) return Swallow(offset + length);
  return Key(offset + length, std::string(1, static_cast<char>(*byte)), shift);
}

Result MouseEvent(size_t consumed, uint8_t kind, uint8_t buttons, int row, int column,
                  uint16_t shift) {
  Result result{Status::kEvent, consumed};
  result.event.key = MouseKeyText(kind, buttons);
  result.event.shift = shift;
  result.event.row = static_cast<int16_t>(std::clamp(row, 0, 9999));
  result.event.column = static_cast<int16_t>(std::clamp(column, 0, 9999));
  return result;
}

uint8_t ButtonBit(int low_bits) {
  switch (low_bits) {
    case 0: return kMouseLeft;
    case 1: return kMouseMiddle;
    case 2: return kMouseRight;
    default: return 0;
  }
}

uint16_t MouseShift(int code) {
  uint16_t shift = 0;
  if (code & 4) shift |= kShift;
  if (code & 8) shift |= kLeftAlt;
  if (code & 16) shift |= kLeftCtrl;
  return shift;
}

// ESC [ M b x y: the X10 / normal mouse report, each value + 32 in one byte.
Result DecodeX10Mouse(std::string_view bytes, bool flush, uint8_t& held) {
  if (bytes.size() < 6) return flush ? Swallow(bytes.size()) : Incomplete();
  const int code = static_cast<uint8_t>(bytes[3]) - 32;
  const int column = static_cast<uint8_t>(bytes[4]) - 32;
  const int row = static_cast<uint8_t>(bytes[5]) - 32;
  if (code < 0 || (code & 64)) return Swallow(6);  // wheel, or not a report at all
  const uint16_t shift = MouseShift(code);
  if (code & 32) return MouseEvent(6, kMouseMoved, held, row, column, shift);
  const uint8_t button = ButtonBit(code & 3);
  if (button == 0) {  // a release, which does not say which button
    const uint8_t released = held & static_cast<uint8_t>(-held);  // lowest held button
    held = 0;
    if (released == 0) return Swallow(6);
    return MouseEvent(6, kMouseReleased, released, row, column, shift);
  }
  held |= button;
  return MouseEvent(6, kMousePressed, button, row, column, shift);
}

// ESC [ < b ; x ; y M|m: the SGR mouse report (M press or motion, m release).
Result DecodeSgrMouse(std::string_view parameters, char final, size_t consumed, uint8_t& held) {
  const std::vector<int> values = Parameters(parameters);
  if ((final != 'M' && final != 'm') || values.size() != 3) return Swallow(consumed);
  const int code = values[0];
  if (code & 64) return Swallow(consumed);  // wheel
  const uint16_t shift = MouseShift(code);
  if (code & 32) return MouseEvent(consumed, kMouseMoved, held, values[2], values[1], shift);
  const uint8_t button = ButtonBit(code & 3);
  if (button == 0) return Swallow(consumed);
  if (final == 'm') {
    held &= static_cast<uint8_t>(~button);
    return MouseEvent(consumed, kMouseReleased, button, values[2], values[1], shift);
  }
  held |= button;
  return MouseEvent(consumed, kMousePressed, button, values[2], values[1], shift);
}

// ESC [ ...: bytes[0..1] are ESC and '['.
Result DecodeCsi(std::string_view bytes, bool flush, uint8_t& held) {
  if (bytes.size() < 3) return flush ? Swallow(bytes.size()) : Incomplete();
  if (bytes[2] == 'M') return DecodeX10Mouse(bytes, flush, held);
  if (bytes[2] == '[') {  // Linux console F1..F5: ESC [ [ A..E
    if (bytes.size() < 4) return flush ? Swallow(bytes.size()) : Incomplete();
    const char c = bytes[3];
    if (c >= 'A' && c <= 'E') return Scan(4, static_cast<uint8_t>(0x3b + (c - 'A')), 0);
    return Swallow(IsFinalByte(c) ? 4 : 3);
  }
  size_t end = 2;
  while (end < bytes.size() && IsParameterByte(bytes[end])) ++end;
  const size_t parameters_end = end;
  // rxvt ends Shift+key with '$', which is otherwise an intermediate byte.
  const bool rxvt_shift = end < bytes.size() && bytes[end] == '$' && end > 2 &&
                          bytes[2] >= '0' && bytes[2] <= '9';
  while (!rxvt_shift && end < bytes.size() && IsIntermediateByte(bytes[end])) ++end;
  if (end >= bytes.size()) {
    if (end >= kLongestSequence || flush) return Swallow(end);
    return Incomplete();
  }
  const char final = bytes[end];
  const size_t consumed = end + 1;
  if (!IsFinalByte(final) && !rxvt_shift) return Swallow(end);  // broken off: drop it
  std::string_view parameters = bytes.substr(2, parameters_end - 2);
  if (!parameters.empty() && parameters[0] == '<') {
    return DecodeSgrMouse(parameters.substr(1), final, consumed, held);
  }
  if (parameters_end != end) return Swallow(consumed);  // intermediates: not a key
  if (!parameters.empty() && !(parameters[0] >= '0' && parameters[0] <= '9') &&
      parameters[0] != ';') {
    return Swallow(consumed);  // private forms (?, >, =) are replies, not keys
  }
  const std::vector<int> values = Parameters(parameters);
  const uint16_t modifiers = values.size() > 1 ? ModifierShift(values[1]) : 0;
  for (const auto& [tilde_final, implied] : kTildeFinals) {
    if (final != tilde_final) continue;
    for (const TildeKey& key : kTildeKeys) {
      if (key.number == values[0]) return Scan(consumed, key.scan, modifiers | implied);
    }
    return Swallow(consumed);
  }
  for (const FinalKey& key : kCsiFinals) {
    if (key.final == final) return Scan(consumed, key.scan, modifiers | key.shift);
  }
  if (final == 'd') return Scan(consumed, 0x4b, kShift);  // rxvt Shift+Left
  return Swallow(consumed);
}

// ESC O [digits] final.
Result DecodeSs3(std::string_view bytes, bool flush) {
  size_t end = 2;
  while (end < bytes.size() && bytes[end] >= '0' && bytes[end] <= '9' && end < 8) ++end;
  if (end >= bytes.size()) return flush ? Swallow(bytes.size()) : Incomplete();
  const char final = bytes[end];
  const size_t consumed = end + 1;
  if (!IsFinalByte(final)) return Swallow(end);
  const std::vector<int> values = Parameters(bytes.substr(2, end - 2));
  const uint16_t modifiers = ModifierShift(values[0]);
  for (const FinalKey& key : kSs3Finals) {
    if (key.final == final) return Scan(consumed, key.scan, modifiers | key.shift);
  }
  const size_t keypad = kSs3KeypadFinals.find(final);
  if (keypad != std::string_view::npos) {
    return Key(consumed, std::string(1, kSs3KeypadChars[keypad]), modifiers);
  }
  return Swallow(consumed);
}

Result Decode(std::string_view bytes, bool flush, uint8_t& held) {
  if (bytes[0] != kEsc) return DecodeCharacter(bytes, flush, 0, 0);
  if (bytes.size() == 1) return flush ? Key(1, "\x1b") : Incomplete();
  const char second = bytes[1];
  if (second == '[') return DecodeCsi(bytes, flush, held);
  if (second == 'O') {
    if (bytes.size() == 2 && flush) return Scan(2, kLetterScan['o' - 'a'], kLeftAlt);
    return DecodeSs3(bytes, flush);
  }
  if (second == kEsc) {
    // ESC ESC [ ... is Alt with a key sequence (older xterms, rxvt); otherwise the
    // first ESC is an Escape key of its own.
    if (bytes.size() == 2) return flush ? Key(1, "\x1b") : Incomplete();
    if (bytes[2] != '[' && bytes[2] != 'O') return Key(1, "\x1b");
    Result inner = Decode(bytes.substr(1), flush, held);
    if (inner.status == Status::kIncomplete) return inner;
    inner.consumed += 1;
    const bool mouse = inner.event.key.size() == 4;
    if (inner.status == Status::kEvent && !mouse) inner.event.shift |= kLeftAlt;
    return inner;
  }
  // The Linux console sends ESC TAB for Shift+Tab (the back tab of the other terminals);
  // nobody sees Alt+Tab, which window managers keep for themselves.
  if (second == '\t') return Scan(2, 0x0f, kShift);
  // Alt + key: the terminal sends ESC before the key's own bytes.
  const char lower = static_cast<char>(second | 0x20);
  if (lower >= 'a' && lower <= 'z') {
    const uint16_t shift = kLeftAlt | (second >= 'A' && second <= 'Z' ? kShift : 0);
    return Scan(2, kLetterScan[static_cast<size_t>(lower - 'a')], shift);
  }
  return DecodeCharacter(bytes, flush, 1, kLeftAlt);
}

}  // namespace

std::optional<InputEvent> KeyDecoder::Next(bool flush) {
  while (!buffer_.empty()) {
    const Result result = Decode(buffer_, flush, mouse_buttons_down_);
    if (result.status == Status::kIncomplete) return std::nullopt;
    buffer_.erase(0, std::max<size_t>(result.consumed, 1));
    if (result.status == Status::kEvent) return result.event;
  }
  return std::nullopt;
}

}  // namespace orb
