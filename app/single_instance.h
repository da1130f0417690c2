// One copy of the program per logon session, marked by a named event that exists
// only to be found.
#pragma once

#include <windows.h>

#include <string_view>

namespace corvalis {

// "请勿重复启动" and "友情提醒:" in GBK.
inline constexpr std::string_view kAlreadyRunningText = "\xC7\xEB\xCE\xF0\xD6\xD8\xB8\xB4\xC6\xF4\xB6\xAF";
inline constexpr std::string_view kAlreadyRunningCaption = "\xD3\xD1\xC7\xE9\xCC\xE1\xD0\xD1\x3A";

// Returns only when no other instance holds `eventName`; this instance then holds
// it for the rest of its life. Otherwise shows `text` (caption "友情提醒:",
// `style` made task-modal) and ends the process with exit code 0 through the
// program's orderly exit. The name is used as given, so it lives in the caller's
// logon session.
void checkSingleInstance(std::string_view eventName, std::string_view text, UINT style);

// The guard's two halves, for tests: whether an event of that name can be opened
// with full access, and taking the name for this process.
bool anotherInstanceHolds(std::string_view eventName);
void holdInstanceName(std::string_view eventName);

}  // namespace corvalis
