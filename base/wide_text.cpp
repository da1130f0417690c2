#include "base/wide_text.h"

#include <windows.h>

#include <limits>

namespace corvalis {

std::wstring toWideText(std::string_view text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::wstring();
  }
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(kGbkCodePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  const int written = MultiByteToWideChar(kGbkCodePage, 0, text.data(), length, wide.data(), needed);
  if (written <= 0) return std::wstring();
  wide.resize(static_cast<std::size_t>(written));
  return wide;
}

std::string fromWideText(std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return std::string();
  }
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(kGbkCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(kGbkCodePage, 0, text.data(), length, narrow.data(), needed,
                                          nullptr, nullptr);
  if (written <= 0) return std::string();
  narrow.resize(static_cast<std::size_t>(written));
  return narrow;
}

bool fromWideTextExactly(std::wstring_view text, std::string& gbk) {
  gbk.clear();
  if (text.empty()) return true;
  if (text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) return false;
  const int length = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int needed =
      WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0, nullptr, &usedDefault);
  if (needed <= 0 || usedDefault) return false;
  gbk.resize(static_cast<std::size_t>(needed));
  const int written = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, text.data(), length, gbk.data(), needed,
                                          nullptr, &usedDefault);
  if (written != needed || usedDefault) {
    gbk.clear();
    return false;
  }
  return true;
}

}  // namespace corvalis
