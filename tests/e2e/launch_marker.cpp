// launch_marker.exe: a program for the launch scenarios to put on the bar. When it
// runs it writes "<its own path>.ran" beside itself, holding its own path in UTF-8,
// and ends at once: the file shows that the launcher started exactly this copy, from
// wherever it was copied (a folder with a Chinese name too). No window, no console.
// When its environment holds CORVALIS_E2E_VARIABLE, it first writes that variable's
// value to "<its own path>.env": what the launcher handed on.
#include <windows.h>

#include <string>

namespace {

std::string utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// Writes `text` to `path` under a temporary name first, so that a reader never sees
// half a file.
bool writeWhole(const std::wstring& path, const std::string& text) {
  const std::wstring partial = path + L".part";
  HANDLE file = CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == text.size() && MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  wchar_t self[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
  if (length == 0 || length >= MAX_PATH * 2) return 2;
  const std::wstring path(self, length);
  wchar_t value[4096] = {};
  const DWORD valueLength = GetEnvironmentVariableW(L"CORVALIS_E2E_VARIABLE", value, 4096);
  if (valueLength > 0 && valueLength < 4096 && !writeWhole(path + L".env", utf8(std::wstring(value, valueLength))))
    return 6;
  return writeWhole(path + L".ran", utf8(path)) ? 0 : 3;
}
