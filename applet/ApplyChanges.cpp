#include "PortConfigDialog.h"

// Storing the settings and restarting the driver are not built yet: say so instead of
// pretending, and leave the dialog open with the edits.
void PortConfigDialog::ApplyChanges() {
  MessageBoxA(Handle(), "Applying settings is not available in this build yet.", "Norvo Setup", MB_ICONEXCLAMATION);
}

bool PortConfigDialog::IsAnyPortOpen() { return false; }
