// A shortcut's name: its file's, as the user chose or dropped it.
#pragma once

#include <string_view>

#include "app/text.h"

namespace corvalis {

// The file-name part of `path` without its last extension: ...\app.exe gives "app",
// archive.tar.gz "archive.tar", a name without a dot itself, and a name whose only dot
// leads it (.profile), like a path ending in a backslash, the empty name.
Text nameFromPath(std::string_view path);

}  // namespace corvalis
