#include "app/autostart.h"

#include "app/instance_name.h"
#include "base/message_box.h"
#include "app/module_path.h"
#include "app/registry.h"

namespace corvalis {

Text autostartValuePath(std::string_view name) { return concatTexts({kRunKeyPrefix, name}); }

Text quotedWhenSpaced(std::string_view path) {
  // Found on character boundaries, though a GBK second byte is never 0x20 anyway.
  // A tab or a quote cannot be part of a file name, so a space is the only break.
  if (findText(path, " ") < 0) return Text(path);
  return concatTexts({"\"", path, "\""});
}

Text ownExecutablePath(std::string_view directory, std::string_view fileName) {
  if (fileName.empty()) return Text();
  return quotedWhenSpaced(concatTexts({directory, "\\", fileName}));
}

bool autostartNeedsRewrite(std::string_view storedText, std::string_view ownPath) {
  return !ownPath.empty() && compareTexts(storedText, ownPath) != 0;
}

bool autostartValue(std::string_view name, std::string_view data, bool remove, bool query) {
  const Text path = autostartValuePath(name);
  if (query) return registryValueExists(HKEY_LOCAL_MACHINE, path);
  if (remove) {
    deleteRegistryValue(HKEY_LOCAL_MACHINE, path);
    return false;
  }
  writeRegistryText(HKEY_LOCAL_MACHINE, path, data);
  return false;
}

void syncAutostart() {
  const Text ownPath = ownExecutablePath(executableDirectory(), executableFileName());

  if (autostartValue(kInstanceName, {}, false, true)) {
    const Text stored = readRegistryText(HKEY_LOCAL_MACHINE, autostartValuePath(kInstanceName));
    if (autostartNeedsRewrite(stored, ownPath)) {
      // Silently: the program was moved or renamed, someone else wrote the value, or
      // an older version wrote a path with a space unquoted.
      autostartValue(kInstanceName, {}, true, false);
      autostartValue(kInstanceName, ownPath, false, false);
    }
  }

  if (autostartValue(kInstanceName, {}, false, true)) return;
  // A No is not remembered: the question comes again at the next start.
  if (messageBox(kAutostartQuestion, MB_YESNO, kAutostartCaption) != IDYES) return;
  if (!ownPath.empty()) autostartValue(kInstanceName, ownPath, false, false);
  if (!autostartValue(kInstanceName, {}, false, true)) messageBox(kRunAsAdministratorHint, MB_OK);
}

}  // namespace corvalis
