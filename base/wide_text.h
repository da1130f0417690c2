// The program keeps its texts as GBK bytes; wide Win32 calls get UTF-16 made here,
// at the call, through code page 936 named explicitly (not the thread's ANSI code
// page, which need not be 936).
#pragma once

#include <string>
#include <string_view>

namespace corvalis {

inline constexpr unsigned kGbkCodePage = 936;

// GBK text to UTF-16; empty for empty text or text the code page cannot convert.
std::wstring toWideText(std::string_view text);

// UTF-16 to GBK text; characters that GBK lacks become '?'.
std::string fromWideText(std::wstring_view text);

// UTF-16 to GBK text only when code page 936 holds every character of it: false, with
// `gbk` empty, when a character would become '?' or a look-alike (a path with such a
// character would name another file). An empty text converts to the empty text.
bool fromWideTextExactly(std::wstring_view text, std::string& gbk);

}  // namespace corvalis
