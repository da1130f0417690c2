#include "base/message_box.h"

#include <string>

namespace corvalis {

int messageBox(std::string_view text, UINT style, std::string_view caption, HWND owner) {
  // MessageBoxA needs zero-terminated strings; views need not be.
  const std::string textCopy(text);
  const std::string captionCopy(caption.empty() ? kDefaultMessageCaption : caption);
  return MessageBoxA(owner, textCopy.c_str(), captionCopy.c_str(), composeMessageBoxStyle(style));
}

}  // namespace corvalis
