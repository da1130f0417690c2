// Where a character of code page 936 (GBK) begins and ends: the one rule that the
// program's text services and the control layer (ExuiKrnln.dll) both follow.
//
// A lead byte is 0x81-0xFE; with a trail byte (0x40-0xFE, not 0x7F) after it, the two
// form one character. Every other byte is a character of its own: ASCII, 0x80 (the
// euro sign in code page 936), 0xFF, and a lead byte with no trail byte after it (at
// the end of a text, or before an ASCII control, a space or a digit). A trail byte may
// be an ASCII letter or the backslash; it still belongs to its character.
//
// Header only and free of platform calls, so both libraries and every host use it.
#pragma once

#include <cstddef>
#include <string_view>

namespace corvalis::gbk {

constexpr bool isLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
constexpr bool isTrailByte(unsigned char byte) { return byte >= 0x40 && byte <= 0xFE && byte != 0x7F; }

// Length in bytes (1 or 2) of the character that starts at `index` (0-based, inside
// the text); nothing past the end is read.
constexpr std::size_t characterLengthAt(std::string_view text, std::size_t index) {
  return index + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[index])) &&
                 isTrailByte(static_cast<unsigned char>(text[index + 1]))
             ? 2
             : 1;
}

}  // namespace corvalis::gbk
