// The second page: the user chooses install or uninstall, starts it with "&Next >" and reads
// the result; the button then reads "Exit". PerformOperation and the free functions below are
// implemented in PerformOperation.cpp; the page's own handlers in OperationDialog.cpp.
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
  // asked to stop starts it again and leaves in oldDriverNote what the closing message adds.
  int PerformOperation();

  BOOL installSelected = TRUE;
  BOOL operationSucceeded = FALSE;
  // The driver stays loaded until the computer restarts: an install found it running, or a
  // removal could not stop it. The restart prompt follows "Exit".
  BOOL driverWasRunning = FALSE;
  // Set by PerformOperation when this run's start request started the driver; the finished
  // page says so.
  BOOL driverStarted = FALSE;
  // After a failed operation that had stopped a running driver: whether it runs again, as the
  // closing message says it ("\n\n..."); empty when no driver was running.
  std::string oldDriverNote;
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

// One start request for a service, without waiting; after false the last error tells why.
BOOL StartServiceByName(const std::string& name);
// One stop request, without waiting.
BOOL StopServiceByName(const std::string& name);
// The file callback given to SetupAPI: a file that cannot be deleted is skipped silently;
// everything else goes to the system's default callback.
UINT CALLBACK InstallQueueCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
// The thread's last error in a message box: for a missing or malformed part of the INF file a
// plain text of our own with the code, otherwise the system's text, or the code alone when the
// system has none; nothing for ERROR_CANCELLED.
void ReportLastError(HWND owner);
