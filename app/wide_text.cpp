#include "app/wide_text.h"

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

Text fromWideText(std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    return Text();
  }
  const int length = static_cast<int>(text.size());
  const int needed =
      WideCharToMultiByte(kGbkCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return Text();
  Text narrow(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(kGbkCodePage, 0, text.data(), length, narrow.data(), needed,
                                          nullptr, nullptr);
  if (written <= 0) return Text();
  narrow.resize(static_cast<std::size_t>(written));
  return narrow;
}

}  // namespace corvalis
