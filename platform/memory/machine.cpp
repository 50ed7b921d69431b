#include "internal.h"

namespace memory {
void Reset() {
  ResetRegistry();
  ResetSystem();
  ResetResources();
  ResetWindows();
  ResetServices();
  ResetDevices();
  ResetSetup();
}
}  // namespace memory
