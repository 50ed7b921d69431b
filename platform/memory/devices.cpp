// The device namespace, system error texts and the token and restart calls of the in-memory
// machine.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "internal.h"

namespace memory {
namespace {

struct Devices {
  std::map<std::string, bool> devices;  // upper-case name -> held open by another program
  std::set<HANDLE> handles;
  std::vector<DeviceOpen> opens;
  std::set<void*> localBlocks;
  uintptr_t nextHandle = 0x7000;
  bool privilegeHeld = true;
  bool privilegeEnabled = false;
  bool denyToken = false;
  std::vector<RestartRequest> restarts;
};

Devices& Dev() {
  static Devices devices;
  return devices;
}

const char kDevicePrefix[] = "\\\\.\\";
const LUID kShutdownLuid = {19, 0};
HANDLE const kToken = reinterpret_cast<HANDLE>(0x7FF0);

// The system's texts for the codes the programs may meet; other codes have none.
const std::map<DWORD, const char*>& SystemTexts() {
  static const std::map<DWORD, const char*> texts = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
      {ERROR_SHARING_VIOLATION, "The process cannot access the file because it is being used by another process.\r\n"},
      {ERROR_INVALID_SERVICE_CONTROL, "The requested control is not valid for this service.\r\n"},
      {ERROR_SERVICE_REQUEST_TIMEOUT, "The service did not respond to the start or control request in a timely fashion.\r\n"},
      {ERROR_SERVICE_ALREADY_RUNNING, "An instance of the service is already running.\r\n"},
      {ERROR_SERVICE_DISABLED,
       "The service cannot be started, either because it is disabled or because it has no enabled devices associated "
       "with it.\r\n"},
      {ERROR_SERVICE_DOES_NOT_EXIST, "The specified service does not exist as an installed service.\r\n"},
      {ERROR_SERVICE_CANNOT_ACCEPT_CTRL, "The service cannot accept control messages at this time.\r\n"},
      {ERROR_SERVICE_NOT_ACTIVE, "The service has not been started.\r\n"},
      {ERROR_CANCELLED, "The operation was canceled by the user.\r\n"},
      {ERROR_BAD_DRIVER, "The specified driver is invalid.\r\n"},
      {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application.\r\n"},
  };
  return texts;
}

}  // namespace

void ResetDevices() {
  for (void* block : Dev().localBlocks) std::free(block);
  Dev() = Devices();
}

void AddDevice(const std::string& name) { Dev().devices[Upper(name)] = false; }
void RemoveDevice(const std::string& name) { Dev().devices.erase(Upper(name)); }
void HoldDevice(const std::string& name, bool held) { Dev().devices[Upper(name)] = held; }
const std::vector<DeviceOpen>& DeviceOpens() { return Dev().opens; }
int OpenDeviceHandles() { return static_cast<int>(Dev().handles.size()); }
void SetShutdownPrivilegeHeld(bool held) { Dev().privilegeHeld = held; }
void DenyProcessToken(bool deny) { Dev().denyToken = deny; }
const std::vector<RestartRequest>& RestartRequests() { return Dev().restarts; }
int LiveLocalBlocks() { return static_cast<int>(Dev().localBlocks.size()); }

}  // namespace memory

using memory::Dev;

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                          HANDLE) {
  std::string name = path ? path : "";
  Dev().opens.push_back(memory::DeviceOpen{name, access, share, disposition, flags});
  if (name.compare(0, 4, memory::kDevicePrefix) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto it = Dev().devices.find(memory::Upper(name.substr(4)));
  if (it == Dev().devices.end()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (it->second && share == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  HANDLE handle = reinterpret_cast<HANDLE>(Dev().nextHandle);
  Dev().nextHandle += 4;
  Dev().handles.insert(handle);
  return handle;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  if (handle == memory::kToken) return TRUE;
  if (!Dev().handles.erase(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID, DWORD messageId, DWORD, LPSTR buffer, DWORD size, va_list* arguments) {
  auto it = memory::SystemTexts().find(messageId);
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM) || it == memory::SystemTexts().end()) {
    SetLastError(ERROR_MR_MID_NOT_FOUND);
    return 0;
  }
  // Inserts are kept as they stand only when asked to; without arguments they cannot be filled.
  if (!(flags & FORMAT_MESSAGE_IGNORE_INSERTS) && !arguments && std::strchr(it->second, '%')) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t length = std::strlen(it->second);
  if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    char* text = static_cast<char*>(std::malloc(std::max<size_t>(length + 1, size)));
    std::memcpy(text, it->second, length + 1);
    Dev().localBlocks.insert(text);
    *reinterpret_cast<LPSTR*>(buffer) = text;
  } else {
    if (size <= length) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, it->second, length + 1);
  }
  return static_cast<DWORD>(length);
}

HLOCAL WINAPI LocalFree(HLOCAL mem) {
  if (!mem) return nullptr;
  if (!Dev().localBlocks.erase(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  std::free(mem);
  return nullptr;
}

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

BOOL WINAPI OpenProcessToken(HANDLE, DWORD, PHANDLE token) {
  if (Dev().denyToken) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  *token = memory::kToken;
  return TRUE;
}

BOOL WINAPI LookupPrivilegeValueA(LPCSTR, LPCSTR name, PLUID luid) {
  if (!name || !memory::SameText(name, SE_SHUTDOWN_NAME)) {
    SetLastError(ERROR_NO_SUCH_PRIVILEGE);
    return FALSE;
  }
  *luid = memory::kShutdownLuid;
  return TRUE;
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE token, BOOL, PTOKEN_PRIVILEGES newState, DWORD, PTOKEN_PRIVILEGES previous,
                                  PDWORD returnLength) {
  if (token != memory::kToken || !newState) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (previous) previous->PrivilegeCount = 0;
  if (returnLength) *returnLength = sizeof(DWORD);
  for (DWORD i = 0; i < newState->PrivilegeCount; ++i) {
    const LUID& luid = newState->Privileges[i].Luid;
    bool shutdown = luid.LowPart == memory::kShutdownLuid.LowPart && luid.HighPart == memory::kShutdownLuid.HighPart;
    if (!shutdown || !Dev().privilegeHeld) {
      // The call succeeds but says that not every privilege could be set.
      SetLastError(ERROR_NOT_ALL_ASSIGNED);
      return TRUE;
    }
    Dev().privilegeEnabled = (newState->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reason) {
  Dev().restarts.push_back(memory::RestartRequest{flags, reason, Dev().privilegeEnabled});
  if (!Dev().privilegeEnabled) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
  }
  return TRUE;
}
