// Where the program's own executable lives.
#pragma once

#include "app/text.h"

namespace corvalis {

// Full path of the running executable (GetModuleFileNameA); empty on failure.
Text executablePath();
// Its directory, without a trailing backslash.
Text executableDirectory();
// Its file name, without directory.
Text executableFileName();

}  // namespace corvalis
