// Mail composition: base64, header words, addresses, dates, and a whole message whose
// parts can be taken apart again.
#include "delivery/mime_message.h"

#include <gtest/gtest.h>

#include <sstream>

namespace orb {
namespace {

std::string DecodeBase64(std::string_view text) {
  static const std::string alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const size_t v = alphabet.find(c);
    if (v == std::string::npos) continue;  // line ends and padding
    bits = (bits << 6) | static_cast<uint32_t>(v);
    if (++count == 4) {
      out += static_cast<char>(bits >> 16);
      out += static_cast<char>(bits >> 8);
      out += static_cast<char>(bits);
      bits = 0;
      count = 0;
    }
  }
  if (count == 3) {
    out += static_cast<char>(bits >> 10);
    out += static_cast<char>(bits >> 2);
  } else if (count == 2) {
    out += static_cast<char>(bits >> 4);
  }
  return out;
}

TEST(Base64Test, KnownValuesAndLines) {
  EXPECT_EQ(Base64("", 0), "");
  EXPECT_EQ(Base64("f", 0), "Zg==");
  EXPECT_EQ(Base64("fo", 0), "Zm8=");
  EXPECT_EQ(Base64("foo", 0), "Zm9v");
  EXPECT_EQ(Base64("foobar", 0), "Zm9vYmFy");
  EXPECT_EQ(Base64("foob", 4), "Zm9v\nYg==\n");
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>(i * 7);
  const std::string lines = Base64(bytes);
  std::istringstream in(lines);
  std::string line;
  while (std::getline(in, line)) EXPECT_LE(line.size(), 76u);
  EXPECT_EQ(DecodeBase64(lines), bytes);
}

TEST(HeaderTextTest, PlainAsciiStaysOtherTextIsEncodedWholeCharacters) {
  EXPECT_EQ(HeaderText("Statement at 31/12/2026"), "Statement at 31/12/2026");
  EXPECT_EQ(HeaderText("Liquidaci\xc3\xb3"), "=?UTF-8?B?TGlxdWlkYWNpw7M=?=");
  // A line end can never start a header of its own.
  const std::string injected = HeaderText("x\nBcc: y");
  EXPECT_EQ(injected.rfind("=?UTF-8?B?", 0), 0u);
  EXPECT_EQ(injected.find("\nB"), std::string::npos);
  std::string long_text;
  for (int i = 0; i < 40; ++i) long_text += "\xc3\xa0\xe2\x82\xac";  // à€
  const std::string encoded = HeaderText(long_text);
  std::istringstream in(encoded);
  std::string word, joined;
  while (std::getline(in, word)) {
    if (!word.empty() && word[0] == ' ') word.erase(0, 1);
    EXPECT_LE(word.size(), 75u);
    ASSERT_EQ(word.rfind("=?UTF-8?B?", 0), 0u);
    const std::string bytes = DecodeBase64(word.substr(10, word.size() - 12));
    // Each word holds whole characters.
    EXPECT_NE(static_cast<unsigned char>(bytes.front()) & 0xC0, 0x80u);
    joined += bytes;
  }
  EXPECT_EQ(joined, long_text);
}

TEST(HeaderAddressTest, NamesAreQuotedOrEncoded) {
  EXPECT_EQ(HeaderAddress("", "a@b.example"), "a@b.example");
  EXPECT_EQ(HeaderAddress("Puig, \"Joan\"", "a@b.example"), "\"Puig, \\\"Joan\\\"\" <a@b.example>");
  EXPECT_EQ(HeaderAddress("Merc\xc3\xa8", "m@b.example"), "=?UTF-8?B?TWVyY8Oo?= <m@b.example>");
}

TEST(MailDateTest, WeekdayAndOffset) {
  EXPECT_EQ(MailDate({{2026, 12, 31}, 23, 5, 9, 60}), "Thu, 31 Dec 2026 23:05:09 +0100");
  EXPECT_EQ(MailDate({{2024, 2, 29}, 0, 0, 0, -330}), "Thu, 29 Feb 2024 00:00:00 -0530");
  EXPECT_EQ(MailDate({{2000, 1, 1}, 12, 0, 0, 0}), "Sat, 1 Jan 2000 12:00:00 +0000");
}

TEST(ComposeMessageTest, PartsComeApartAgain) {
  MailMessage m;
  m.from_name = "Finques Mart\xc3\xad";
  m.from_address = "admin@finques.example";
  m.to_name = "Joan";
  m.to_address = "joan@example.org";
  m.subject = "Liquidaci\xc3\xb3 a 31/12/2026";
  m.body = "Benvolgut,\n\nAdjunt.\n";
  m.attachment_name = "0001.pdf";
  for (int i = 0; i < 5000; ++i) m.attachment += static_cast<char>(i * 13 + 1);
  m.message_id = "<id.1@finques.example>";
  m.date = {{2026, 12, 31}, 10, 0, 0, 60};
  const std::string text = ComposeMessage(m);

  const size_t end_of_headers = text.find("\n\n");
  ASSERT_NE(end_of_headers, std::string::npos);
  const std::string headers = text.substr(0, end_of_headers + 1);
  EXPECT_NE(headers.find("From: =?UTF-8?B?"), std::string::npos);
  EXPECT_NE(headers.find("To: \"Joan\" <joan@example.org>\n"), std::string::npos);
  EXPECT_NE(headers.find("Subject: =?UTF-8?B?"), std::string::npos);
  EXPECT_NE(headers.find("Date: Thu, 31 Dec 2026 10:00:00 +0100\n"), std::string::npos);
  EXPECT_NE(headers.find("Message-ID: <id.1@finques.example>\n"), std::string::npos);
  EXPECT_NE(headers.find("MIME-Version: 1.0\n"), std::string::npos);
  const size_t b = headers.find("boundary=\"");
  ASSERT_NE(b, std::string::npos);
  const std::string boundary = headers.substr(b + 10, headers.find('"', b + 10) - b - 10);

  // The body splits at the boundary into the text and the attachment, then the close.
  std::vector<std::string> parts;
  size_t at = text.find("--" + boundary + "\n");
  while (at != std::string::npos) {
    const size_t start = at + boundary.size() + 3;
    const size_t next = text.find("\n--" + boundary, start);
    ASSERT_NE(next, std::string::npos);
    parts.push_back(text.substr(start, next + 1 - start));
    if (text.compare(next + 3 + boundary.size(), 3, "--\n") == 0) break;
    at = next + 1;
  }
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(text.substr(text.size() - boundary.size() - 5), "--" + boundary + "--\n");
  const auto content = [](const std::string& part) { return part.substr(part.find("\n\n") + 2); };
  EXPECT_NE(parts[0].find("Content-Type: text/plain; charset=UTF-8"), std::string::npos);
  EXPECT_EQ(DecodeBase64(content(parts[0])), m.body);
  EXPECT_NE(parts[1].find("Content-Type: application/pdf; name=\"0001.pdf\""), std::string::npos);
  EXPECT_NE(parts[1].find("Content-Disposition: attachment; filename=\"0001.pdf\""),
            std::string::npos);
  EXPECT_EQ(DecodeBase64(content(parts[1])), m.attachment);
}

}  // namespace
}  // namespace orb
