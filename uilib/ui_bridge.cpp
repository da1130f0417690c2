#include "uilib/ui_bridge.h"

namespace corvalis {

bool initializeUiBridge() {
  // The search for the library, its binding and the version handshake land with the
  // bridge itself. Until then nothing is loaded and the program's windows are plain
  // Win32 windows made by the application layer, so there is nothing to bind.
  return false;
}

}  // namespace corvalis
