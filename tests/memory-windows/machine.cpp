// Resetting the in-memory machine as a whole: every part back to its fresh state.
#include "internal.h"

namespace memory {
static std::function<void()>& ResetHook() {
  static std::function<void()> hook;  // set while other files' statics are made
  return hook;
}

void OnReset(std::function<void()> hook) { ResetHook() = std::move(hook); }

void Reset() {
  if (ResetHook()) ResetHook()();
  ResetRegistry();
  ResetSystem();
  ResetResources();
  ResetWindows();
  ResetServices();
  ResetDevices();
  ResetErrors();
  ResetPrivileges();
  ResetSetup();
}
}  // namespace memory
