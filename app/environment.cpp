#include "app/environment.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include "base/win_handles.h"

namespace corvalis {

namespace {

bool sameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
         CSTR_EQUAL;
}

bool hasName(const EnvironmentVariables& variables, const std::wstring& name) {
  return std::any_of(variables.begin(), variables.end(), [&](const auto& v) { return sameName(v.first, name); });
}

// The user's and the system's variables as a new logon would get them (userenv's
// CreateEnvironmentBlock, loaded when first needed: start-up does without it).
using CreateBlock = BOOL(WINAPI*)(LPVOID*, HANDLE, BOOL);
using DestroyBlock = BOOL(WINAPI*)(LPVOID);

bool systemVariables(EnvironmentVariables& variables) {
  static const HMODULE userenv = LoadLibraryW(L"userenv.dll");
  if (userenv == nullptr) return false;
  const auto create = reinterpret_cast<CreateBlock>(
      reinterpret_cast<void*>(GetProcAddress(userenv, "CreateEnvironmentBlock")));
  const auto destroy = reinterpret_cast<DestroyBlock>(
      reinterpret_cast<void*>(GetProcAddress(userenv, "DestroyEnvironmentBlock")));
  if (create == nullptr || destroy == nullptr) return false;
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_IMPERSONATE, token.put()))
    return false;
  void* block = nullptr;
  if (!create(&block, token.get(), FALSE) || block == nullptr) return false;
  // The block ends with an empty string; its length is found by walking it.
  const auto* text = static_cast<const wchar_t*>(block);
  std::size_t units = 0;
  while (text[units] != L'\0') units += std::wcslen(text + units) + 1;
  variables = parseEnvironmentBlock(text, units + 1);
  destroy(block);
  return true;
}

}  // namespace

EnvironmentVariables parseEnvironmentBlock(const wchar_t* block, std::size_t units) {
  EnvironmentVariables variables;
  if (block == nullptr) return variables;
  std::size_t at = 0;
  while (at < units && block[at] != L'\0') {
    std::size_t end = at;
    while (end < units && block[end] != L'\0') ++end;
    const std::wstring_view entry(block + at, end - at);
    // A name may not be empty; the first '=' after its first character ends it.
    const std::size_t equals = entry.find(L'=', 1);
    if (equals != std::wstring_view::npos && entry[0] != L'=')
      variables.emplace_back(std::wstring(entry.substr(0, equals)), std::wstring(entry.substr(equals + 1)));
    at = end + 1;
  }
  return variables;
}

EnvironmentChanges environmentChanges(const EnvironmentVariables& before, const EnvironmentVariables& now) {
  EnvironmentChanges changes;
  changes.set = now;
  for (const auto& [name, value] : before)
    if (!hasName(now, name)) changes.removed.push_back(name);
  return changes;
}

bool isEnvironmentChange(const wchar_t* area) {
  return area != nullptr && CompareStringOrdinal(area, -1, L"Environment", -1, TRUE) == CSTR_EQUAL;
}

void EnvironmentFollower::remember() { remembered_ = systemVariables(given_); }

void EnvironmentFollower::follow() {
  EnvironmentVariables now;
  if (!systemVariables(now)) return;
  // Without a record of what the system gave before, nothing is removed.
  const EnvironmentChanges changes = environmentChanges(remembered_ ? given_ : EnvironmentVariables{}, now);
  for (const auto& [name, value] : changes.set) SetEnvironmentVariableW(name.c_str(), value.c_str());
  for (const std::wstring& name : changes.removed) SetEnvironmentVariableW(name.c_str(), nullptr);
  given_ = std::move(now);
  remembered_ = true;
}

}  // namespace corvalis
