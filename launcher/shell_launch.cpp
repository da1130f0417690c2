#include "launcher/shell_launch.h"

#include <windows.h>
#include <shellapi.h>

#include "base/wide_text.h"

namespace corvalis {

int showCommandFor(std::int32_t showMode) {
  switch (showMode) {
    case 1: return SW_HIDE;
    case 2: return SW_SHOWMINNOACTIVE;
    case 3: return SW_SHOWMAXIMIZED;
    default: return SW_SHOWNORMAL;
  }
}

bool launchFile(std::string_view path, std::string_view parameters, std::int32_t showMode) {
  const std::wstring file = toWideText(path);
  const std::wstring arguments = toWideText(parameters);
  // An empty text is no string at all at the call.
  const HINSTANCE result = ShellExecuteW(nullptr, L"Open", file.empty() ? nullptr : file.c_str(),
                                         arguments.empty() ? nullptr : arguments.c_str(), nullptr,
                                         showCommandFor(showMode));
  return reinterpret_cast<INT_PTR>(result) != ERROR_FILE_NOT_FOUND;
}

}  // namespace corvalis
