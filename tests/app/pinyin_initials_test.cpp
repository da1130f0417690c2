// Type-to-find by pinyin initials. Characters are written as GBK bytes with the
// character and its reading beside them; the expected letters come from the readings,
// not from the generated table.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/pinyin_initials.h"

namespace corvalis {
namespace {

struct Hanzi {
  const char* gbk;  // two bytes
  const char* name;
  char initial;     // 0: none
};

char initialOf(const char* gbk) {
  return pinyinInitial(static_cast<unsigned char>(gbk[0]), static_cast<unsigned char>(gbk[1]));
}

void expectInitials(const std::vector<Hanzi>& characters) {
  for (const Hanzi& c : characters) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(std::strlen(c.gbk), 2u);
    EXPECT_EQ(initialOf(c.gbk), c.initial);
  }
}

// GBK samples used by the matching tests.
const std::string kJi = "\xBC\xC7";                     // 记 jì
const std::string kJiShiBen = "\xBC\xC7\xCA\xC2\xB1\xBE";  // 记事本 jì shì běn
const std::string kJiSuanQi = "\xBC\xC6\xCB\xE3\xC6\xF7";  // 计算器 jì suàn qì
const std::string kYinYue = "\xD2\xF4\xC0\xD6";         // 音乐 yīn yuè (乐 is also lè)

TEST(PinyinInitial, FirstLevelChangesLetterExactlyWhereGb2312Does) {
  // The last character of each initial and the first of the next, by reading.
  expectInitials({
      {"\xB0\xA1", "\xe5\x95\x8a a", 'a'},        // 啊, the first hanzi
      {"\xB0\xC4", "\xe6\xbe\xb3 ao", 'a'},       // 澳
      {"\xB0\xC5", "\xe8\x8a\xad ba", 'b'},       // 芭
      {"\xB2\xC0", "\xe6\x80\x96 bu", 'b'},       // 怖
      {"\xB2\xC1", "\xe6\x93\xa6 ca", 'c'},       // 擦
      {"\xB4\xED", "\xe9\x94\x99 cuo", 'c'},      // 错
      {"\xB4\xEE", "\xe6\x90\xad da", 'd'},       // 搭
      {"\xB6\xE9", "\xe5\xa0\x95 duo", 'd'},      // 堕
      {"\xB6\xEA", "\xe8\x9b\xbe e", 'e'},        // 蛾
      {"\xB7\xA1", "\xe8\xb4\xb0 er", 'e'},       // 贰, first of its row
      {"\xB7\xA2", "\xe5\x8f\x91 fa", 'f'},       // 发
      {"\xB8\xC0", "\xe5\x92\x90 fu", 'f'},       // 咐
      {"\xB8\xC1", "\xe5\x99\xb6 ga", 'g'},       // 噶
      {"\xB9\xFD", "\xe8\xbf\x87 guo", 'g'},      // 过
      {"\xB9\xFE", "\xe5\x93\x88 ha", 'h'},       // 哈, last of its row
      {"\xBB\xF6", "\xe7\xa5\xb8 huo", 'h'},      // 祸
      {"\xBB\xF7", "\xe5\x87\xbb ji", 'j'},       // 击: no initial i
      {"\xBF\xA5", "\xe9\xaa\x8f jun", 'j'},      // 骏
      {"\xBF\xA6", "\xe5\x96\x80 ka", 'k'},       // 喀
      {"\xC0\xAB", "\xe9\x98\x94 kuo", 'k'},      // 阔
      {"\xC0\xAC", "\xe5\x9e\x83 la", 'l'},       // 垃
      {"\xC2\xE7", "\xe7\xbb\x9c luo", 'l'},      // 络
      {"\xC2\xE8", "\xe5\xa6\x88 ma", 'm'},       // 妈
      {"\xC4\xC2", "\xe7\xa9\x86 mu", 'm'},       // 穆
      {"\xC4\xC3", "\xe6\x8b\xbf na", 'n'},       // 拿
      {"\xC5\xB5", "\xe8\xaf\xba nuo", 'n'},      // 诺
      {"\xC5\xB6", "\xe5\x93\xa6 o", 'o'},        // 哦
      {"\xC5\xBD", "\xe6\xb2\xa4 ou", 'o'},       // 沤
      {"\xC5\xBE", "\xe5\x95\xaa pa", 'p'},       // 啪
      {"\xC6\xD9", "\xe7\x80\x91 pu", 'p'},       // 瀑
      {"\xC6\xDA", "\xe6\x9c\x9f qi", 'q'},       // 期
      {"\xC8\xBA", "\xe7\xbe\xa4 qun", 'q'},      // 群
      {"\xC8\xBB", "\xe7\x84\xb6 ran", 'r'},      // 然
      {"\xC8\xF5", "\xe5\xbc\xb1 ruo", 'r'},      // 弱
      {"\xC8\xF6", "\xe6\x92\x92 sa", 's'},       // 撒
      {"\xCB\xF9", "\xe6\x89\x80 suo", 's'},      // 所
      {"\xCB\xFA", "\xe5\xa1\x8c ta", 't'},       // 塌
      {"\xCD\xD9", "\xe5\x94\xbe tuo", 't'},      // 唾
      {"\xCD\xDA", "\xe6\x8c\x96 wa", 'w'},       // 挖: no initial u or v
      {"\xCE\xF3", "\xe8\xaf\xaf wu", 'w'},       // 误
      {"\xCE\xF4", "\xe6\x98\x94 xi", 'x'},       // 昔
      {"\xD1\xB8", "\xe8\xbf\x85 xun", 'x'},      // 迅
      {"\xD1\xB9", "\xe5\x8e\x8b ya", 'y'},       // 压
      {"\xD4\xD0", "\xe5\xad\x95 yun", 'y'},      // 孕
      {"\xD4\xD1", "\xe5\x8c\x9d za", 'z'},       // 匝
      {"\xD7\xF9", "\xe5\xba\xa7 zuo", 'z'},      // 座, the last of the first level
      {"\xD7\xFA", "D7FA, unassigned", 0},
      {"\xD7\xFE", "D7FE, unassigned", 0},
  });
}

TEST(PinyinInitial, FirstLevelPolyphoneGivesTheReadingItIsFiledUnder) {
  expectInitials({
      {"\xB3\xA4", "\xe9\x95\xbf chang (also zhang)", 'c'},  // 长
      {"\xCF\xC3", "\xe5\x8e\xa6 xia (also sha)", 'x'},      // 厦
      {"\xC0\xD6", "\xe4\xb9\x90 le (also yue)", 'l'},       // 乐
      {"\xD4\xF8", "\xe6\x9b\xbe zeng (also ceng)", 'z'},    // 曾
  });
}

TEST(PinyinInitial, SecondLevelGivesTheFirstReading) {
  expectInitials({
      {"\xD8\xA1", "\xe4\xba\x8d chu, first of the level", 'c'},  // 亍
      {"\xD8\xA2", "\xe4\xb8\x8c ji (also qi)", 'j'},             // 丌
      {"\xD8\xAF", "\xe4\xb8\xbf pie", 'p'},                      // 丿
      {"\xD8\xB0", "\xe5\x8c\x95 bi", 'b'},                       // 匕
      {"\xD8\xE9", "\xe4\xba\xbb ren", 'r'},                      // 亻
      {"\xD9\xA1", "\xe4\xbd\x9f tong, first of its row", 't'},   // 佟
      {"\xDA\xA5", "\xe8\xae\xa0 yan", 'y'},                      // 讠
      {"\xDB\xCB", "\xe9\xac\xaf chang", 'c'},                    // 鬯
      {"\xE2\xB7", "\xe5\xa4\xa5 huo", 'h'},                      // 夥
      {"\xE3\xDF", "\xe6\xb0\xb5 shui", 's'},                     // 氵
      {"\xF3\xBB", "\xe8\xa0\xa1 li", 'l'},                       // 蠡
      {"\xF6\xBF", "\xe9\x9a\xb9 zhui", 'z'},                     // 隹
      {"\xF7\xFA", "\xe9\xbc\xb9 yan", 'y'},                      // 鼹
      {"\xF7\xFE", "\xe9\xbd\x84 zha, last of the level", 'z'},   // 齄
  });
}

TEST(PinyinInitial, NoneOutsideTheHanziOfGb2312) {
  expectInitials({
      {"\x81\x40", "\xe4\xb8\x82 kao, GBK/3", 0},         // 丂
      {"\x81\x56", "\xe4\xb9\x82 yi, GBK/3", 0},          // 乂
      {"\xAA\x40", "\xe7\x8b\x9c ku, GBK/4", 0},          // 狜
      {"\xB0\x40", "\xe7\x99\x85 liu, GBK/4 under 啊's lead", 0},  // 癅
      {"\xB0\xA0", "\xe7\x9b\x83 bei, just before 啊", 0},       // 盃
      {"\xD8\x40", "\xe8\xb0\xb8 qian, GBK/4", 0},        // 谸
      {"\xF7\xA0", "\xe9\xb3\xa1 gan, just before 鼹's row", 0},  // 鳡
      {"\xA1\xA2", "\xe3\x80\x81 ideographic comma", 0},  // 、
      {"\xA3\xC1", "\xef\xbc\xa1 full-width A", 0},       // Ａ
      {"\xA4\xA2", "\xe3\x81\x82 hiragana a", 0},         // あ
      {"\xF8\xA1", "F8A1, user-defined area", 0},
      {"\xFE\xFE", "FEFE, user-defined area", 0},
      {"\xB0\x7F", "B0 7F, not a character", 0},
      {"\xB0\xFF", "B0 FF, not a character", 0},
      {"AB", "two ASCII letters", 0},
  });
}

// The name in a heap block of exactly its size, so the address sanitizer reports any
// read past its end (a std::string would hide one behind its terminating zero).
class ExactName {
 public:
  explicit ExactName(std::string_view name) : bytes_(new char[name.size()]), size_(name.size()) {
    std::memcpy(bytes_.get(), name.data(), name.size());
  }
  operator std::string_view() const { return {bytes_.get(), size_}; }

