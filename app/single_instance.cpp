#include "app/single_instance.h"

#include <string>

#include "base/message_box.h"
#include "app/program_lifetime.h"
#include "base/win_handles.h"

namespace corvalis {

namespace {

// The handle that marks this instance; open until the process ends.
UniqueKernelHandle heldInstanceEvent;

}  // namespace

bool anotherInstanceHolds(std::string_view eventName) {
  const std::string name(eventName);
  // Any failure to open, including an event this process may not open with full
  // access, counts as no other instance.
  UniqueKernelHandle existing(OpenEventA(EVENT_ALL_ACCESS, FALSE, name.c_str()));
  return static_cast<bool>(existing);
}

void holdInstanceName(std::string_view eventName) {
  const std::string name(eventName);
  // A failure is not fatal: the instance runs without holding the name.
  heldInstanceEvent.reset(CreateEventA(nullptr, FALSE, FALSE, name.c_str()));
}

void checkSingleInstance(std::string_view eventName, std::string_view text, UINT style) {
  if (anotherInstanceHolds(eventName)) {
    // The first instance is left alone: not signalled, not brought to the front.
    messageBox(text, style, kAlreadyRunningCaption);
    exitProgram();
  }
  holdInstanceName(eventName);
}

}  // namespace corvalis
