// The application layer's side of the UI library bridge: the record of every control
// window created from a window template, the services the bridge calls (register,
// detach, release, library control gone, look up, dispatch an event), and the way the
// program names its controls.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "app/window_template.h"
#include "uilib/ui_bridge.h"

namespace corvalis {

// One control window. The bridge's reference ("hUnit") is the address of `head`, the
// first member, so that the bridge reads the window handle straight from it.
struct ControlUnit {
  ControlUnitHead head;
  std::int32_t windowIdentity = 0;   // the bridge's first identifying word
  std::int32_t controlIdentity = 0;  // the second
  const ControlTemplate* controlTemplate = nullptr;
  bool registered = false;           // the bridge made its window
  bool detached = false;             // its window is being destroyed
  bool libraryControlGone = false;   // the library's control of it was destroyed
};

// Hands the bridge the services below. Start-up does it with the bridge's
// initialisation; loading a window does it too, so it is never missed.
void installControlServices();

// Creates the controls of `windowTemplate` in `window` (which is the loaded window of
// that template), in template order, each inside its parent, with the template's 96-DPI
// figures at `dpi`. False when a control could not be created (the others are still
// made).
bool createTemplateControls(const WindowTemplate& windowTemplate, HWND window, std::int32_t dpi);

// The window's controls made anew at `dpi` (its DPI changed): the old ones go first.
// Whatever the window's own logic put into them (rows, elements) is to be put in again.
bool recreateTemplateControls(const WindowTemplate& windowTemplate, HWND window, std::int32_t dpi);

// The two words by which the bridge and the library know a control.
constexpr ControlId controlId(std::int32_t windowIdentity, std::int32_t controlIdentity) {
  return ControlId{static_cast<std::uint32_t>(windowIdentity), static_cast<std::uint32_t>(controlIdentity)};
}

// Window handle service for controls: the control's window, null when it is not there.
HWND controlWindow(std::int32_t windowIdentity, std::int32_t controlIdentity);
// The live record of a control, null when none.
const ControlUnit* findControl(std::int32_t windowIdentity, std::int32_t controlIdentity);
// Records not released yet (for tests: every destroyed window gives its own back).
std::size_t controlUnitCount();

// The bridge's services, callable directly.
ControlReference registerControlWindow(HWND window, std::uint32_t firstId, std::uint32_t secondId,
                                       const exui::PropertyBlock* description);
void detachControl(ControlReference reference);
void releaseControl(ControlReference reference);
void libraryControlGone(std::uint32_t firstId, std::uint32_t secondId);
ControlReference lookUpControl(std::uint32_t firstId, std::uint32_t secondId);
// Calls the handler bound to record.number on the control and stores its result.
void dispatchControlEvent(ControlEventRecord& record);

}  // namespace corvalis
