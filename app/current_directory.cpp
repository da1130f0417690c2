#include "app/current_directory.h"

#include <windows.h>

#include <string>

namespace corvalis {

Text currentDirectory() {
  // MAX_PATH is the usual size; when the call asks for more, give it what it asks.
  DWORD capacity = MAX_PATH;
  for (int attempt = 0; attempt < 4; ++attempt) {
    Text buffer(capacity, '\0');
    const DWORD length = GetCurrentDirectoryA(capacity, buffer.data());
    if (length == 0) return Text();
    if (length < capacity) {
      buffer.resize(length);
      return buffer;
    }
    capacity = length + 1;
  }
  return Text();
}

namespace {
Text startDirectoryText;
}  // namespace

void rememberStartDirectory(std::string_view path) { startDirectoryText = Text(path); }
const Text& startDirectory() { return startDirectoryText; }

bool changeDirectory(std::string_view path) {
  if (path.empty()) return false;
  const std::string owned(path);
  return SetCurrentDirectoryA(owned.c_str()) != FALSE;
}

}  // namespace corvalis
