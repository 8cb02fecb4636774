// Mail messages as the sendmail interface takes them: headers, then a MIME multipart
// body with a short UTF-8 text and one attachment, both in base64. Header texts that are
// not plain ASCII go as RFC 2047 encoded words; addresses are taken only once they pass
// IsMailAddress, so no text can add a header of its own. Lines end with LF, as a local
// sendmail expects.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace orb {

// Base64 of the bytes in lines of at most `line_length` characters (a multiple of 4),
// each ended by LF; no line break at all when line_length is 0.
std::string Base64(std::string_view bytes, size_t line_length = 76);

// A header text: as it is when it is printable ASCII, otherwise "=?UTF-8?B?...?=" words
// (each at most 75 characters, never splitting a character) joined by LF and a blank.
std::string HeaderText(std::string_view utf8);

// "Name <address>", the name quoted or encoded as needed; the bare address without one.
std::string HeaderAddress(std::string_view name_utf8, std::string_view address);

// "Thu, 31 Dec 2026 23:05:00 +0100".
std::string MailDate(const LocalTime& time);

struct MailMessage {
  std::string from_name;   // UTF-8
  std::string from_address;
  std::string to_name;     // UTF-8, may be empty
  std::string to_address;
  std::string subject;     // UTF-8
  std::string body;        // UTF-8, lines ended by LF
  std::string attachment_name;  // a plain file name ("0012.pdf")
  std::string attachment;       // the file's bytes
  std::string message_id;       // "<...@...>"
  LocalTime date;
};

// The whole message, ready for "sendmail -t -oi".
std::string ComposeMessage(const MailMessage& message);

}  // namespace orb
