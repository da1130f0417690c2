#include "launcher/shortcut_name.h"

#include <windows.h>
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

}  // namespace corvalis
