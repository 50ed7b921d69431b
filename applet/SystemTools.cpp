#include "SystemTools.h"

#include <cstring>

namespace {

// Closes a registry key when the operation that opened it returns.
class KeyHolder {
 public:
  KeyHolder() = default;
  ~KeyHolder() {
    if (key) RegCloseKey(key);
  }
  KeyHolder(const KeyHolder&) = delete;
  KeyHolder& operator=(const KeyHolder&) = delete;
  // Opens the key; on failure the registry's error is left as the thread's last error.
  bool Open(HKEY root, const std::string& path, REGSAM access) {
    LONG result = RegOpenKeyExA(root, path.c_str(), 0, access, &key);
    if (result == ERROR_SUCCESS) return true;
    key = nullptr;
    SetLastError(static_cast<DWORD>(result));
    return false;
  }
  HKEY key = nullptr;
};

// The driver service's state changes are waited for by bounded polling.
const int kMaxPolls = 20;
const DWORD kPollPause = 500;

// The manager and service handles of one operation, closed service first when it ends. The
// closes keep the thread's last error, so that a caller can still read why the operation failed.
class ServiceHandles {
 public:
  explicit ServiceHandles(const std::string& name) {
    manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager) service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
  }
  ~ServiceHandles() {
    DWORD error = GetLastError();
    if (service) CloseServiceHandle(service);
    if (manager) CloseServiceHandle(manager);
    SetLastError(error);
  }
  ServiceHandles(const ServiceHandles&) = delete;
  ServiceHandles& operator=(const ServiceHandles&) = delete;

  // Up to kMaxPolls status queries, pausing after each that doesn't find the state; a failed
  // query counts as not there yet.
  bool WaitFor(DWORD state) {
    for (int poll = 0; poll < kMaxPolls; ++poll) {
      SERVICE_STATUS status;
      if (QueryServiceStatus(service, &status) && status.dwCurrentState == state) return true;
      Sleep(kPollPause);
    }
    // The calls above may have left any code; the reason is that the service did not answer.
    SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
    return false;
  }

  bool InState(DWORD state) {
    SERVICE_STATUS status;
    return QueryServiceStatus(service, &status) && status.dwCurrentState == state;
  }

  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
};

const DWORD kMaxKeyName = 256;
const DWORD kMaxStringBytes = 256;

char versionText[32];

}  // namespace

SystemTools::~SystemTools() = default;

int SystemTools::EnumRegistrySubkeys(HKEY root, std::string keyPath, std::vector<std::string>& names) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_ALL_ACCESS)) return 0;
  names.clear();
  int count = 0;
  char name[kMaxKeyName];
  FILETIME lastWrite;
  for (DWORD index = 0;; ++index) {
    DWORD length = kMaxKeyName;
    if (RegEnumKeyExA(holder.key, index, name, &length, nullptr, nullptr, nullptr, &lastWrite) != ERROR_SUCCESS) break;
    names.push_back(std::string(name, length));
    ++count;
  }
  SetLastError(ERROR_SUCCESS);
  return count;
}

int SystemTools::ReadRegistryString(HKEY root, std::string keyPath, std::string valueName, std::string& value) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_QUERY_VALUE)) return 0;
  // One byte more than the query may fill, so that a stored text without its terminating NUL
  // is still terminated here.
  char buffer[kMaxStringBytes + 1];
  DWORD bytes = kMaxStringBytes;
  if (RegQueryValueExA(holder.key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes) !=
      ERROR_SUCCESS) {
    value.clear();
    return 0;
  }
  buffer[bytes < kMaxStringBytes ? bytes : kMaxStringBytes] = 0;
  value = buffer;
  return 1;
}

int SystemTools::ReadRegistryBinary(HKEY root, std::string keyPath, std::string valueName, void* buffer, DWORD size) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_QUERY_VALUE)) return 0;
  DWORD bytes = size;
  if (RegQueryValueExA(holder.key, valueName.c_str(), nullptr, nullptr, static_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS)
    return 0;
  // A shorter value fills only the first bytes; the rest of the field must not keep stale data.
  if (bytes < size) std::memset(static_cast<BYTE*>(buffer) + bytes, 0, size - bytes);
  return 1;
}

