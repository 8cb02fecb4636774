// Code page 850 (with the euro sign at 0xD5, as the suite uses it) and its conversion
// to and from Unicode. Inside the program every text is code page 850 bytes; these
// functions are used only where text crosses to the host (terminal, clipboard, file
// names, CSV, PDF).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orb::cp850 {

// The character a byte stands for in text (control bytes stand for themselves).
char32_t ToUnicode(uint8_t byte);

// The glyph a byte shows on the screen: as ToUnicode, but the control range 1..31 and
// 127 show the classic PC glyphs (0x10 is "►", 0x11 "◄") and 0 shows a blank.
char32_t ToGlyph(uint8_t byte);

// The byte for a Unicode character, or nothing when code page 850 has none. Both the
// text and the glyph meanings of the control range map back to their byte.
std::optional<uint8_t> FromUnicode(char32_t ch);

// Whole texts. ToUtf8 uses the text meaning; FromUtf8 replaces characters that code
// page 850 lacks (and malformed UTF-8) with `replacement`.
std::string ToUtf8(std::string_view cp850_text);
std::string FromUtf8(std::string_view utf8_text, char replacement = '?');

// True when the bytes are well-formed UTF-8: no stray continuation bytes, no overlong
// forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view bytes);

// UTF-8 text read from a file, as code page 850 by the characters' text meanings (the
// glyphs of the control range are not text here, so "►" never becomes byte 0x10).
// A character the code page lacks becomes its plain form where there is an obvious one:
// typographic quotes ' and ", dashes and the minus sign -, the ellipsis "...", "ŀ" and
// "Ŀ" as "l·" and "L·", unusual spaces a blank, a zero-width character or a byte-order
// mark nothing, a combining accent joined to the letter before it (or dropped when
// the code page has no such letter); any other character, and malformed UTF-8, "?".
std::string TextFromUtf8(std::string_view utf8_text);

// Appends the UTF-8 encoding of one character.
void AppendUtf8(std::string& out, char32_t ch);

}  // namespace orb::cp850
