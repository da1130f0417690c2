// Text and byte-string services of the application layer.
//
// A text is 8-bit text in code page 936 (GBK) held as std::string; the empty
// string stands for an absent text. A byte string is a counted block of bytes,
// also held as std::string. Positions and lengths count bytes and are 1-based;
// -1 means "not found".
//
// GBK rule used throughout (app/gbk_rule.h, shared with the control layer): a lead
// byte 0x81-0xFE and a trail byte 0x40-0xFE (not 0x7F) form one character; the trail
// byte may be an ASCII letter or the backslash. 0x80, 0xFF and a lead byte without a
// trail byte after it stand on their own. The operations here step over two-byte
// characters whole, so a second byte is never matched, split or changed, and
// nothing is read beyond the end of a text.
//
// Nothing here calls the platform: this module builds and is tested on every host.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "base/gbk_rule.h"

namespace corvalis {

using Text = std::string;
using ByteString = std::string;

// True when `byte` can start a two-byte character.
constexpr bool isLeadByte(unsigned char byte) { return gbk::isLeadByte(byte); }

// Length in bytes of the character that starts at `index` (0-based): 2 for a lead
// byte followed by a trail byte, else 1.
std::size_t characterLengthAt(std::string_view text, std::size_t index);

// --- Joining, comparing, measuring --------------------------------------------

// The texts in order, joined into one new text.
Text concatTexts(std::initializer_list<std::string_view> texts);

// Byte-by-byte comparison as unsigned bytes: negative, zero or positive.
int compareTexts(std::string_view a, std::string_view b);
// The same with a case-sensitivity flag; without case, A-Z and a-z compare equal
// (outside two-byte characters only).
int compareTexts(std::string_view a, std::string_view b, bool caseSensitive);

int textLength(std::string_view text);

// --- Parts --------------------------------------------------------------------
// A part never splits a two-byte character: when a requested byte range cuts one,
// that character is left out, so the result is never longer than asked for.

// The first `count` bytes.
Text leftText(std::string_view text, int count);
// The last `count` bytes.
Text rightText(std::string_view text, int count);
// `count` bytes from the 1-based position `start`.
Text middleText(std::string_view text, int start, int count);

// --- Finding, case, splitting -------------------------------------------------

// 1-based position of the first occurrence of `needle` at or after the 1-based
// position `start` (values below 1 mean 1), or -1. A match starts and ends on
// character boundaries. An empty needle is never found.
int findText(std::string_view text, std::string_view needle, int start = 1, bool ignoreCase = false);

// A-Z become a-z; every other byte, and both bytes of two-byte characters, stay.
Text lowerText(std::string_view text);

// The parts between occurrences of `separator` (found as by findText). An empty
// text has no parts; an empty separator leaves the whole text as the one part.
// Neighbouring separators give empty parts.
std::vector<Text> splitText(std::string_view text, std::string_view separator = ",");

// --- Making texts -------------------------------------------------------------

// `count` spaces; none for count <= 0.
Text spaceText(int count);

// The one-character text with character code `code`: 1..0xFF is one byte;
// 0x8000..0xFFFF is a two-byte character (lead byte first). Anything else, and 0
// (which a zero-terminated text cannot hold), gives the empty text.
Text characterText(int code);

// Shortest decimal text that reads back as the same value ("3", "-2.5", "1e+20").
Text numberToText(double value);
Text integerToText(std::int64_t value);

// The number at the start of `text`, after leading blanks: optional sign, digits,
// optional fraction and exponent. 0 when the text does not start with a number.
double textToNumber(std::string_view text);

// --- Byte strings -------------------------------------------------------------

int byteStringLength(std::string_view bytes);

// A byte string with a copy of `count` bytes at `memory`; empty for null memory or
// count <= 0.
ByteString bytesFromMemory(const void* memory, int count);

// `count` zero bytes; empty for count <= 0.
ByteString zeroBytes(int count);

// The value of type T stored at the 1-based position of `bytes`, or nothing when
// the value would not lie wholly inside the byte string. (Not for bool: a stored
// byte other than 0 or 1 is no valid bool.)
template <typename T>
  requires(std::is_arithmetic_v<T> && !std::is_same_v<T, bool>)
std::optional<T> readValueAt(std::string_view bytes, int position) {
  if (position < 1) return std::nullopt;
  const std::size_t offset = static_cast<std::size_t>(position) - 1;
  if (offset > bytes.size() || bytes.size() - offset < sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// The zero-terminated text stored at the 1-based position of `bytes`; it ends at
// the first zero byte or at the end of the byte string, whichever comes first.
// Empty when the position lies outside.
Text readTextAt(std::string_view bytes, int position);

}  // namespace corvalis
