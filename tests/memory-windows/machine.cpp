// Resetting the in-memory machine as a whole: every part back to its fresh state.
#include "internal.h"

namespace memory {
void Reset() {
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
