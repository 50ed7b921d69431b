#include "System.h"

std::string SystemDirectory() {
  char directory[MAX_PATH];
  UINT length = GetSystemDirectoryA(directory, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::string(directory, length) : std::string();
}

Service::Service(const std::string& name) {
  manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  if (manager) service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
}

Service::~Service() {
  DWORD error = GetLastError();
  if (service) CloseServiceHandle(service);
  if (manager) CloseServiceHandle(manager);
  SetLastError(error);
}

DWORD Service::State() const {
  SERVICE_STATUS status;
  return service && QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}
