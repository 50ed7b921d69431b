// The installer's application object: its start-up hook runs the whole flow, page by page.
#pragma once

#include <string>

#include "Application.h"

class InstallerApp : public Application {
 public:
  InstallerApp();
  BOOL InitInstance() override;

  // The running program's directory, ending in a backslash. Empty when the system cannot
  // report the program's full name (a failure, or a name cut short).
  static std::string GetModuleDirectory();
};

extern InstallerApp installerApp;
