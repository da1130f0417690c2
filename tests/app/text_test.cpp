// Text and byte-string services. GBK samples (code page 936):
//   "\x95\x5C" 昞 and "\xB1\x5C" 盶 end in 0x5C, the backslash;
//   "\x81\x41" 丄 ends in 'A', "\xC4\x5A" 腪 ends in 'Z', "\x95\x61" 昦 ends in 'a';
//   "\xB1\xED" 表, "\xD6\xD0\xCE\xC4" 中文.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "app/text.h"

namespace corvalis {
namespace {

using namespace std::string_literals;

int sign(int value) { return (value > 0) - (value < 0); }

TEST(ConcatTexts, JoinsInOrderAndTreatsEmptyAsAbsent) {
  EXPECT_EQ(concatTexts({}), "");
  EXPECT_EQ(concatTexts({"a"}), "a");
  EXPECT_EQ(concatTexts({"ab", "", "cd"}), "abcd");
  EXPECT_EQ(concatTexts({"", "", ""}), "");
  EXPECT_EQ(concatTexts({"\xB1", "\xED", "x"}), "\xB1\xEDx");
  // Zero bytes inside a byte string are kept, not taken as an end.
  EXPECT_EQ(concatTexts({"a\0b"s, "c"}), "a\0bc"s);
}

TEST(CompareTexts, UnsignedBytesAndAbsentEqualsEmpty) {
  struct Case {
    std::string a, b;
    int expectedSign;
  };
  const std::vector<Case> cases = {
      {"", "", 0},
      {"", "a", -1},          // absent before one character
      {"a", "", 1},
      {"abc", "abc", 0},
      {"abc", "abd", -1},
      {"abc", "ab", 1},
      {"\x80", "\x7F", 1},    // 0x80 is above 0x7F when bytes are unsigned
      {"\xFF", "a", 1},
      {"a\xB1\xED", "a\xB1\xEE", -1},
      {"B", "a", -1},         // case matters by default
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    EXPECT_EQ(sign(compareTexts(c.a, c.b)), c.expectedSign);
    EXPECT_EQ(sign(compareTexts(c.b, c.a)), -c.expectedSign);
    EXPECT_EQ(sign(compareTexts(c.a, c.b, true)), c.expectedSign);
  }
}

TEST(CompareTexts, WithoutCaseFoldsOnlyAsciiOutsideDoubleByteCharacters) {
  struct Case {
    std::string a, b;
    int expectedSign;
  };
  const std::vector<Case> cases = {
      {"ABC", "abc", 0},
      {"Abc", "abD", -1},
      {"B", "a", 1},
      // 丄 ("\x81\x41") and 旳 ("\x81\x61") are different characters; the trail
      // byte 'A' must not be folded to 'a'.
      {"\x81\x41", "\x81\x61", -1},
      {"X\x81\x41", "x\x81\x41", 0},
      {"\xC0", "\xE0", -1},  // only A-Z are letters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.a + " vs " + c.b);
    EXPECT_EQ(sign(compareTexts(c.a, c.b, false)), c.expectedSign);
  }
}

TEST(TextLength, CountsBytes) {
  EXPECT_EQ(textLength(""), 0);
  EXPECT_EQ(textLength("abc"), 3);
  EXPECT_EQ(textLength("\xD6\xD0\xCE\xC4"), 4);
  EXPECT_EQ(byteStringLength("a\0b"s), 3);
}

TEST(TextParts, LeftRightMiddleNeverSplitACharacter) {
  const std::string mixed = "a\xD6\xD0" "b\xCE\xC4";  // a 中 b 文
  struct Case {
    const char* what;
    std::string actual, expected;
  };
  const std::vector<Case> cases = {
      {"left 0", leftText(mixed, 0), ""},
      {"left -1", leftText(mixed, -1), ""},
      {"left 1", leftText(mixed, 1), "a"},
      {"left 2 cuts 中", leftText(mixed, 2), "a"},
      {"left 3", leftText(mixed, 3), "a\xD6\xD0"},
      {"left 5 cuts 文", leftText(mixed, 5), "a\xD6\xD0" "b"},
      {"left beyond", leftText(mixed, 100), mixed},
      {"right 1 cuts 文", rightText(mixed, 1), ""},
      {"right 2", rightText(mixed, 2), "\xCE\xC4"},
      {"right 4 cuts 中", rightText(mixed, 4), "b\xCE\xC4"},
      {"right 5", rightText(mixed, 5), "\xD6\xD0" "b\xCE\xC4"},
      {"right beyond", rightText(mixed, 100), mixed},
      {"right 0", rightText(mixed, 0), ""},
      {"middle 1,1", middleText(mixed, 1, 1), "a"},
      {"middle 2,2", middleText(mixed, 2, 2), "\xD6\xD0"},
      {"middle from trail byte", middleText(mixed, 3, 2), "b"},
      {"middle 2,3 cuts 文", middleText(mixed, 2, 4), "\xD6\xD0" "b"},
      {"middle to the end", middleText(mixed, 4, 100), "b\xCE\xC4"},
      {"middle start 0", middleText(mixed, 0, 3), ""},
      {"middle past end", middleText(mixed, 7, 1), ""},
      {"middle count 0", middleText(mixed, 1, 0), ""},
      // 0x5C as a trail byte still belongs to its character.
      {"left of 昞", leftText("\x95\x5C" "x", 1), ""},
      // A lead byte as the very last byte has no partner and stands alone.
      {"left with dangling lead", leftText("ab\xB1", 3), "ab\xB1"},
      {"right with dangling lead", rightText("ab\xB1", 1), "\xB1"},
      {"middle with dangling lead", middleText("ab\xB1", 3, 5), "\xB1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(FindText, PositionsAreOneBasedAndTrailBytesNeverMatch) {
  struct Case {
    const char* what;
    std::string text, needle;
    int start;
    bool ignoreCase;
    int expected;
  };
  const std::vector<Case> cases = {
      {"simple", "hello", "ll", 1, false, 3},
      {"at the start", "hello", "he", 1, false, 1},
      {"at the end", "hello", "lo", 1, false, 4},
      {"missing", "hello", "x", 1, false, -1},
      {"empty needle", "hello", "", 1, false, -1},
      {"empty text", "", "a", 1, false, -1},
      {"needle longer", "ab", "abc", 1, false, -1},
      {"start skips first", "abab", "ab", 2, false, 3},
      {"start on match", "abab", "ab", 3, false, 3},
      {"start below 1", "abab", "ab", -5, false, 1},
      {"start past end", "abab", "ab", 9, false, -1},
      {"case sensitive", "Hello", "hello", 1, false, -1},
      {"case insensitive", "xHeLLo", "hello", 1, true, 2},
      // The backslash inside 昞 is not a backslash.
      {"trail 0x5C", "\x95\x5C", "\\", 1, false, -1},
      {"real backslash after 昞", "\x95\x5C\\", "\\", 1, false, 3},
      // 'A' inside 丄 is not the letter A.
      {"trail letter", "\x81\x41" "A", "A", 1, false, 3},
      {"trail letter, no case", "\x81\x41" "a", "A", 1, true, 3},
      // "\x41\x81" would match across the boundary of 丄 and 丄.
      {"across a boundary", "\x81\x41\x81\x41", "\x41\x81", 1, false, -1},
      // A match must not end inside a character: the lead byte alone is not 表.
      {"half a character", "\xB1\xED", "\xB1", 1, false, -1},
      {"whole character", "a\xB1\xED", "\xB1\xED", 1, false, 2},
      {"start inside a character", "\xB1\xED\xB1\xED", "\xB1\xED", 2, false, 3},
      {"dangling lead byte", "ab\xB1", "\xB1", 1, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(findText(c.text, c.needle, c.start, c.ignoreCase), c.expected);
  }
}

TEST(LowerText, ChangesOnlyAsciiCapitalsOutsideDoubleByteCharacters) {
  struct Case {
    std::string text, expected;
  };
  const std::vector<Case> cases = {
      {"", ""},
      {"ABC xyz 019", "abc xyz 019"},
      {"@[`{", "@[`{"},                                  // neighbours of A-Z and a-z
      {"\x81\x41", "\x81\x41"},                           // 丄 stays 丄
      {"\xC4\x5A" "Z", "\xC4\x5A" "z"},                   // 腪 stays, the Z after it falls
      {"A\x81\x41" "B", "a\x81\x41" "b"},
      {"\xC0\xDA", "\xC0\xDA"},                           // Latin-1 capitals are GBK bytes here
      {"A\xB1", "a\xB1"},                                 // dangling lead byte at the end
      {"\xB1" "A", "\xB1" "A"},                           // 'A' as the trail of the lead before it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(lowerText(c.text), c.expected);
  }
}

TEST(SplitText, SeparatorsInsideCharactersDoNotSplit) {
  struct Case {
    const char* what;
    std::string text, separator;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"default comma", "a,b,c", ",", {"a", "b", "c"}},
      {"empty text", "", ",", {}},
      {"no separator in text", "abc", ",", {"abc"}},
      {"empty separator", "a,b", "", {"a,b"}},
      {"neighbouring", "a,,b,", ",", {"a", "", "b", ""}},
      {"leading", ",a", ",", {"", "a"}},
      {"longer separator", "a::b::c", "::", {"a", "b", "c"}},
      // 昞 ends in a backslash byte; only the real backslash splits.
      {"backslash trail", "\x95\x5C\\x", "\\", {"\x95\x5C", "x"}},
      {"letter trail", "\x81\x41" "A" "\x81\x41", "A", {"\x81\x41", "\x81\x41"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(splitText(c.text, c.separator), c.expected);
  }
  EXPECT_EQ(splitText("x,y"), (std::vector<std::string>{"x", "y"}));
}

TEST(MakingTexts, SpacesAndCharacters) {
  EXPECT_EQ(spaceText(3), "   ");
  EXPECT_EQ(spaceText(0), "");
  EXPECT_EQ(spaceText(-2), "");
  EXPECT_EQ(characterText('A'), "A");
  EXPECT_EQ(characterText(0xFF), "\xFF");
  EXPECT_EQ(characterText(0xB1ED), "\xB1\xED");
  EXPECT_EQ(characterText(0), "");
  EXPECT_EQ(characterText(-1), "");
  EXPECT_EQ(characterText(0x1234), "");   // not a GBK code: lead byte below 0x80
  EXPECT_EQ(characterText(0xB100), "");   // would hold a zero byte
  EXPECT_EQ(characterText(0x10000), "");
}

TEST(Numbers, ToTextAndBack) {
  struct Case {
    double value;
    std::string text;
  };
  const std::vector<Case> cases = {
      {0.0, "0"}, {3.0, "3"}, {-2.5, "-2.5"}, {0.1, "0.1"}, {1e20, "1e+20"}, {123456789.0, "123456789"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(numberToText(c.value), c.text);
    EXPECT_EQ(textToNumber(c.text), c.value);
  }
  EXPECT_EQ(integerToText(0), "0");
  EXPECT_EQ(integerToText(-42), "-42");
  EXPECT_EQ(integerToText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
}

TEST(Numbers, TextToNumberReadsTheLeadingNumberOnly) {
  struct Case {
    std::string text;
    double expected;
  };
  const std::vector<Case> cases = {
      {"", 0.0},          {"abc", 0.0},      {"  42", 42.0},     {"\t-7x", -7.0},  {"+3.25", 3.25},
      {"1e3", 1000.0},    {"1e", 1.0},       {"2E-2", 0.02},     {"1e+2", 100.0},  {".5", 0.5},
      {"5.", 5.0},        {".", 0.0},        {"-", 0.0},         {"12abc", 12.0},  {"1e-999", 0.0},
      {"\xB1\xED" "1", 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(textToNumber(c.text), c.expected);
  }
  EXPECT_TRUE(std::isinf(textToNumber("1e999")));
}

TEST(ByteStrings, CopyAndZeroFill) {
  const unsigned char memory[] = {1, 0, 0xFF, 7};
  EXPECT_EQ(bytesFromMemory(memory, 4), "\x01\x00\xFF\x07"s);
  EXPECT_EQ(bytesFromMemory(memory, 2), "\x01\x00"s);
  EXPECT_EQ(bytesFromMemory(memory, 0), "");
  EXPECT_EQ(bytesFromMemory(memory, -3), "");
  EXPECT_EQ(bytesFromMemory(nullptr, 4), "");
  EXPECT_EQ(zeroBytes(3), std::string(3, '\0'));
  EXPECT_EQ(zeroBytes(-1), "");
}

TEST(ByteStrings, ReadValueAtIsBoundsChecked) {
  // 8 bytes: 0x04030201 then 0x08070605 little-endian.
  const std::string bytes = "\x01\x02\x03\x04\x05\x06\x07\x08";
  EXPECT_EQ(readValueAt<std::uint8_t>(bytes, 1), 0x01);
  EXPECT_EQ(readValueAt<std::uint8_t>(bytes, 8), 0x08);
  EXPECT_EQ(readValueAt<std::uint16_t>(bytes, 2), 0x0302);
  EXPECT_EQ(readValueAt<std::int32_t>(bytes, 1), 0x04030201);
  EXPECT_EQ(readValueAt<std::int32_t>(bytes, 5), 0x08070605);   // last four bytes: misaligned read
  EXPECT_EQ(readValueAt<std::uint64_t>(bytes, 1), 0x0807060504030201ull);

  struct OutOfRange {
    const char* what;
    bool empty;
  };
  const std::vector<OutOfRange> outside = {
      {"int32 one byte past", !readValueAt<std::int32_t>(bytes, 6).has_value()},
      {"int64 at 2", !readValueAt<std::int64_t>(bytes, 2).has_value()},
      {"byte at 9", !readValueAt<std::uint8_t>(bytes, 9).has_value()},
      {"position 0", !readValueAt<std::uint8_t>(bytes, 0).has_value()},
      {"negative", !readValueAt<std::int32_t>(bytes, -1).has_value()},
      {"huge", !readValueAt<std::int32_t>(bytes, std::numeric_limits<int>::max()).has_value()},
      {"empty bytes", !readValueAt<std::uint8_t>("", 1).has_value()},
  };
  for (const OutOfRange& c : outside) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(c.empty);
  }

  const double pi = 3.25;
  std::string withDouble = "x";
  withDouble += bytesFromMemory(&pi, sizeof pi);
  EXPECT_EQ(readValueAt<double>(withDouble, 2), 3.25);
}

TEST(ByteStrings, ReadTextAtStopsAtZeroOrEnd) {
  const std::string bytes = "ab\0cd"s;
  EXPECT_EQ(readTextAt(bytes, 1), "ab");
  EXPECT_EQ(readTextAt(bytes, 2), "b");
  EXPECT_EQ(readTextAt(bytes, 3), "");
  EXPECT_EQ(readTextAt(bytes, 4), "cd");   // no zero before the end
  EXPECT_EQ(readTextAt(bytes, 6), "");
  EXPECT_EQ(readTextAt(bytes, 0), "");
}

}  // namespace
}  // namespace corvalis
