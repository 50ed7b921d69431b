// "Apply and Exit": store every port's settings, wait until no port is open, restart the driver.
#include <algorithm>
#include <string>
#include <vector>

#include "Names.h"
#include "PortConfigDialog.h"
#include "PortsInUseDialog.h"
#include "SystemTools.h"
#include "Text.h"

namespace {

const char kDevicePrefix[] = "\\\\.\\";
const char* const kValueNames[] = {"RS485Mode", "TxFIFO", "RxFIFO"};
const int kValuesPerPort = 3;

// The system's text for an error code, exactly as it comes (usually ending in CR LF). When the
// system has none (a driver's own status, say), the code itself, as the installer shows it,
// so that the reason is never blank.
std::string SystemText(DWORD code) {
  LPSTR text = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text),
                                0, nullptr);
  std::string result = length && text ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
  if (result.empty()) {
    char number[32];
    wsprintfA(number, "Error 0x%.8X", static_cast<unsigned>(code));
    result = number;
  }
  return result;
}

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
  portNamePrefix = ToUpper(TrimRight(TrimLeft(portNamePrefix)));
  if (!IsValidPortName(portNamePrefix)) {
    MessageBoxA(Handle(), "Invalid Port Name.", kCaption, MB_OK | MB_ICONEXCLAMATION);
    return;
  }

  // Another program (another window of this applet, say) may have stored settings since this
  // window read them; they are not replaced unseen.
  std::vector<int> changed = PortsChangedElsewhere();
  if (!changed.empty() && !ConfirmOverwrite(changed)) return;

  if (!StoreSettings()) return;

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
  // The reason is the start's own, read before anything else can change the last error...
  DWORD reason = GetLastError();
  // ...unless the stop timed out and the start then met the driver still stopping: "already
  // running" would be false, the stop that did not finish in time is the cause.
  if (started == 0 && !stopped && stopError == ERROR_SERVICE_REQUEST_TIMEOUT && reason == ERROR_SERVICE_ALREADY_RUNNING)
    reason = stopError;
  if (started == 0) {
    std::string message = "The changes cannot be applied and the driver is stopped.\nReason: " + SystemText(reason) +
                          "\n\nPlease restart this applet and configure it correctly.";
    MessageBoxA(Handle(), message.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
  } else if (started == 2 && !stopped) {
    // The driver kept running through the failed stop, so it still has its old settings.
    MessageBoxA(Handle(),
                "The settings are stored, but the driver could not be restarted.\n"
                "They take effect the next time the driver starts.",
                kCaption, MB_OK | MB_ICONEXCLAMATION);
  }
  EndDialog(IDOK);
}

std::vector<int> PortConfigDialog::PortsChangedElsewhere() {
  std::vector<int> changed;
  for (int i = 0; i < portCount; ++i)
    if (ReadPortSettings(i) != settingsAsRead[static_cast<size_t>(i)]) changed.push_back(i);
  return changed;
}

// Names the ports another program changed and asks whether this window's settings replace
// them; true for Yes.
bool PortConfigDialog::ConfirmOverwrite(const std::vector<int>& changedPorts) {
  std::string message = "Another program has changed the settings of these ports since this window was opened:";
  for (size_t i = 0; i < changedPorts.size(); ++i) message += (i ? ", " : " ") + portNames[changedPorts[i]];
  message += ".\n\nStore the settings shown in this window for all ports anyway?\n"
             "No stores nothing and returns to this window.";
  return MessageBoxA(Handle(), message.c_str(), kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Every port's three values, changed or not, all or none. Each port's key must take writes
// before the first value is written; the values as they are now are kept, and when a write
// still fails, what was already written is put back. The dialog then stays open with the edits.
bool PortConfigDialog::StoreSettings() {
  SystemTools tools;
  std::vector<std::string> keys;
  for (int i = 0; i < portCount; ++i) keys.push_back(PortKeyPath(i));

  for (int i = 0; i < portCount; ++i) {
    if (!tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, keys[i], KEY_ALL_ACCESS)) {
      ReportStoreFailure(i, GetLastError(), {});
      return false;
    }
  }
  std::vector<SavedValue> saved(static_cast<size_t>(portCount) * kValuesPerPort);
  for (size_t n = 0; n < saved.size(); ++n) {
    int port = static_cast<int>(n / kValuesPerPort);
    if (!tools.SaveRegistryValue(HKEY_LOCAL_MACHINE, keys[port], kValueNames[n % kValuesPerPort], saved[n])) {
      ReportStoreFailure(port, GetLastError(), {});
      return false;
    }
  }

  for (size_t n = 0; n < saved.size(); ++n) {
    int port = static_cast<int>(n / kValuesPerPort);
    const PortSettings& settings = portSettings[static_cast<size_t>(port)];
    const int32_t* fields[] = {&settings.rs485Mode, &settings.txFifoLevel, &settings.rxFifoLevel};
    if (tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, keys[port], kValueNames[n % kValuesPerPort],
                                  fields[n % kValuesPerPort], 4))
      continue;
    DWORD error = GetLastError();
    // Newest first, so that the registry goes back the way it came.
    std::vector<int> changed;
    for (size_t undo = n; undo-- > 0;) {
      int undoPort = static_cast<int>(undo / kValuesPerPort);
      if (!tools.RestoreRegistryValue(HKEY_LOCAL_MACHINE, keys[undoPort], kValueNames[undo % kValuesPerPort], saved[undo]) &&
          (changed.empty() || changed.back() != undoPort))
        changed.push_back(undoPort);
    }
    std::reverse(changed.begin(), changed.end());
    // What this window left in those ports is no other program's change.
    for (int changedPort : changed) settingsAsRead[static_cast<size_t>(changedPort)] = ReadPortSettings(changedPort);
    ReportStoreFailure(port, error, changed);
    return false;
  }
  return true;
}

void PortConfigDialog::ReportStoreFailure(int port, DWORD error, const std::vector<int>& changedPorts) {
  std::string message = "The settings cannot be stored in the registry.\nPort: " + portNames[port] + " (registry key " +
                        portKeyNames[port] + ")\nReason: " + SystemText(error);
  if (changedPorts.empty()) {
    message += "\n\nNothing has been stored and the driver has not been changed; Cancel leaves the settings as they were. "
               "Check your rights and apply again, or cancel.";
  } else {
    message += "\n\nThe values stored before the failure could not all be put back. These ports now hold new settings:";
    for (size_t i = 0; i < changedPorts.size(); ++i) message += (i ? ", " : " ") + portNames[changedPorts[i]];
    message += ".\nThe driver has not been changed, but it will use them the next time it starts. "
               "Check your rights and apply again.";
  }
  MessageBoxA(Handle(), message.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
}
