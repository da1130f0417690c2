#include "app/control_registry.h"

#include "app/window_registry.h"
#include "base/dpi.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace corvalis {

namespace {

// Owned here from the moment a control is about to be created until the bridge
// releases it; records never move, so references stay valid.
std::vector<std::unique_ptr<ControlUnit>> units;

ControlUnit* unitOf(ControlReference reference) {
  for (const auto& unit : units)
    if (&unit->head == reference) return unit.get();
  return nullptr;
}

ControlUnit* liveUnit(std::uint32_t firstId, std::uint32_t secondId, bool registeredOnly) {
  for (const auto& unit : units) {
    if (unit->detached || (registeredOnly && !unit->registered)) continue;
    if (static_cast<std::uint32_t>(unit->windowIdentity) == firstId &&
        static_cast<std::uint32_t>(unit->controlIdentity) == secondId)
      return unit.get();
  }
  return nullptr;
}

}  // namespace

void installControlServices() {
  setUiBridgeServices({registerControlWindow, detachControl, releaseControl, libraryControlGone, lookUpControl,
                       dispatchControlEvent});
}

bool createTemplateControls(const WindowTemplate& windowTemplate, HWND window, std::int32_t dpi) {
  installControlServices();
  bool allMade = true;
  for (const ControlTemplate& control : windowTemplate.controls) {
    HWND parent = control.parent == 0 ? window : controlWindow(windowTemplate.identity, control.parent);
    if (parent == nullptr) {
      allMade = false;
      continue;
    }
    // The record waits for the bridge's registration of the control's window.
    auto unit = std::make_unique<ControlUnit>();
    unit->windowIdentity = windowTemplate.identity;
    unit->controlIdentity = control.identity;
    unit->controlTemplate = &control;
    ControlUnit* pending = unit.get();
    units.push_back(std::move(unit));

    // The template's figures are 96-DPI ones: the control is made at the window's DPI.
    exui::PropertyBlock scaledBlock{};
    const exui::PropertyBlock* properties = nullptr;
    if (control.properties != nullptr) {
      scaledBlock = scaledPropertyBlock(*control.properties, dpi);
      properties = &scaledBlock;
    }
    const auto create = std::get<CreateEntry>(kindEntry(control.kind, 1));
    const ControlReference made =
        create(properties, controlStyle(control.flags), parent, control.identity, scaleForDpi(control.left, dpi),
               scaleForDpi(control.top, dpi), scaleForDpi(control.width, dpi), scaleForDpi(control.height, dpi),
               static_cast<std::uint32_t>(windowTemplate.identity), static_cast<std::uint32_t>(control.identity));
    if (made == nullptr) {
      allMade = false;
      // Never registered: nobody else will release it.
      if (!pending->registered) std::erase_if(units, [pending](const auto& each) { return each.get() == pending; });
    }
  }
  return allMade;
}

bool recreateTemplateControls(const WindowTemplate& windowTemplate, HWND window, std::int32_t dpi) {
  // The controls the window itself holds; those inside panels go with their panels.
  for (const ControlTemplate& control : windowTemplate.controls)
    if (control.parent == 0)
      if (const HWND made = controlWindow(windowTemplate.identity, control.identity)) DestroyWindow(made);
  return createTemplateControls(windowTemplate, window, dpi);
}

HWND controlWindow(std::int32_t windowIdentity, std::int32_t controlIdentity) {
  const ControlUnit* unit = findControl(windowIdentity, controlIdentity);
  return unit != nullptr ? unit->head.window : nullptr;
}

const ControlUnit* findControl(std::int32_t windowIdentity, std::int32_t controlIdentity) {
  return liveUnit(static_cast<std::uint32_t>(windowIdentity), static_cast<std::uint32_t>(controlIdentity), true);
}

std::size_t controlUnitCount() { return units.size(); }

ControlReference registerControlWindow(HWND window, std::uint32_t firstId, std::uint32_t secondId,
                                       const exui::PropertyBlock*) {
  ControlUnit* unit = nullptr;
  for (const auto& each : units) {
    if (!each->registered && static_cast<std::uint32_t>(each->windowIdentity) == firstId &&
        static_cast<std::uint32_t>(each->controlIdentity) == secondId) {
      unit = each.get();
      break;
    }
  }
  if (unit == nullptr) {
    // A control made without a template: it has a record, but no bindings.
    units.push_back(std::make_unique<ControlUnit>());
    unit = units.back().get();
    unit->windowIdentity = static_cast<std::int32_t>(firstId);
    unit->controlIdentity = static_cast<std::int32_t>(secondId);
  }
  unit->head.window = window;
  unit->registered = true;
  return &unit->head;
}

void detachControl(ControlReference reference) {
  if (ControlUnit* unit = unitOf(reference)) unit->detached = true;
}

void releaseControl(ControlReference reference) {
  std::erase_if(units, [reference](const auto& unit) { return &unit->head == reference; });
}

void libraryControlGone(std::uint32_t firstId, std::uint32_t secondId) {
  for (const auto& unit : units)
    if (static_cast<std::uint32_t>(unit->windowIdentity) == firstId &&
        static_cast<std::uint32_t>(unit->controlIdentity) == secondId)
      unit->libraryControlGone = true;
}

ControlReference lookUpControl(std::uint32_t firstId, std::uint32_t secondId) {
  ControlUnit* unit = liveUnit(firstId, secondId, true);
  return unit != nullptr ? &unit->head : nullptr;
}

void dispatchControlEvent(ControlEventRecord& record) {
  const ControlUnit* unit = liveUnit(record.firstId, record.secondId, true);
  if (unit == nullptr || unit->controlTemplate == nullptr) return;
  ControlEventHandler handler = nullptr;
  for (const EventBinding& binding : unit->controlTemplate->events)
    if (binding.code == record.number) {
      handler = binding.handler;
      break;
    }
  if (handler == nullptr) return;
  // The handler may close the window and with it this control: nothing of the record
  // is touched after it returns.
  ControlEvent event;
  event.number = record.number;
  event.arguments = record.arguments;
  event.context = windowContext(unit->windowIdentity);
  record.result = handler(event);
}

}  // namespace corvalis
