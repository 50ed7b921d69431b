// The Win32 device namespace of the in-memory machine: "\\.\" names opened with CreateFileA,
// devices a test adds or holds open as another program would, and their handles.
#include <map>
#include <set>

#include "internal.h"

namespace memory {
namespace {

struct Devices {
  std::map<std::string, bool> devices;  // upper-case name -> held open by another program
  std::set<HANDLE> handles;
  std::vector<DeviceOpen> opens;
  uintptr_t nextHandle = 0x7000;
};

Devices& Dev() {
  static Devices devices;
  return devices;
}

const char kDevicePrefix[] = "\\\\.\\";

}  // namespace

void ResetDevices() { Dev() = Devices(); }

void AddDevice(const std::string& name) { Dev().devices[Upper(name)] = false; }
void RemoveDevice(const std::string& name) { Dev().devices.erase(Upper(name)); }
void HoldDevice(const std::string& name, bool held) { Dev().devices[Upper(name)] = held; }
const std::vector<DeviceOpen>& DeviceOpens() { return Dev().opens; }
int OpenDeviceHandles() { return static_cast<int>(Dev().handles.size()); }

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
