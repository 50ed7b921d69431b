// The second page: the user chooses install or uninstall, starts it with "&Next >" and reads
// the result; the button then reads "Exit".
#pragma once

#include <string>

#include "Dialog.h"

class OperationDialog : public Dialog {
 public:
  explicit OperationDialog(HWND parent = nullptr);

  void SetInfFile(std::string driverName, std::string sourceDirectory, std::string infPath);
  // Installs or removes the driver as the INF file says; 1 on success, 0 on failure. After an
  // install it also sets driverStarted or driverWasRunning to what the start request found; after
  // a removal, driverWasRunning when the driver did not stop. A failure after the driver was
  // asked to stop starts it again and sets closingMessage to what the closing message says.
  int PerformOperation();

  BOOL installSelected = TRUE;
  BOOL operationSucceeded = FALSE;
  // The driver stays loaded until the computer restarts (an install found it running, or a
  // removal could not stop it); the restart prompt follows "Exit".
  BOOL driverWasRunning = FALSE;
  // Set by PerformOperation when this run's start request started the driver; the finished
  // page says so.
  BOOL driverStarted = FALSE;
  // Files in use are deleted or replaced when the computer restarts: the finished page says so,
  // and the restart prompt follows "Exit".
  BOOL filesAtRestart = FALSE;
  // After a failed operation the closing message: IDS_INCOMPLETE, or after a run that had
  // stopped a running driver, one that also says whether it runs again, with closingReason its
  // insert (why the driver could not be started again); or after a removal that left a file
  // behind, one that names it (closingFile) and closingReason why it stays.
  UINT closingMessage = 0;
  std::string closingReason;
  std::string closingFile;
  HICON icon;
  Button installRadio;
  Button uninstallRadio;
  Button nextButton;
  Button cancelButton;
  Control statusText;
  Control infFileText;
  std::string infPath;
  std::string driverName;
  std::string sourceDirectory;

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code) override;

 private:
  void OnInstall();
  void OnUninstall();
  void OnNext();
  // The status line says which long step follows, painted before it begins: the page is not
  // repainted while the step runs.
  void ShowStep(UINT text);
};
