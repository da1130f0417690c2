// The one name under which the program knows itself to the system.
#pragma once

#include <string_view>

namespace corvalis {

// Both the single-instance event's name and the autostart value's name; nothing
// else is derived from it.
inline constexpr std::string_view kInstanceName = "corvalisbar";

}  // namespace corvalis
