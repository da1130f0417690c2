// Opening a file through the shell.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/text.h"

namespace corvalis {


// ShowWindow command for a show mode: 0 normal, 1 hidden, 2 minimised without
// activation, 3 maximised; anything else normal.
int showCommandFor(std::int32_t showMode);

// Opens `path` with the verb "Open" (the shell picks the program), with optional
// parameters. False only when the shell reported the file missing.
bool launchFile(std::string_view path, std::string_view parameters, std::int32_t showMode);

}  // namespace corvalis
