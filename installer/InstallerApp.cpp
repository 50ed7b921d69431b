#include "InstallerApp.h"

#include "FileFinder.h"
#include "Message.h"
#include "Names.h"
#include "OperationDialog.h"
#include "WelcomeDialog.h"
#include "resource.h"

InstallerApp installerApp;

InstallerApp::InstallerApp() : Application(nullptr) {}

std::string InstallerApp::GetModuleDirectory() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  // 0 is a failure; a name that fills the whole buffer was cut short (and may lack its NUL).
  std::string name = length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
  return name.substr(0, name.find_last_of('\\') + 1);
}

// Always FALSE: the program ends when the flow is over, without a message loop of its own.
BOOL InstallerApp::InitInstance() {
  FileFinder finder;
  WelcomeDialog welcome;
  OperationDialog operation;
  std::string infPath, driverName;

  // Neither page becomes the main window: closing the first must not end the program.
  mainWindow = nullptr;

  if (welcome.DoModal() == IDCANCEL) return FALSE;

  // Only the program's own directory is searched: when the system cannot say where that is,
  // there is no INF file to be found.
  std::string sourceDirectory = GetModuleDirectory();
  infPath = sourceDirectory + kInfFileName;
  if (sourceDirectory.empty() || !finder.FindFile(infPath)) {
    ShowMessage(nullptr, IDS_NO_INF, IDS_SETUP_ERROR_CAPTION, MB_ICONEXCLAMATION);
    return FALSE;
  }
  // Step onto the search's first result, the file itself. The answer, whether another result
  // follows it, is not needed: a search for one exact name never has one.
  static_cast<void>(finder.NextResult());
  infPath = finder.GetFilePath();
  std::string fileName = finder.GetFileName();
  size_t dot = fileName.find('.');
  driverName = dot == std::string::npos ? std::string() : fileName.substr(0, dot);

  operation.SetInfFile(driverName, sourceDirectory, infPath);
  if (operation.DoModal() == IDOK) {
    if (!operation.operationSucceeded) {
      ShowMessage(nullptr, operation.closingMessage, IDS_INCOMPLETE_CAPTION, MB_ICONEXCLAMATION,
                  {operation.closingReason.c_str(), operation.closingFile.c_str()});
    } else if (operation.driverWasRunning || operation.filesAtRestart) {
      // The old driver is still loaded, after an install as after a removal, or files in use
      // wait for the restart.
      SetupPromptReboot(nullptr, nullptr, FALSE);
    }
  }
  return FALSE;
}
