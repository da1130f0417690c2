// Splitting a GBK path at its last backslash. The second byte of a two-byte
// character may be 0x5C, the backslash; such a byte belongs to its character and
// never counts as a separator. Portable: no platform calls.
#pragma once

#include <string_view>

namespace corvalis {

struct PathSplit {
  std::string_view head;  // everything before the last backslash
  std::string_view tail;  // everything after it
  bool found = false;     // false: no backslash; head is empty and tail is the whole path
};

PathSplit splitAtLastBackslash(std::string_view path);

// A registry path is the subkey, a backslash and the value name.
struct RegistryPath {
  std::string_view subkey;
  std::string_view valueName;
};

RegistryPath splitRegistryPath(std::string_view path);

}  // namespace corvalis