// On failure the registry's error code is left as the thread's last error, for the caller's
// message.
int SystemTools::WriteRegistryBinary(HKEY root, std::string keyPath, std::string valueName, const void* data, DWORD size) {
  KeyHolder holder;
  LONG result = RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                &holder.key, nullptr);
  if (result != ERROR_SUCCESS) {
    holder.key = nullptr;
    SetLastError(static_cast<DWORD>(result));
    return 0;
  }
  result = RegSetValueExA(holder.key, valueName.c_str(), 0, REG_BINARY, static_cast<const BYTE*>(data), size);
  if (result != ERROR_SUCCESS) {
    RegCloseKey(holder.key);
    holder.key = nullptr;
    SetLastError(static_cast<DWORD>(result));
    return 0;
  }
  return 1;
}

int SystemTools::CheckRegistryKeyAccess(HKEY root, std::string keyPath, REGSAM access) {
  KeyHolder holder;
  return holder.Open(root, keyPath, access) ? 1 : 0;
}

int SystemTools::SaveRegistryValue(HKEY root, std::string keyPath, std::string valueName, SavedValue& saved) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_QUERY_VALUE)) return 0;
  LONG result = ERROR_SUCCESS;
  // The size first, then the bytes; a value that grows in between is asked for again.
  for (;;) {
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    result = RegQueryValueExA(holder.key, valueName.c_str(), nullptr, &type, nullptr, &bytes);
    if (result == ERROR_FILE_NOT_FOUND) {
      saved = SavedValue();
      return 1;
    }
    if (result != ERROR_SUCCESS) break;
    std::vector<BYTE> data(bytes);
    result = RegQueryValueExA(holder.key, valueName.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &bytes);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) break;
    data.resize(bytes < data.size() ? bytes : data.size());
    saved.present = true;
    saved.type = type;
    saved.data = data;
    return 1;
  }
  SetLastError(static_cast<DWORD>(result));
  return 0;
}

int SystemTools::RestoreRegistryValue(HKEY root, std::string keyPath, std::string valueName, const SavedValue& saved) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_SET_VALUE)) return 0;
  LONG result;
  if (saved.present) {
    result = RegSetValueExA(holder.key, valueName.c_str(), 0, saved.type, saved.data.empty() ? nullptr : saved.data.data(),
                            static_cast<DWORD>(saved.data.size()));
  } else {
    result = RegDeleteValueA(holder.key, valueName.c_str());
    if (result == ERROR_FILE_NOT_FOUND) result = ERROR_SUCCESS;  // already gone: as it was
  }
  if (result != ERROR_SUCCESS) {
    SetLastError(static_cast<DWORD>(result));
    return 0;
  }
  return 1;
}

const char* SystemTools::GetFileVersionString(std::string path) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  void* block = GlobalLock(memory);
  const char* result = nullptr;
  // A block the system did not fill holds nothing to look up.
  if (block && !GetFileVersionInfoA(path.c_str(), handle, size, block)) {
    GlobalUnlock(memory);
    block = nullptr;
  }
  if (block) {
    LPVOID text = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block, "\\StringFileInfo\\040904B0\\FileVersion", &text, &length) && text) {
      // Within the length the system gave (which counts the NUL when there is one), up to the
      // first NUL, at most 31 characters.
      const char* source = static_cast<const char*>(text);
      size_t n = 0;
      while (n < length && n < sizeof versionText - 1 && source[n]) {
        versionText[n] = source[n];
        ++n;
      }
      versionText[n] = 0;
      result = versionText;
    }
    GlobalUnlock(memory);
  }
  GlobalFree(memory);
  return result;
}

int SystemTools::StartDriverService(std::string serviceName) {
  ServiceHandles handles(serviceName);
  if (!handles.service) return 0;
  if (handles.InState(SERVICE_RUNNING)) return 2;
  if (!StartServiceA(handles.service, 0, nullptr)) return 0;
  return handles.WaitFor(SERVICE_RUNNING) ? 1 : 0;
}

int SystemTools::StopDriverService(std::string serviceName) {
  ServiceHandles handles(serviceName);
  if (!handles.service) return 0;
  if (handles.InState(SERVICE_STOPPED)) return 1;
  SERVICE_STATUS status;
  if (!ControlService(handles.service, SERVICE_CONTROL_STOP, &status)) return 0;
  if (status.dwCurrentState == SERVICE_STOPPED) return 1;
  return handles.WaitFor(SERVICE_STOPPED) ? 1 : 0;
}
