// The members of PortConfigDialog that apply the settings ("Apply and Exit"): store every
// port's settings, wait until no port is open, restart the driver.
#include <string>
#include <vector>

#include "Message.h"
#include "Names.h"
#include "PortConfigDialog.h"
#include "PortsInUseDialog.h"
#include "SettingsStore.h"
#include "System.h"
#include "SystemTools.h"
#include "Text.h"
#include "resource.h"

namespace {
const char kDevicePrefix[] = "\\\\.\\";
}  // namespace

bool PortConfigDialog::IsValidPortName(const std::string& name) {
  if (name.empty()) return false;
  return name.find_first_of("\\/*?|<>:\"") == std::string::npos;
}

bool PortConfigDialog::IsAnyPortOpen() {
  for (int i = 0; i < portCount; ++i) {
    std::string path = kDevicePrefix + portNames[i];
    HANDLE port = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (port != INVALID_HANDLE_VALUE) {
      CloseHandle(port);
      continue;
    }
    // Only a refused exclusive open means another program holds the port; a port whose device
    // is gone counts as free.
    if (GetLastError() == ERROR_ACCESS_DENIED) return true;
  }
  return false;
}

void PortConfigDialog::ApplyChanges() {
  if (prefixTooLong) {
    ShowMessage(Handle(), IDS_PREFIX_TOO_LONG, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  portNamePrefix = ToUpper(Trim(portNamePrefix));
  if (!IsValidPortName(portNamePrefix)) {
    ShowMessage(Handle(), IDS_INVALID_PREFIX, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    return;
  }

  // Another program (another window of this applet, say) may have stored settings since this
  // window read them; they are not replaced unseen.
  SettingsStore store(portKeyNames);
  std::vector<int> changedElsewhere;
  bool readable = store.ChangedSince(settingsAsRead, changedElsewhere);
  if (readable && !changedElsewhere.empty() && !ConfirmOverwrite(changedElsewhere)) return;

  // When the settings cannot be stored, the dialog stays open with the edits.
  if (!readable || !store.Store(portSettings)) {
    // What this window left in ports it could not put back is no other program's change.
    for (int port : store.portsLeftChanged) settingsAsRead[static_cast<size_t>(port)] = store.Load(port);
    ReportStoreFailure(store);
    return;
  }

  while (IsAnyPortOpen()) {
    PortsInUseDialog prompt;
    if (prompt.DoModal() != IDOK) {
      EndDialog(IDOK);
      return;
    }
  }

  SystemTools tools;
  int stopped = tools.StopDriverService(kServiceName);
  DWORD stopError = GetLastError();
  int started = tools.StartDriverService(kServiceName);
  // The reason is the start's own, read before anything else can change the last error.
  DWORD reason = GetLastError();
  if (started == 0) {
    ReportFailedStart(reason, stopped ? ERROR_SUCCESS : stopError);
  } else if (started == 2 && !stopped) {
    // The driver kept running through the failed stop, so it still has its old settings.
    ShowMessage(Handle(), IDS_NOT_RESTARTED, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION);
  }
  EndDialog(IDOK);
}

// The start's waiting is over: the state the driver is in now says what to tell.
void PortConfigDialog::ReportFailedStart(DWORD reason, DWORD stopError) {
  switch (Service(kServiceName).State()) {
    case SERVICE_RUNNING:  // started just after the last look, after the settings were stored
      return;
    case SERVICE_START_PENDING:
      ShowMessage(Handle(), IDS_STILL_STARTING, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION);
      return;
    case SERVICE_STOP_PENDING:
      ShowMessage(Handle(), IDS_STILL_STOPPING, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION);
      return;
  }
  // Stopped. A start refused as "already running" met the driver still on its way down, and has
  // stopped since: the stop that did not finish in time is the cause.
  if (reason == ERROR_SERVICE_ALREADY_RUNNING && stopError != ERROR_SUCCESS) reason = stopError;
  ShowMessage(Handle(), IDS_NOT_APPLIED, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION, {SystemText(reason).c_str()});
}

// Names the ports another program changed and asks whether this window's settings replace
// them; true for Yes.
bool PortConfigDialog::ConfirmOverwrite(const std::vector<int>& changedElsewhere) {
  return ShowMessage(Handle(), IDS_CHANGED_ELSEWHERE, IDS_CAPTION, MB_YESNO | MB_ICONQUESTION,
                     {PortList(changedElsewhere).c_str()}) == IDYES;
}

void PortConfigDialog::ReportStoreFailure(const SettingsStore& store) {
  const std::string& port = portNames[static_cast<size_t>(store.failedPort)];
  const std::string& key = portKeyNames[static_cast<size_t>(store.failedPort)];
  std::string reason = SystemText(store.failure);
  // A key that is not there cannot be a matter of rights: the driver's keys changed behind the
  // window, and applying again would meet the same.
  if (store.portsLeftChanged.empty())
    ShowMessage(Handle(), store.failure == ERROR_FILE_NOT_FOUND ? IDS_KEY_GONE : IDS_NOT_STORED, IDS_CAPTION,
                MB_OK | MB_ICONEXCLAMATION, {port.c_str(), key.c_str(), reason.c_str()});
  else
    ShowMessage(Handle(), IDS_PARTLY_STORED, IDS_CAPTION, MB_OK | MB_ICONEXCLAMATION,
                {port.c_str(), key.c_str(), reason.c_str(), PortList(store.portsLeftChanged).c_str()});
}

std::string PortConfigDialog::PortList(const std::vector<int>& ports) const {
  std::string list;
  for (int i : ports) list += (list.empty() ? "" : LoadText(IDS_PORT_SEPARATOR)) + portNames[static_cast<size_t>(i)];
  return list;
}
