#include "app/module_path.h"

#include <windows.h>

#include "app/gbk_path.h"

namespace corvalis {

Text executablePath() {
  // MAX_PATH is the usual size, but a longer path must not come back cut short:
  // grow while the call reports a full buffer.
  for (DWORD capacity = MAX_PATH; capacity <= 32768; capacity *= 2) {
    Text buffer(capacity, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), capacity);
    if (length == 0) return Text();
    if (length < capacity) {
      buffer.resize(length);
      return buffer;
    }
  }
  return Text();
}

Text executableDirectory() { return Text(splitAtLastBackslash(executablePath()).head); }

Text executableFileName() { return Text(splitAtLastBackslash(executablePath()).tail); }

}  // namespace corvalis
