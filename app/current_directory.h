// The process's current directory, against which relative paths resolve.
#pragma once

#include <string_view>

#include "app/text.h"

namespace corvalis {

// GetCurrentDirectoryA; empty on failure.
Text currentDirectory();
// SetCurrentDirectoryA; false on failure.
bool changeDirectory(std::string_view path);

}  // namespace corvalis
