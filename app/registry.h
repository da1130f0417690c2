// Registry services. A path is the subkey, a backslash and the value name in one
// GBK text, split at its last backslash (a backslash that is the second byte of a
// two-byte character does not count); a path without backslash names a value
// directly under the root. The root is one of HKEY_CLASSES_ROOT,
// HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and HKEY_USERS; any
// other key is refused. No registry view is requested: a 32-bit process sees the
// view the system gives it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "app/text.h"

namespace corvalis {

bool isRegistryRoot(HKEY root);

// True when the key opens for reading and the value exists.
bool registryValueExists(HKEY root, std::string_view path);

// A REG_SZ value as stored, a REG_EXPAND_SZ value with its environment variables
// expanded; for any other type, a missing value or any failure, `fallback`.
Text readRegistryText(HKEY root, std::string_view path, std::string_view fallback = {});

// Each write opens the subkey for writing or creates it. True when the value was set.
bool writeRegistryText(HKEY root, std::string_view path, std::string_view text);  // REG_SZ
bool writeRegistryInteger(HKEY root, std::string_view path, std::uint32_t value);  // REG_DWORD
bool writeRegistryBytes(HKEY root, std::string_view path, std::string_view bytes);  // REG_BINARY

// Deletes the value; when that does not succeed, deletes the key named by the whole
// path instead (a key without subkeys). True if either succeeded; an empty path is
// refused.
bool deleteRegistryValue(HKEY root, std::string_view path);

}  // namespace corvalis
