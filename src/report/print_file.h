// Print file: the report is not sent to a printer but written, one instruction per line,
// into Session.TempDir + "orbprint.tmp" for the suite's print program. PrintFile owns that
// file and the page position (page length and lines used), so that a long report breaks
// into pages even when its caller does not ask for it.
//
// Lines end with CR LF and hold code page 850 bytes. Numbers are written in print form:
// a sign position (blank or "-"), the digits, one blank.
//
// A file that cannot be created (or written) is reported by OpenPrint / ClosePrint; the
// other operations then write nothing but keep counting lines, so the caller's page
// logic runs the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "core/session.h"

namespace orb {

// Name of the print file inside the work directory.
inline constexpr char kPrintFileName[] = "orbprint.tmp";

// A number in print form: " 66 ", "-3 ", " 0 ".
std::string PrintForm(int32_t number);

// The justification code SetJustify writes for a request, by the request's first letter
// once blanks around it are removed (any case): C gives "C"; D or R "D"; A or B "A";
// N gives "N", the integer part of the number after the N without its sign in print form
// (" 2"), one blank and the mask from the first backslash to the next one; anything else
// "E".
std::string JustifyCode(std::string_view request);

class PrintFile {
 public:
  explicit PrintFile(const Session& session);
  ~PrintFile();
  PrintFile(const PrintFile&) = delete;
  PrintFile& operator=(const PrintFile&) = delete;

  // Creates the print file anew (an open one is closed first) and writes the device
  // line. False when the file cannot be created; FileName() names it for the message
  // and FailureReason() says why.
  bool OpenPrint(std::string_view device);
  // Closes the print file. False when any line could not be written (disk full): the
  // file is then not whole.
  bool ClosePrint();
  // Why the last OpenPrint or the lines since could not be written, in the system's
  // words; empty while nothing failed.
  const std::string& FailureReason() const { return failure_reason_; }

  // Writes a page line; PageLength = length, LineNo = 0.
  void NewPage(int16_t length);
  // Writes "*" + text.
  void PrintCommand(std::string_view text);
  // Writes "JUS" + the code derived from request (see JustifyCode).
  void SetJustify(std::string_view request);
  // Writes an item: control bytes of the text become blanks, a full page is first
  // followed by a new page of the same length, and LineNo moves on by advance.
  void PrintAt(int16_t column, std::string_view text, int16_t advance);

  bool IsOpen() const { return print_file_ != nullptr; }
  int16_t PageLength() const { return page_length_; }
  int16_t LineNo() const { return line_no_; }
  // The suite name of the print file.
  std::string FileName() const;

 private:
  void WriteLine(std::string_view line);

  const Session& session_;
  std::FILE* print_file_ = nullptr;  // the open print file (the original's file number)
  bool write_failed_ = false;
  std::string failure_reason_;
  int16_t page_length_ = 0;          // lines per page, from the last NewPage
  int16_t line_no_ = 0;              // lines advanced since the last NewPage
};

}  // namespace orb
