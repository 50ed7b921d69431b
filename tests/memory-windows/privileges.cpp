// Privileges and restart of the in-memory machine: the process token, SeShutdownPrivilege and
// ExitWindowsEx, which records each request instead of restarting.
#include "internal.h"

namespace memory {
namespace {

struct Privileges {
  bool privilegeHeld = true;
  bool privilegeEnabled = false;
  bool denyToken = false;
  std::vector<RestartRequest> restarts;
};

Privileges& Priv() {
  static Privileges privileges;
  return privileges;
}

const LUID kShutdownLuid = {19, 0};

}  // namespace

HANDLE const kToken = reinterpret_cast<HANDLE>(0x7FF0);

void ResetPrivileges() { Priv() = Privileges(); }

void SetShutdownPrivilegeHeld(bool held) { Priv().privilegeHeld = held; }
void DenyProcessToken(bool deny) { Priv().denyToken = deny; }
const std::vector<RestartRequest>& RestartRequests() { return Priv().restarts; }

}  // namespace memory

using memory::Priv;

HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

BOOL WINAPI OpenProcessToken(HANDLE, DWORD, PHANDLE token) {
  if (Priv().denyToken) {
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
    if (!shutdown || !Priv().privilegeHeld) {
      // The call succeeds but says that not every privilege could be set.
      SetLastError(ERROR_NOT_ALL_ASSIGNED);
      return TRUE;
    }
    Priv().privilegeEnabled = (newState->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WINAPI ExitWindowsEx(UINT flags, DWORD reason) {
  Priv().restarts.push_back(memory::RestartRequest{flags, reason, Priv().privilegeEnabled});
  if (!Priv().privilegeEnabled) {
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
  }
  return TRUE;
}
