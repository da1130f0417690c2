#include "controls/gbk_text.h"

#include <windows.h>

namespace corvalis::exui {

std::size_t nextBoundary(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  return pos + gbk::characterLengthAt(text, pos);
}

// DBCS text cannot be walked backwards (a trail byte can look like a lead byte), so both of
// these walk forwards from the start; the texts are short.
std::size_t previousBoundary(std::string_view text, std::size_t pos) {
  if (pos > text.size()) pos = text.size();
  std::size_t at = 0;
  while (true) {
    const std::size_t next = nextBoundary(text, at);
    if (next >= pos) return at;
    at = next;
  }
}

std::size_t snapToBoundary(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  std::size_t at = 0;
  while (true) {
    const std::size_t next = nextBoundary(text, at);
    if (next > pos) return at;
    at = next;
  }
}

std::wstring gbkToWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(kGbkCodePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string wideToGbk(std::wstring_view text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(kGbkCodePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string gbk(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, text.data(), static_cast<int>(text.size()), gbk.data(), length,
                      nullptr, nullptr);
  return gbk;
}

bool typedCharToGbk(wchar_t unit, std::string& out) {
  if (unit < 0x20 || unit == 0x7F || (unit >= 0xD800 && unit <= 0xDFFF)) return false;
  char bytes[4];
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes,
                                         sizeof bytes, nullptr, &usedDefault);
  if (length <= 0 || length > 2 || usedDefault) return false;
  out.assign(bytes, static_cast<std::size_t>(length));
  return true;
}

GbkLayout layoutGbk(std::string_view text) {
  GbkLayout layout;
  layout.boundaries.push_back(0);
  layout.wideIndex.push_back(0);
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t next = nextBoundary(text, at);
    wchar_t units[4];
    int count = MultiByteToWideChar(kGbkCodePage, 0, text.data() + at, static_cast<int>(next - at), units, 4);
    if (count <= 0) {
      units[0] = L'?';  // a lone lead byte still takes one visible place
      count = 1;
    }
    layout.wide.append(units, static_cast<std::size_t>(count));
    at = next;
    layout.boundaries.push_back(at);
    layout.wideIndex.push_back(layout.wide.size());
  }
  return layout;
}

}  // namespace corvalis::exui
