// The value under the machine-wide Run key that starts the program with Windows.
#pragma once

#include <windows.h>

#include <string_view>

#include "app/text.h"

namespace corvalis {

// "是否允许本程序开机启动", "温馨提示：" and "请管理员模式运行后重试。" in GBK.
inline constexpr std::string_view kAutostartQuestion =
    "\xCA\xC7\xB7\xF1\xD4\xCA\xD0\xED\xB1\xBE\xB3\xCC\xD0\xF2\xBF\xAA\xBB\xFA\xC6\xF4\xB6\xAF";
inline constexpr std::string_view kAutostartCaption = "\xCE\xC2\xDC\xB0\xCC\xE1\xCA\xBE\xA3\xBA";
inline constexpr std::string_view kRunAsAdministratorHint =
    "\xC7\xEB\xB9\xDC\xC0\xED\xD4\xB1\xC4\xA3\xCA\xBD\xD4\xCB\xD0\xD0\xBA\xF3\xD6\xD8\xCA\xD4\xA1\xA3";

// The Run key under HKEY_LOCAL_MACHINE, with the backslash that joins the value name.
inline constexpr std::string_view kRunKeyPrefix = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";

// The registry path of the Run value `name`.
Text autostartValuePath(std::string_view name);

// `path` as a command line names it: in double quotes when it holds a space, else as
// it is, byte for byte. The system starts a Run value as a command line with no
// program name, and would try the part before a space as a program of its own
// ("C:\Program.exe" for "C:\Program Files\...").
Text quotedWhenSpaced(std::string_view path);

// The program's own full path as the Run value holds it: directory, one backslash,
// file name, quoted when it holds a space (quotedWhenSpaced). Empty without a file name.
Text ownExecutablePath(std::string_view directory, std::string_view fileName);

// A value that exists but reads (as text: REG_SZ as stored, REG_EXPAND_SZ expanded,
// any other type as empty) differently from the own path, byte for byte and with
// case, is rewritten: an unquoted path with a space among them. An empty own path
// is never written: that would leave a value that starts nothing.
bool autostartNeedsRewrite(std::string_view storedText, std::string_view ownPath);

// With `query`: whether the value exists, nothing changed. Otherwise with `remove`:
// deletes it. Otherwise writes `data` as REG_SZ. The last two answer false.
bool autostartValue(std::string_view name, std::string_view data, bool remove, bool query);

// Start-up step 2: keeps the Run value pointing at this executable without a word,
// or, when it is missing, asks whether the program may start with Windows.
void syncAutostart();

}  // namespace corvalis
