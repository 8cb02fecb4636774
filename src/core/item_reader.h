// ItemReader: reads the items of the suite's definition files (the form file, the message
// catalogue) from their bytes in memory. Items are separated by commas or line ends (a
// carriage return, with the line feed after it). For each item leading blanks are skipped;
// an item that begins with a double quote runs to the next double quote, keeps the commas
// inside it and loses the quotes (anything between the closing quote and the next
// separator is skipped); any other item runs to the next separator, drops the tabs and
// line feeds inside it and keeps its trailing blanks. The end-of-file mark (byte 26) ends
// the item and the file. Never reads outside the bytes it was given, whatever they hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orb {

class ItemReader {
 public:
  // The bytes must outlive the reader.
  explicit ItemReader(std::string_view bytes);

  // True when no byte is left before the end of the data or its end-of-file mark.
  bool AtEnd() const { return position_ >= data_.size(); }

  // The next item as text; the empty text at the end of the file.
  std::string ReadText();

  // The next item as a decimal number, rounded to the nearest integer (halves to even)
  // and clamped to 16 bits; 0 when the item holds no number. `well_formed`, when given,
  // tells whether the item was a number and nothing else (blanks apart).
  int16_t ReadInteger(bool* well_formed = nullptr);

  // Line by line, for readers that look at whole lines before reading their items.
  // The rest of the current line without its line end, moving past the line end.
  std::string_view ReadLine();
  // Skips lines whose first non-blank character is an apostrophe and stops at the start
  // of the first other line; false when the end of the file came first.
  bool SkipCommentLines();

  size_t Position() const { return position_; }
  // Moves to a byte offset (clamped to the end), such as one Position() gave earlier.
  void Seek(size_t position) { position_ = position < data_.size() ? position : data_.size(); }
  // The 1-based line of the current position, for messages.
  int LineNumber() const;

 private:
  // Moves past a comma or a line end, if one is next.
  void SkipSeparator();

  std::string_view data_;  // cut at the end-of-file mark
  size_t position_ = 0;
  // LineNumber's count so far: the line at counted_position_.
  mutable size_t counted_position_ = 0;
  mutable int counted_lines_ = 1;
};

}  // namespace orb
