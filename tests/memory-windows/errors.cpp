// The last error and the system's error texts of the in-memory machine: GetLastError,
// SetLastError, FormatMessageA with the texts of the codes the programs meet, and LocalFree.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "internal.h"

namespace memory {
namespace {

struct Errors {
  DWORD lastError = 0;
  std::set<void*> localBlocks;
};

Errors& Err() {
  static Errors errors;
  return errors;
}

// The system's texts for the codes the programs may meet; other codes have none.
const std::map<DWORD, const char*>& SystemTexts() {
  static const std::map<DWORD, const char*> texts = {
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified.\r\n"},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified.\r\n"},
      {ERROR_ACCESS_DENIED, "Access is denied.\r\n"},
      {ERROR_INVALID_HANDLE, "The handle is invalid.\r\n"},
      {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command.\r\n"},
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

void ResetErrors() {
  for (void* block : Err().localBlocks) std::free(block);
  Err() = Errors();
}

int LiveLocalBlocks() { return static_cast<int>(Err().localBlocks.size()); }

}  // namespace memory

using memory::Err;

DWORD WINAPI GetLastError(void) { return Err().lastError; }
void WINAPI SetLastError(DWORD code) { Err().lastError = code; }

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
    Err().localBlocks.insert(text);
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
  if (!Err().localBlocks.erase(mem)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return mem;
  }
  std::free(mem);
  return nullptr;
}
