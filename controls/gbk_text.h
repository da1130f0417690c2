// GBK (code page 936) text as the control layer keeps it: byte strings whose double-byte
// characters are never split. UTF-16 appears only where a wide GDI/USER call needs it,
// made by the converters both binaries share (base/wide_text.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/gbk_rule.h"

namespace corvalis::exui {

// A GBK lead byte; it forms a character with the next byte when that is a trail byte.
// The rule is the program's own (app/gbk_rule.h), so both sides split texts alike.
constexpr bool isGbkLeadByte(unsigned char byte) { return gbk::isLeadByte(byte); }
constexpr bool isGbkTrailByte(unsigned char byte) { return gbk::isTrailByte(byte); }

// Where the character that starts at pos ends (text.size() at or past the end). A lead byte
// without a trail byte after it (at the end, or before an ASCII control or space) is a
// character of its own.
std::size_t nextBoundary(std::string_view text, std::size_t pos);
// The start of the character before pos (0 at the start).
std::size_t previousBoundary(std::string_view text, std::size_t pos);
// The start of the character that contains pos; pos itself when it is a boundary.
std::size_t snapToBoundary(std::string_view text, std::size_t pos);

// One UTF-16 unit typed by the user as GBK bytes; false when GBK has no such character
// (surrogates, characters outside the code page, controls).
bool typedCharToGbk(wchar_t unit, std::string& out);

// The text as drawn: its UTF-16 form and, for each character boundary, the UTF-16 index
// where it falls, so that caret positions in bytes map to pixel positions.
struct GbkLayout {
  std::wstring wide;
  std::vector<std::size_t> boundaries;  // byte offsets of all boundaries, 0 and size() included
  std::vector<std::size_t> wideIndex;   // same length: index into wide of each boundary
};
GbkLayout layoutGbk(std::string_view text);

}  // namespace corvalis::exui
