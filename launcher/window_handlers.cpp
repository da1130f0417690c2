#include "launcher/window_handlers.h"

#include "app/window_registry.h"
#include "app/window_templates.h"

namespace corvalis {

// Not yet: these land with the launcher's work on the bar and the edit window.
std::int32_t onShortcutListItem(const ControlEvent&) { return 0; }
std::int32_t onShortcutListSecondItem(const ControlEvent&) { return 0; }
void setUpEditWindow() {}
void saveEditsOnClose() {}
std::int32_t onRenameConfirmed(const ControlEvent&) { return 0; }
std::int32_t onTipPanelClicked(const ControlEvent&) { return 0; }
std::int32_t onEditRowEnter(const ControlEvent&) { return 0; }
std::int32_t onEditRowLeave(const ControlEvent&) { return 0; }
std::int32_t onEditRowDoubleClick(const ControlEvent&) { return 0; }
std::int32_t onEditListRightClick(const ControlEvent&) { return 0; }

void openEditWindow() {
  if (HWND open = windowHandle(kEditWindowIdentity)) {
    SetForegroundWindow(open);
    return;
  }
  loadWindow(editWindowTemplate());
}

void closeEditWindow() { closeWindow(kEditWindowIdentity); }

}  // namespace corvalis
