// Type-to-find over GBK names: typed letters match the start of a name, and each hanzi
// of GB2312 in it also answers to the first letter of its pinyin, so 记事本 is found by
// "j", "js" and "jsb". The keys and their one-second window belong to the caller.
//
// Nothing here calls the platform: this module builds and is tested on every host.
#pragma once

#include <span>
#include <string_view>

#include "app/text.h"

namespace corvalis {

// The pinyin initial ('a'-'z') of the GBK character `lead` `trail`, or 0 when it has
// none. Only GB2312's hanzi have one; a character of a GBK extension area, a symbol or
// a full-width letter matches only itself. A character with several readings gives
// the one it is filed under in GB2312's first level, and its first reading otherwise.
char pinyinInitial(unsigned char lead, unsigned char trail);

// True when `typed` matches the start of `gbkName`, one name character for each typed
// character: a typed ASCII letter matches that letter in either case, or a hanzi one of
// whose readings starts with it (音乐 is "yl" and "yy", as 乐 is lè and yuè); anything
// else typed (a digit, a hanzi) matches only itself. Characters follow base/gbk_rule.h
// and are never split. An empty `typed` matches every name.
bool nameMatchesTyped(std::string_view gbkName, std::string_view typed);

// The first row after `startAfter` whose name matches `typed`, wrapping round so that
// `startAfter` itself comes last; -1 when none does. Starting after the row before the
// current one keeps the current row while it still matches a longer `typed`. A
// `startAfter` outside the rows searches from the top.
int nextMatchingRow(std::span<const Text> names, std::string_view typed, int startAfter);

}  // namespace corvalis
