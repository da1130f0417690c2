// Writer process for the atomic-write test:
//   atomic_writer_helper.exe <file> <event name>
// Sets the named event once it is about to write, then replaces <file> with content
// "A", then "B", then "A" ... until it is killed. Exit code 2 for bad arguments,
// 3 when a write fails.
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "app/file_io.h"
#include "base/wide_text.h"
#include "tests/app/atomic_write_contents.h"

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (arguments == nullptr || count != 3) return 2;
  const std::string path = corvalis::fromWideText(arguments[1]);
  const HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, arguments[2]);
  LocalFree(arguments);
  if (path.empty() || ready == nullptr) return 2;

  const std::string contents[2] = {corvalis::testing::atomicWriteContent('A'),
                                   corvalis::testing::atomicWriteContent('B')};
  SetEvent(ready);
  CloseHandle(ready);
  for (unsigned round = 0;; ++round) {
    if (!corvalis::writeWholeFile(path, {contents[round % 2]})) return 3;
  }
}
