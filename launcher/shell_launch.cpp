#include "launcher/shell_launch.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "base/wide_text.h"

namespace corvalis {

Text nameFromPath(std::string_view path) {
  // The shell's path functions walk the text by characters of the ANSI code page,
  // so a backslash or dot that is a second byte is never taken for one.
  const Text terminated(path);
  const char* fileName = PathFindFileNameA(terminated.c_str());
  const std::string_view file(fileName);
  if (file.empty()) return Text();
  // A path ending in a separator names a folder: the last character decides.
  const char* last = fileName;
  for (const char* at = fileName; *at != '\0'; at = CharNextExA(kGbkCodePage, at, 0)) last = at;
  if (*last == '\\') return Text();
  const std::string_view extension(PathFindExtensionA(fileName));
  return Text(file.substr(0, file.size() - extension.size()));
}

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
