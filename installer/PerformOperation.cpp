// The INF-driven installation and removal, a member of OperationDialog.
#include <string>

#include "Message.h"
#include "Names.h"
#include "OperationDialog.h"
#include "OperationHelpers.h"
#include "resource.h"

namespace {

// What one operation holds open, released in this order when it ends, on every path.
struct OperationResources {
  PVOID context = nullptr;
  HSPFILEQ queue = nullptr;
  HINF inf = INVALID_HANDLE_VALUE;
  HKEY key = nullptr;
  OperationResources() = default;
  OperationResources(const OperationResources&) = delete;
  OperationResources& operator=(const OperationResources&) = delete;
  ~OperationResources() { Release(); }
  void Release() {
    if (context) SetupTermDefaultQueueCallback(context);
    if (queue && queue != INVALID_HANDLE_VALUE) SetupCloseFileQueue(queue);
    if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
    if (key) RegCloseKey(key);
    context = nullptr;
    queue = nullptr;
    inf = INVALID_HANDLE_VALUE;
    key = nullptr;
  }
};

// The Control Panel of the system directory: a control.exe beside the installer must not run.
std::string ControlPanelCommand() {
  char directory[MAX_PATH];
  UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  std::string program = length > 0 && length < MAX_PATH ? std::string(directory) + "\\control.exe" : "control.exe";
  if (program.find(' ') != std::string::npos) program = "\"" + program + "\"";
  return program + " " + kAppletFileName;
}

}  // namespace

int OperationDialog::PerformOperation() {
  const char* section = installSelected ? "Install" : "Uninstall";
  std::string keyPath = kServicesKey + driverName;
  OperationResources held;
  driverStarted = FALSE;

  held.inf = SetupOpenInfFileA(infPath.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
  if (held.inf == INVALID_HANDLE_VALUE) {
    OutputDebugStringA(infPath.c_str());
    ShowMessage(Handle(), IDS_INVALID_INF, IDS_CAPTION, MB_ICONEXCLAMATION, {infPath.c_str()});
    return 0;
  }

  char keyClass[] = "Ports";
  DWORD disposition;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                      &held.key, &disposition) != ERROR_SUCCESS) {
    held.key = nullptr;
    ShowMessage(Handle(), IDS_CANT_OPEN_KEY, IDS_CAPTION, MB_ICONEXCLAMATION);
    return 0;
  }

  // A stop request without waiting, whose answer is not needed: a driver that is not installed
  // or not running needs no stop, and one that keeps running is found by the start request
  // below (ERROR_SERVICE_ALREADY_RUNNING).
  StopServiceByName(driverName);

  held.queue = SetupOpenFileQueue();
  if (!held.queue || held.queue == INVALID_HANDLE_VALUE) {
    ReportLastError(Handle());
    return 0;
  }
  held.context = SetupInitDefaultQueueCallbackEx(Handle(), nullptr, 0, 0, nullptr);
  if (!held.context) {
    ReportLastError(Handle());
    return 0;
  }
  // The section's files and registry entries, ...
  if (!SetupInstallFromInfSectionA(Handle(), held.inf, section, SPINST_REGISTRY | SPINST_FILES, held.key,
                                   sourceDirectory.c_str(), SP_COPY_NOSKIP, InstallQueueCallback, held.context, nullptr,
                                   nullptr)) {
    ReportLastError(Handle());
    return 0;
  }
  // ... the file queue (the installer queues nothing itself) ...
  if (!SetupCommitFileQueueA(Handle(), held.queue, InstallQueueCallback, held.context)) {
    ReportLastError(Handle());
    return 0;
  }
  // ... then its services.
  if (!SetupInstallServicesFromInfSectionA(held.inf, section, 0)) {
    ReportLastError(Handle());
    return 0;
  }

  if (installSelected) {
    if (StartServiceByName(driverName)) {
      driverStarted = TRUE;
    } else {
      DWORD code = GetLastError();
      if (code == ERROR_SERVICE_ALREADY_RUNNING) {
        driverWasRunning = TRUE;
      } else {
        ShowMessage(Handle(), IDS_NOT_STARTED, IDS_CAPTION, MB_ICONINFORMATION, {HexCode(code).c_str()});
      }
    }
  }
  held.Release();
  // The operation is complete whether or not the Control Panel opens.
  WinExec(ControlPanelCommand().c_str(), SW_SHOWNORMAL);
  return 1;
}
