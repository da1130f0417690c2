// The process's current directory, against which relative paths resolve.
#pragma once

#include <string_view>

#include "app/text.h"

namespace corvalis {

// GetCurrentDirectoryA; empty on failure.
Text currentDirectory();
// SetCurrentDirectoryA; false on failure.
bool changeDirectory(std::string_view path);

// The program's own folder, which start-up makes the current directory and which
// stays the one relative paths (and launched programs) start from. Set once at
// start, before any other thread runs; empty until then.
void rememberStartDirectory(std::string_view path);
const Text& startDirectory();

}  // namespace corvalis
