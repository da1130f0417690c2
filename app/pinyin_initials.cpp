#include "app/pinyin_initials.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "base/gbk_rule.h"

namespace corvalis {

namespace {

#include "app/pinyin_initials_table.inc"

// GB2312 puts its hanzi at lead bytes B0-F7 and trail bytes A1-FE, 94 a row; the
// first level ends early, at 座, and the second begins at lead D8.
constexpr unsigned char kFirstHanziLead = 0xB0;
constexpr unsigned char kSecondLevelLead = 0xD8;
constexpr unsigned char kLastHanziLead = 0xF7;
constexpr unsigned char kFirstHanziTrail = 0xA1;
constexpr unsigned char kLastHanziTrail = 0xFE;
constexpr unsigned kLastFirstLevelCode = 0xD7F9;
constexpr std::size_t kRowLength = kLastHanziTrail - kFirstHanziTrail + 1;

static_assert(sizeof(kSecondLevelInitials) - 1 == (kLastHanziLead - kSecondLevelLead + 1) * kRowLength,
              "the second level needs one letter for every character of rows 56-87");

static_assert(std::is_sorted(std::begin(kOtherInitials), std::end(kOtherInitials),
                             [](const OtherInitials& a, const OtherInitials& b) { return a.code < b.code; }),
              "hasInitial searches the other initials by halves");

constexpr char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when the hanzi `lead` `trail` is read, in any of its readings, with `letter` first.
bool hasInitial(unsigned char lead, unsigned char trail, char letter) {
  if (pinyinInitial(lead, trail) == letter) return true;
  const unsigned code = static_cast<unsigned>(lead) << 8 | trail;
  const auto found = std::lower_bound(std::begin(kOtherInitials), std::end(kOtherInitials), code,
                                      [](const OtherInitials& entry, unsigned key) { return entry.code < key; });
  return found != std::end(kOtherInitials) && found->code == code && std::strchr(found->initials, letter) != nullptr;
}

// One character of each text, as base/gbk_rule.h cuts them.
bool characterMatches(std::string_view nameCharacter, std::string_view typedCharacter) {
  if (typedCharacter.size() == 1) {
    const char typed = lowerAscii(typedCharacter[0]);
    if (nameCharacter.size() == 1) return lowerAscii(nameCharacter[0]) == typed;
    // Only a letter stands for an initial; strchr would also find the terminating 0.
    return typed >= 'a' && typed <= 'z' &&
           hasInitial(static_cast<unsigned char>(nameCharacter[0]), static_cast<unsigned char>(nameCharacter[1]),
                      typed);
  }
  return nameCharacter == typedCharacter;
}

}  // namespace

char pinyinInitial(unsigned char lead, unsigned char trail) {
  if (lead < kFirstHanziLead || lead > kLastHanziLead || trail < kFirstHanziTrail || trail > kLastHanziTrail)
    return 0;
  if (lead >= kSecondLevelLead)
    return kSecondLevelInitials[(lead - kSecondLevelLead) * kRowLength + (trail - kFirstHanziTrail)];
  const unsigned code = static_cast<unsigned>(lead) << 8 | trail;
  if (code > kLastFirstLevelCode) return 0;
  char initial = 0;
  for (const FirstLevelStart& start : kFirstLevelStarts) {
    if (start.code > code) break;
    initial = start.initial;
  }
  return initial;
}

bool nameMatchesTyped(std::string_view gbkName, std::string_view typed) {
  std::size_t nameIndex = 0;
  std::size_t typedIndex = 0;
  while (typedIndex < typed.size()) {
    if (nameIndex >= gbkName.size()) return false;
    const std::size_t nameLength = gbk::characterLengthAt(gbkName, nameIndex);
    const std::size_t typedLength = gbk::characterLengthAt(typed, typedIndex);
    if (!characterMatches(gbkName.substr(nameIndex, nameLength), typed.substr(typedIndex, typedLength)))
      return false;
    nameIndex += nameLength;
    typedIndex += typedLength;
  }
  return true;
}

int nextMatchingRow(std::span<const Text> names, std::string_view typed, int startAfter) {
  const int count = static_cast<int>(names.size());
  if (startAfter < -1 || startAfter >= count) startAfter = -1;
  for (int step = 1; step <= count; ++step) {
    const int row = (startAfter + step) % count;
    if (nameMatchesTyped(names[static_cast<std::size_t>(row)], typed)) return row;
  }
  return -1;
}

}  // namespace corvalis
