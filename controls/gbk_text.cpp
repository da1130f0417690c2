#include "controls/gbk_text.h"

#include <windows.h>

#include "base/wide_text.h"

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

bool typedCharToGbk(wchar_t unit, std::string& out) {
  if (unit < 0x20 || unit == 0x7F || (unit >= 0xD800 && unit <= 0xDFFF)) return false;
  std::string gbk;
  if (!fromWideTextExactly(std::wstring_view(&unit, 1), gbk) || gbk.empty() || gbk.size() > 2) return false;
  out = std::move(gbk);
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
