#include "delivery/mime_message.h"

#include <cstdio>

namespace orb {
namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool IsPlainAscii(std::string_view text) {
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b >= 0x7F) return false;
  }
  return true;
}

// The length of the UTF-8 sequence that starts with this byte (1 for stray bytes).
size_t SequenceLength(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  return 1;
}

// Day of the week, 0 = Sunday (Sakamoto's method).
int Weekday(int year, int month, int day) {
  static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (month < 1 || month > 12) return 0;
  if (month < 3) year -= 1;
  const int w = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
  return w < 0 ? w + 7 : w;
}

}  // namespace

std::string Base64(std::string_view bytes, size_t line_length) {
  std::string out;
  out.reserve(bytes.size() * 4 / 3 + bytes.size() / 50 + 8);
  size_t column = 0;
  auto put = [&](char c) {
    out += c;
    if (line_length != 0 && ++column == line_length) {
      out += '\n';
      column = 0;
    }
  };
  size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const uint32_t v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put(kAlphabet[(v >> 6) & 63]);
    put(kAlphabet[v & 63]);
  }
  if (i < bytes.size()) {
    uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    const bool two = i + 1 < bytes.size();
    if (two) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    put(kAlphabet[(v >> 18) & 63]);
    put(kAlphabet[(v >> 12) & 63]);
    put(two ? kAlphabet[(v >> 6) & 63] : '=');
    put('=');
  }
  if (line_length != 0 && column != 0) out += '\n';
  return out;
}

std::string HeaderText(std::string_view utf8) {
  if (IsPlainAscii(utf8)) return std::string(utf8);
  // "=?UTF-8?B?" + base64 + "?=" stays within 75 characters with 45 bytes per word.
  constexpr size_t kBytesPerWord = 45;
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t end = i;
    while (end < utf8.size()) {
      const size_t next = end + SequenceLength(static_cast<unsigned char>(utf8[end]));
      if (next - i > kBytesPerWord) break;
      end = next > utf8.size() ? utf8.size() : next;
    }
    if (end == i) end = i + 1;
    if (!out.empty()) out += "\n ";
    out += "=?UTF-8?B?" + Base64(utf8.substr(i, end - i), 0) + "?=";
    i = end;
  }
  return out;
}

std::string HeaderAddress(std::string_view name_utf8, std::string_view address) {
  if (name_utf8.empty()) return std::string(address);
  std::string name;
  if (IsPlainAscii(name_utf8)) {
    name = "\"";
    for (char c : name_utf8) {
      if (c == '"' || c == '\\') name += '\\';
      name += c;
    }
    name += '"';
  } else {
    name = HeaderText(name_utf8);
  }
  return name + " <" + std::string(address) + ">";
}

std::string MailDate(const LocalTime& t) {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int month = t.date.month >= 1 && t.date.month <= 12 ? t.date.month : 1;
  const int offset = t.utc_offset_minutes < 0 ? -t.utc_offset_minutes : t.utc_offset_minutes;
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d",
                days[Weekday(t.date.year, month, t.date.day)], t.date.day, months[month - 1],
                t.date.year, t.hour, t.minute, t.second, t.utc_offset_minutes < 0 ? '-' : '+',
                offset / 60, offset % 60);
  return text;
}

std::string ComposeMessage(const MailMessage& m) {
  // Base64 never holds "_" or ".", so this boundary cannot occur inside a part.
  const std::string boundary = "=_rptcarry_part_" + std::to_string(m.attachment.size()) + "_.";
  std::string out;
  out += "From: " + HeaderAddress(m.from_name, m.from_address) + "\n";
  out += "To: " + HeaderAddress(m.to_name, m.to_address) + "\n";
  out += "Subject: " + HeaderText(m.subject) + "\n";
  out += "Date: " + MailDate(m.date) + "\n";
  out += "Message-ID: " + m.message_id + "\n";
  out += "MIME-Version: 1.0\n";
  out += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n";
  out += "\n";
  out += "This is a message in MIME format.\n";
  out += "--" + boundary + "\n";
  out += "Content-Type: text/plain; charset=UTF-8\n";
  out += "Content-Transfer-Encoding: base64\n\n";
  out += Base64(m.body);
  out += "--" + boundary + "\n";
  out += "Content-Type: application/pdf; name=\"" + m.attachment_name + "\"\n";
  out += "Content-Transfer-Encoding: base64\n";
  out += "Content-Disposition: attachment; filename=\"" + m.attachment_name + "\"\n\n";
  out += Base64(m.attachment);
  out += "--" + boundary + "--\n";
  return out;
}

}  // namespace orb
