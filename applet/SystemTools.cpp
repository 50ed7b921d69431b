#include "SystemTools.h"

#include <cstring>

#include "System.h"

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

// Waits until a service's state is settled as the caller tells: 1 when it is, otherwise 0 with
// ERROR_SERVICE_REQUEST_TIMEOUT as the reason (the polls may have left any code).
template <class Settled>
int WaitUntil(const Service& service, Settled settled) {
  if (settled(service.Poll(settled))) return 1;
  SetLastError(ERROR_SERVICE_REQUEST_TIMEOUT);
  return 0;
}

int WaitFor(const Service& service, DWORD wanted) {
  return WaitUntil(service, [wanted](DWORD state) { return state == wanted; });
}

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
    LONG result = RegEnumKeyExA(holder.key, index, name, &length, nullptr, nullptr, nullptr, &lastWrite);
    // A name longer than the buffer (Wine makes keys of 256 characters) is left out; the keys
    // after it are still listed.
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) break;
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
  LONG result =
      RegQueryValueExA(holder.key, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (result != ERROR_SUCCESS) {
    value.clear();
    SetLastError(static_cast<DWORD>(result));
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

int SystemTools::SnapshotRegistryValue(HKEY root, std::string keyPath, std::string valueName, ValueSnapshot& snapshot) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_QUERY_VALUE)) return 0;
  LONG result = ERROR_SUCCESS;
  // The size first, then the bytes; a value that grows in between is asked for again.
  for (;;) {
    DWORD type = REG_NONE;
    DWORD bytes = 0;
    result = RegQueryValueExA(holder.key, valueName.c_str(), nullptr, &type, nullptr, &bytes);
    if (result == ERROR_FILE_NOT_FOUND) {
      snapshot = ValueSnapshot();
      return 1;
    }
    if (result != ERROR_SUCCESS) break;
    std::vector<BYTE> data(bytes);
    result = RegQueryValueExA(holder.key, valueName.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &bytes);
    if (result == ERROR_MORE_DATA) continue;
    if (result != ERROR_SUCCESS) break;
    data.resize(bytes < data.size() ? bytes : data.size());
    snapshot.present = true;
    snapshot.type = type;
    snapshot.data = data;
    return 1;
  }
  SetLastError(static_cast<DWORD>(result));
  return 0;
}

int SystemTools::RestoreRegistryValue(HKEY root, std::string keyPath, std::string valueName, const ValueSnapshot& snapshot) {
  KeyHolder holder;
  if (!holder.Open(root, keyPath, KEY_SET_VALUE)) return 0;
  LONG result;
  if (snapshot.present) {
    result = RegSetValueExA(holder.key, valueName.c_str(), 0, snapshot.type,
                            snapshot.data.empty() ? nullptr : snapshot.data.data(), static_cast<DWORD>(snapshot.data.size()));
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
  Service service(serviceName);
  if (!service.Handle()) return 0;
  if (service.State() == SERVICE_RUNNING) return 2;
  if (StartServiceA(service.Handle(), 0, nullptr)) return WaitFor(service, SERVICE_RUNNING);
  if (GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) return 0;
  // Refused as running: since the state was asked, another program has started the driver (a
  // start under way is waited for), or it is still on its way down.
  DWORD state = service.Poll([](DWORD now) { return now != SERVICE_START_PENDING; });
  if (state == SERVICE_RUNNING) return 2;
  // The other program's start failed: a request of this window's own tells why.
  if (state == SERVICE_STOPPED)
    return StartServiceA(service.Handle(), 0, nullptr) ? WaitFor(service, SERVICE_RUNNING) : 0;
  SetLastError(state == SERVICE_START_PENDING ? ERROR_SERVICE_REQUEST_TIMEOUT : ERROR_SERVICE_ALREADY_RUNNING);
  return 0;
}

int SystemTools::StopDriverService(std::string serviceName) {
  Service service(serviceName);
  if (!service.Handle()) return 0;
  DWORD state = service.State();
  // A start under way (another program's) may have begun before the caller stored its
  // settings: the driver is stopped once it runs.
  if (state == SERVICE_START_PENDING) state = service.Poll([](DWORD now) { return now != SERVICE_START_PENDING; });
  if (state == SERVICE_STOPPED) return 1;
  SERVICE_STATUS status;
  if (ControlService(service.Handle(), SERVICE_CONTROL_STOP, &status)) {
    state = status.dwCurrentState;
  } else {
    // Refused, yet the driver may have stopped meanwhile, or be on its way down at another
    // program's request: that stop serves as this one.
    DWORD error = GetLastError();
    state = service.State();
    if (state != SERVICE_STOPPED && state != SERVICE_STOP_PENDING) {
      SetLastError(error);
      return 0;
    }
  }
  if (state == SERVICE_STOPPED) return 1;
  // Once seen on its way down, a driver that is starting or running again has stopped and been
  // started by another program since.
  bool down = state == SERVICE_STOP_PENDING;
  return WaitUntil(service, [&down](DWORD now) {
    down = down || now == SERVICE_STOP_PENDING;
    return now == SERVICE_STOPPED || (down && (now == SERVICE_START_PENDING || now == SERVICE_RUNNING));
  });
}
