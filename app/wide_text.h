// The program keeps its texts as GBK bytes; wide Win32 calls get UTF-16 made here,
// at the call, through code page 936 named explicitly (not the thread's ANSI code
// page, which need not be 936).
#pragma once

#include <string>
#include <string_view>

#include "app/text.h"

namespace corvalis {

inline constexpr unsigned kGbkCodePage = 936;

// GBK text to UTF-16; empty for empty text or text the code page cannot convert.
std::wstring toWideText(std::string_view text);

// UTF-16 to GBK text; characters that GBK lacks become '?'.
Text fromWideText(std::wstring_view text);

}  // namespace corvalis
