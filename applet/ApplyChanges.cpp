// "Apply and Exit": store every port's settings, wait until no port is open, restart the driver.
#include <string>

#include "PortConfigDialog.h"
#include "PortsInUseDialog.h"
#include "SystemTools.h"
#include "Text.h"

namespace {

const char kPortKeyPrefix[] = "SYSTEM\\CurrentControlSet\\Services\\norvo\\Parameters\\";
const char kServiceName[] = "norvo";
const char kCaption[] = "Norvo Setup";
const char kDevicePrefix[] = "\\\\.\\";

// The system's text for an error code, exactly as it comes (usually ending in CR LF), or
// nothing when the system has none.
std::string SystemText(DWORD code) {
  LPSTR text = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                                nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text),
                                0, nullptr);
  std::string result = length && text ? std::string(text, length) : std::string();
  if (text) LocalFree(text);
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

  // Every port's three values, changed or not. A failed write does not stop the others, but
  // the user must hear of it: the dialog then stays open with the edits and the driver is left
  // alone, so that nothing is lost while the applet looks successful.
  SystemTools tools;
  DWORD writeError = ERROR_SUCCESS;
  for (int i = 0; i < portCount; ++i) {
    std::string key = kPortKeyPrefix + portKeyNames[i];
    const PortSettings& settings = portSettings[i];
    const std::pair<const char*, const int32_t*> values[] = {
        {"RS485Mode", &settings.rs485Mode}, {"TxFIFO", &settings.txFifoLevel}, {"RxFIFO", &settings.rxFifoLevel}};
    for (const auto& value : values) {
      if (!tools.WriteRegistryBinary(HKEY_LOCAL_MACHINE, key, value.first, value.second, 4) && writeError == ERROR_SUCCESS)
        writeError = GetLastError();
    }
  }
  if (writeError != ERROR_SUCCESS) {
    std::string message = "The settings cannot be stored in the registry.\nReason: " + SystemText(writeError) +
                          "\n\nThe driver has not been changed. Check your rights and apply again, or cancel.";
    MessageBoxA(Handle(), message.c_str(), kCaption, MB_OK | MB_ICONEXCLAMATION);
    return;
  }

  while (IsAnyPortOpen()) {
    PortsInUseDialog prompt;
    if (prompt.DoModal() != IDOK) {
      EndDialog(IDOK);
      return;
    }
  }

  int stopped = tools.StopDriverService(kServiceName);
  int started = tools.StartDriverService(kServiceName);
  if (started == 0) {
    std::string message = "The changes cannot be applied and the driver is stopped.\nReason: " + SystemText(GetLastError()) +
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
