#include "app/registry.h"

#include <string>

#include "app/gbk_path.h"
#include "base/win_handles.h"

namespace corvalis {

namespace {

struct OwnedRegistryPath {
  std::string subkey;
  std::string valueName;
};

// The Reg*A calls need zero-terminated strings.
OwnedRegistryPath ownedPath(std::string_view path) {
  const RegistryPath split = splitRegistryPath(path);
  return OwnedRegistryPath{std::string(split.subkey), std::string(split.valueName)};
}

UniqueRegistryKey openKey(HKEY root, const std::string& subkey, REGSAM access) {
  UniqueRegistryKey key;
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, subkey.c_str(), 0, access, &opened) == ERROR_SUCCESS) key.reset(opened);
  return key;
}

UniqueRegistryKey openOrCreateKeyForWriting(HKEY root, const std::string& subkey) {
  UniqueRegistryKey key = openKey(root, subkey, KEY_WRITE);
  if (key) return key;
  HKEY created = nullptr;
  if (RegCreateKeyA(root, subkey.c_str(), &created) != ERROR_SUCCESS) return key;
  // RegCreateKeyA may hand back the root itself for an empty subkey; a root is not ours to close.
  if (created != root) key.reset(created);
  return key;
}

bool setValue(HKEY root, std::string_view path, DWORD type, const void* data, std::size_t size) {
  if (!isRegistryRoot(root) || size > MAXDWORD) return false;
  const OwnedRegistryPath owned = ownedPath(path);
  UniqueRegistryKey key = openOrCreateKeyForWriting(root, owned.subkey);
  HKEY target = key ? key.get() : nullptr;
  if (target == nullptr) {
    // Only the empty subkey lands here with a usable key: the root itself.
    if (!owned.subkey.empty()) return false;
    target = root;
  }
  return RegSetValueExA(target, owned.valueName.c_str(), 0, type, static_cast<const BYTE*>(data),
                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
}

// Environment variables of a REG_EXPAND_SZ text replaced by their values; nothing on failure.
bool expandEnvironment(const std::string& text, std::string& expanded) {
  DWORD capacity = static_cast<DWORD>(text.size()) + 64;
  for (int attempt = 0; attempt < 4; ++attempt) {
    std::string buffer(capacity, '\0');
    const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.data(), capacity);
    if (needed == 0) return false;
    if (needed <= capacity) {
      buffer.resize(buffer.find('\0') == std::string::npos ? buffer.size() : buffer.find('\0'));
      expanded = std::move(buffer);
      return true;
    }
    capacity = needed + 1;
  }
  return false;
}

}  // namespace

bool isRegistryRoot(HKEY root) {
  return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_CONFIG || root == HKEY_CURRENT_USER ||
         root == HKEY_LOCAL_MACHINE || root == HKEY_USERS;
}

bool registryValueExists(HKEY root, std::string_view path) {
  if (!isRegistryRoot(root)) return false;
  const OwnedRegistryPath owned = ownedPath(path);
  const UniqueRegistryKey key = openKey(root, owned.subkey, KEY_READ);
  if (!key) return false;
  return RegQueryValueExA(key.get(), owned.valueName.c_str(), nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

Text readRegistryText(HKEY root, std::string_view path, std::string_view fallback) {
  if (!isRegistryRoot(root)) return Text(fallback);
  const OwnedRegistryPath owned = ownedPath(path);
  const UniqueRegistryKey key = openKey(root, owned.subkey, KEY_READ);
  if (!key) return Text(fallback);
  // The value can grow between the size query and the read; try again a few times.
  for (int attempt = 0; attempt < 4; ++attempt) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), owned.valueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      return Text(fallback);
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return Text(fallback);
    // One spare byte: a stored string need not end in a zero.
    std::string data(static_cast<std::size_t>(size) + 1, '\0');
    DWORD got = size;
    const LSTATUS status = RegQueryValueExA(key.get(), owned.valueName.c_str(), nullptr, &type,
                                            reinterpret_cast<BYTE*>(data.data()), &got);
    if (status == ERROR_MORE_DATA) continue;
    if (status != ERROR_SUCCESS) return Text(fallback);
    if (type != REG_SZ && type != REG_EXPAND_SZ) return Text(fallback);
    data.resize(got < size ? got : size);
    if (const std::size_t zero = data.find('\0'); zero != std::string::npos) data.resize(zero);
    if (type == REG_SZ) return data;
    std::string expanded;
    if (!expandEnvironment(data, expanded)) return Text(fallback);
    return expanded;
  }
  return Text(fallback);
}

bool writeRegistryText(HKEY root, std::string_view path, std::string_view text) {
  // A text ends at its first zero; the stored REG_SZ includes the terminating zero.
  std::string stored(text.substr(0, text.find('\0')));
  return setValue(root, path, REG_SZ, stored.c_str(), stored.size() + 1);
}

bool writeRegistryInteger(HKEY root, std::string_view path, std::uint32_t value) {
  const DWORD stored = value;
  return setValue(root, path, REG_DWORD, &stored, sizeof stored);
}

bool writeRegistryBytes(HKEY root, std::string_view path, std::string_view bytes) {
  return setValue(root, path, REG_BINARY, bytes.data(), bytes.size());
}

bool deleteRegistryValue(HKEY root, std::string_view path) {
  // An empty path would make the fallback below aim at the root key itself.
  if (!isRegistryRoot(root) || path.empty()) return false;
  const OwnedRegistryPath owned = ownedPath(path);
  {
    const UniqueRegistryKey key = openKey(root, owned.subkey, KEY_WRITE);
    if (key && RegDeleteValueA(key.get(), owned.valueName.c_str()) == ERROR_SUCCESS) return true;
  }
  const std::string whole(path);
  return RegDeleteKeyA(root, whole.c_str()) == ERROR_SUCCESS;
}

}  // namespace corvalis
