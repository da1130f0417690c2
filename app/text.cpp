#include "app/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace corvalis {

namespace {

std::size_t clampCount(int count) { return count > 0 ? static_cast<std::size_t>(count) : 0; }

// First character boundary at or after `offset` (the text's size when none).
std::size_t boundaryAtOrAfter(std::string_view text, std::size_t offset) {
  std::size_t index = 0;
  while (index < text.size() && index < offset) index += characterLengthAt(text, index);
  return std::min(index, text.size());
}

// End of the last whole character that ends at or before `limit`, scanning from
// the boundary `from`.
std::size_t boundaryAtOrBefore(std::string_view text, std::size_t from, std::size_t limit) {
  std::size_t index = from;
  while (index < text.size()) {
    const std::size_t next = index + characterLengthAt(text, index);
    if (next > limit) break;
    index = next;
  }
  return index;
}

// True when the bytes from the boundary `begin` up to `end` are whole characters.
bool endsOnBoundary(std::string_view text, std::size_t begin, std::size_t end) {
  std::size_t index = begin;
  while (index < end) index += characterLengthAt(text, index);
  return index == end;
}

}  // namespace

std::size_t characterLengthAt(std::string_view text, std::size_t index) {
  return gbk::characterLengthAt(text, index);
}

Text concatTexts(std::initializer_list<std::string_view> texts) {
  std::size_t total = 0;
  for (std::string_view part : texts) total += part.size();
  Text joined;
  joined.reserve(total);
  for (std::string_view part : texts) joined.append(part);
  return joined;
}

int compareTexts(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int left = static_cast<unsigned char>(a[i]);
    const int right = static_cast<unsigned char>(b[i]);
    if (left != right) return left - right;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int compareTexts(std::string_view a, std::string_view b, bool caseSensitive) {
  if (caseSensitive) return compareTexts(a, b);
  return compareTexts(lowerText(a), lowerText(b));
}

int textLength(std::string_view text) {
  return static_cast<int>(std::min<std::size_t>(text.size(), std::numeric_limits<int>::max()));
}

Text leftText(std::string_view text, int count) {
  const std::size_t end = boundaryAtOrBefore(text, 0, clampCount(count));
  return Text(text.substr(0, end));
}

Text rightText(std::string_view text, int count) {
  const std::size_t wanted = std::min(clampCount(count), text.size());
  const std::size_t begin = boundaryAtOrAfter(text, text.size() - wanted);
  return Text(text.substr(begin));
}

Text middleText(std::string_view text, int start, int count) {
  if (start < 1 || count <= 0) return Text();
  const std::size_t offset = static_cast<std::size_t>(start) - 1;
  if (offset >= text.size()) return Text();
  const std::size_t begin = boundaryAtOrAfter(text, offset);
  const std::size_t limit = offset + std::min(clampCount(count), text.size() - offset);
  const std::size_t end = boundaryAtOrBefore(text, begin, limit);
  return Text(text.substr(begin, end - begin));
}

int findText(std::string_view text, std::string_view needle, int start, bool ignoreCase) {
  if (needle.empty() || needle.size() > text.size()) return -1;
  if (ignoreCase) {
    // Lower-casing keeps every byte in place, so positions carry over unchanged.
    const Text loweredText = lowerText(text);
    const Text loweredNeedle = lowerText(needle);
    return findText(loweredText, loweredNeedle, start, false);
  }
  const std::size_t from = start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
  for (std::size_t index = 0; index + needle.size() <= text.size();
       index += characterLengthAt(text, index)) {
    if (index < from) continue;
    if (text.compare(index, needle.size(), needle) != 0) continue;
    if (!endsOnBoundary(text, index, index + needle.size())) continue;
    return static_cast<int>(index) + 1;
  }
  return -1;
}

Text lowerText(std::string_view text) {
  Text lowered(text);
  for (std::size_t index = 0; index < lowered.size(); index += characterLengthAt(lowered, index)) {
    const char byte = lowered[index];
    if (byte >= 'A' && byte <= 'Z') lowered[index] = static_cast<char>(byte - 'A' + 'a');
  }
  return lowered;
}

std::vector<Text> splitText(std::string_view text, std::string_view separator) {
  std::vector<Text> parts;
  if (text.empty()) return parts;
  if (separator.empty()) {
    parts.emplace_back(text);
    return parts;
  }
  std::size_t begin = 0;
  for (;;) {
    const int found = findText(text, separator, static_cast<int>(begin) + 1);
    if (found < 0) break;
    const std::size_t at = static_cast<std::size_t>(found) - 1;
    parts.emplace_back(text.substr(begin, at - begin));
    begin = at + separator.size();
  }
  parts.emplace_back(text.substr(begin));
  return parts;
}

Text spaceText(int count) { return Text(clampCount(count), ' '); }

Text characterText(int code) {
  if (code >= 1 && code <= 0xFF) return Text(1, static_cast<char>(code));
  if (code >= 0x8000 && code <= 0xFFFF && (code & 0xFF) != 0) {
    return Text{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  }
  return Text();
}

Text numberToText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (result.ec != std::errc()) return Text();
  return Text(buffer, result.ptr);
}

Text integerToText(std::int64_t value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return Text(buffer, result.ptr);
}

double textToNumber(std::string_view text) {
  std::size_t index = 0;
  while (index < text.size() && (text[index] == ' ' || text[index] == '\t' || text[index] == '\r' ||
                                 text[index] == '\n')) {
    ++index;
  }
  bool negative = false;
  if (index < text.size() && (text[index] == '+' || text[index] == '-')) {
    negative = text[index] == '-';
    ++index;
  }
  const auto isDigit = [&](std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; };
  const std::size_t begin = index;
  std::size_t digits = 0;
  while (isDigit(index)) ++index, ++digits;
  if (index < text.size() && text[index] == '.') {
    ++index;
    while (isDigit(index)) ++index, ++digits;
  }
  if (digits == 0) return 0.0;
  bool negativeExponent = false;
  if (index < text.size() && (text[index] == 'e' || text[index] == 'E')) {
    std::size_t exponent = index + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
      negativeExponent = text[exponent] == '-';
      ++exponent;
    }
    // An "e" without digits is not part of the number.
    if (isDigit(exponent)) {
      index = exponent;
      while (isDigit(index)) ++index;
    }
  }
  // from_chars takes no '+' in the exponent; rebuild the span without it.
  std::string number(text.substr(begin, index - begin));
  if (const std::size_t plus = number.find('+'); plus != std::string::npos) number.erase(plus, 1);
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    value = negativeExponent ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (result.ec != std::errc()) {
    return 0.0;
  }
  return negative ? -value : value;
}

int byteStringLength(std::string_view bytes) { return textLength(bytes); }

ByteString bytesFromMemory(const void* memory, int count) {
  if (memory == nullptr || count <= 0) return ByteString();
  return ByteString(static_cast<const char*>(memory), static_cast<std::size_t>(count));
}

ByteString zeroBytes(int count) { return ByteString(clampCount(count), '\0'); }

Text readTextAt(std::string_view bytes, int position) {
  if (position < 1 || static_cast<std::size_t>(position) > bytes.size()) return Text();
  const std::string_view rest = bytes.substr(static_cast<std::size_t>(position) - 1);
  return Text(rest.substr(0, rest.find('\0')));
}

}  // namespace corvalis
