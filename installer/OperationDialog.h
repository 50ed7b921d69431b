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
  // install it also sets driverStarted or driverWasRunning to what the start request found.
  int PerformOperation();

  BOOL installSelected = TRUE;
  BOOL operationSucceeded = FALSE;
  BOOL driverWasRunning = FALSE;
  // Set by PerformOperation when this run's start request started the driver; the finished
  // page says so.
  BOOL driverStarted = FALSE;
  HICON icon;
  Button installRadio;
  Button uninstallRadio;
  Button nextButton;
  Button cancelButton;
  Control statusText;
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
};
