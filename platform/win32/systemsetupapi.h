// SetupAPI from the system folder (systemsetupapi.cpp).
#pragma once

// Loads the system folder's SETUPAPI.DLL by its full path and finds the functions the installer
// calls, once. When that fails, shows why (the file and the system's reason) and returns false;
// the SetupAPI functions then fail with that reason as their last error.
bool LoadSetupApi();