 private:
  std::unique_ptr<char[]> bytes_;
  std::size_t size_;
};

TEST(NameMatchesTyped, InitialsOfAChineseName) {
  const ExactName name(kJiShiBen);
  EXPECT_TRUE(nameMatchesTyped(name, "j"));
  EXPECT_TRUE(nameMatchesTyped(name, "js"));
  EXPECT_TRUE(nameMatchesTyped(name, "jsb"));
  EXPECT_FALSE(nameMatchesTyped(name, "jx"));
  EXPECT_FALSE(nameMatchesTyped(name, "s"));     // the start only
  EXPECT_FALSE(nameMatchesTyped(name, "jsbx"));  // longer than the name
  EXPECT_FALSE(nameMatchesTyped(name, "jishi"));  // initials, not whole syllables
  EXPECT_TRUE(nameMatchesTyped(name, ""));
  EXPECT_TRUE(nameMatchesTyped("", ""));
  EXPECT_FALSE(nameMatchesTyped("", "j"));
}

TEST(NameMatchesTyped, AHanziTypedAsItselfMatchesOnlyItself) {
  const ExactName name(kJiShiBen);
  EXPECT_TRUE(nameMatchesTyped(name, kJi));
  EXPECT_TRUE(nameMatchesTyped(name, kJi + "s"));
  EXPECT_TRUE(nameMatchesTyped(name, "j\xCA\xC2" "b"));  // j 事 b
  EXPECT_TRUE(nameMatchesTyped(name, kJiShiBen));
  EXPECT_FALSE(nameMatchesTyped(name, "\xBC\xCD"));     // 纪: the same initial, another character
  EXPECT_FALSE(nameMatchesTyped(name, kJi + "x"));
  EXPECT_FALSE(nameMatchesTyped("j", kJi));             // a hanzi never stands for a letter
}

TEST(NameMatchesTyped, EveryReadingOfAPolyphoneCounts) {
  const ExactName music("QQ" + kYinYue);
  EXPECT_TRUE(nameMatchesTyped(music, "qqy"));
  EXPECT_TRUE(nameMatchesTyped(music, "QQyy"));   // 乐 yuè
  EXPECT_TRUE(nameMatchesTyped(music, "qqyl"));   // 乐 lè
  EXPECT_FALSE(nameMatchesTyped(music, "qqyx"));
  EXPECT_FALSE(nameMatchesTyped(music, "qqx"));
  EXPECT_TRUE(nameMatchesTyped(music, "qq\xD2\xF4" "y"));  // qq 音 y
  EXPECT_TRUE(nameMatchesTyped(music, "QQ" + kYinYue));

  // Both levels: 长 zhǎng besides cháng, 丌 qí besides jī, 隹 cuī and wéi besides zhuī.
  EXPECT_TRUE(nameMatchesTyped("\xB3\xA4", "c"));
  EXPECT_TRUE(nameMatchesTyped("\xB3\xA4", "z"));
  EXPECT_FALSE(nameMatchesTyped("\xB3\xA4", "x"));
  EXPECT_TRUE(nameMatchesTyped("\xD8\xA2", "j"));
  EXPECT_TRUE(nameMatchesTyped("\xD8\xA2", "q"));
  EXPECT_FALSE(nameMatchesTyped("\xD8\xA2", "x"));
  for (const char* letter : {"z", "c", "w"}) EXPECT_TRUE(nameMatchesTyped("\xF6\xBF", letter)) << letter;
  EXPECT_FALSE(nameMatchesTyped("\xF6\xBF", "y"));
}

TEST(NameMatchesTyped, AsciiLettersIgnoreCaseAndNothingElseDoes) {
  EXPECT_TRUE(nameMatchesTyped("Notepad", "note"));
  EXPECT_TRUE(nameMatchesTyped("Notepad", "NOTE"));
  EXPECT_TRUE(nameMatchesTyped("notepad", "nOtE"));
  EXPECT_FALSE(nameMatchesTyped("Notepad", "notf"));
  EXPECT_TRUE(nameMatchesTyped(kJiShiBen, "JSB"));
  EXPECT_TRUE(nameMatchesTyped(kJiShiBen, "jSb"));
  EXPECT_TRUE(nameMatchesTyped("7-Zip", "7-z"));
  EXPECT_FALSE(nameMatchesTyped("7-Zip", "7_z"));
  // Bytes that differ from a letter by the case bit are not letters.
  EXPECT_FALSE(nameMatchesTyped("[x]", "{"));
  EXPECT_FALSE(nameMatchesTyped("@home", "`"));
  EXPECT_FALSE(nameMatchesTyped("^", "~"));
}

TEST(NameMatchesTyped, CharactersBeyondGb2312MatchOnlyThemselves) {
  const std::string kao = "\x81\x40";  // 丂 kǎo, GBK/3
  EXPECT_FALSE(nameMatchesTyped(kao, "k"));
  EXPECT_TRUE(nameMatchesTyped(kao, kao));
  EXPECT_TRUE(nameMatchesTyped(kao + "x", kao + "X"));
  const std::string liu = "\xB0\x40";  // 癅 liú, GBK/4
  EXPECT_FALSE(nameMatchesTyped(liu, "l"));
  EXPECT_TRUE(nameMatchesTyped(liu, liu));
  EXPECT_FALSE(nameMatchesTyped("\xA3\xC1" "pp", "a"));  // full-width Ａ is not the letter a
  EXPECT_FALSE(nameMatchesTyped("\xA1\xA2", "a"));       // 、
  // "No initial" is not a letter that a typed zero byte could match.
  const std::string zero(1, '\0');
  EXPECT_FALSE(nameMatchesTyped(kao, zero));
  EXPECT_FALSE(nameMatchesTyped("\xB3\xA4", zero));  // 长, which has two initials
}

TEST(NameMatchesTyped, NeverSplitsADoubleByteCharacter) {
  // 丄 ends in 'A' and 昞 in the backslash: those bytes belong to their characters.
  EXPECT_FALSE(nameMatchesTyped("\x81\x41", "a"));
  EXPECT_FALSE(nameMatchesTyped("\x81\x41", "\x81"));
  EXPECT_TRUE(nameMatchesTyped("\x81\x41", "\x81\x41"));
  EXPECT_FALSE(nameMatchesTyped("x\x95\x5C", "x\\"));
  // Half a hanzi typed matches nothing, not even the hanzi it begins.
  EXPECT_FALSE(nameMatchesTyped(kJiShiBen, "js\xB1"));
  EXPECT_FALSE(nameMatchesTyped(kJiShiBen, "\xBC"));
}

TEST(NameMatchesTyped, ALoneLeadByteIsACharacterOfItsOwn) {
  // At the end of the name: never read past it.
  const ExactName name("ab\xBC");
  EXPECT_TRUE(nameMatchesTyped(name, "ab"));
  EXPECT_TRUE(nameMatchesTyped(name, "AB\xBC"));
  EXPECT_FALSE(nameMatchesTyped(name, "abj"));
  EXPECT_FALSE(nameMatchesTyped(name, "ab" + kJi));
  EXPECT_FALSE(nameMatchesTyped(name, "ab\xBC" "c"));
  const ExactName alone("\xBC");
  EXPECT_FALSE(nameMatchesTyped(alone, "j"));
  EXPECT_TRUE(nameMatchesTyped(alone, "\xBC"));
  EXPECT_FALSE(nameMatchesTyped(alone, kJi));
  // Before a digit, which cannot be a trail byte.
  const ExactName beforeDigit("\xBC" "1");
  EXPECT_FALSE(nameMatchesTyped(beforeDigit, "j1"));
  EXPECT_TRUE(nameMatchesTyped(beforeDigit, "\xBC" "1"));
}

TEST(NextMatchingRow, FindsTheNextMatchAndWrapsRound) {
  const std::vector<Text> names = {kJiShiBen, "Calculator", kJiSuanQi, "QQ" + kYinYue, "jsb.txt"};
  EXPECT_EQ(nextMatchingRow(names, "j", -1), 0);
  EXPECT_EQ(nextMatchingRow(names, "j", 0), 2);
  EXPECT_EQ(nextMatchingRow(names, "j", 2), 4);
  EXPECT_EQ(nextMatchingRow(names, "j", 4), 0);
  EXPECT_EQ(nextMatchingRow(names, "J", 3), 4);
  // A longer `typed` from the row before the current one keeps the current row while it matches.
  EXPECT_EQ(nextMatchingRow(names, "js", 1), 2);
  EXPECT_EQ(nextMatchingRow(names, "jsb", 1), 4);
  EXPECT_EQ(nextMatchingRow(names, "jsq", 1), 2);
  // The start row itself comes last.
  EXPECT_EQ(nextMatchingRow(names, "c", 1), 1);
  EXPECT_EQ(nextMatchingRow(names, "qqyy", 3), 3);
  EXPECT_EQ(nextMatchingRow(names, "x", 0), -1);
  EXPECT_EQ(nextMatchingRow(names, "", 1), 2);
  EXPECT_EQ(nextMatchingRow(names, "", 4), 0);
}

TEST(NextMatchingRow, StartsFromTheTopWhenTheStartIsNoRow) {
  const std::vector<Text> names = {"Calculator", kJiShiBen, kJiSuanQi};
  EXPECT_EQ(nextMatchingRow(names, "j", 99), 1);
  EXPECT_EQ(nextMatchingRow(names, "j", 3), 1);
  EXPECT_EQ(nextMatchingRow(names, "j", -5), 1);
  EXPECT_EQ(nextMatchingRow({}, "j", -1), -1);
  EXPECT_EQ(nextMatchingRow({}, "", 0), -1);
}

}  // namespace
}  // namespace corvalis
