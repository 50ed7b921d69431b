// The Service Control Manager of the in-memory machine, and Sleep on a virtual clock.
#include <map>

#include "internal.h"

namespace memory {
namespace {

struct Handle {
  bool manager;
  std::string service;
};

struct Services {
  std::map<std::string, ServiceBehaviour> installed;  // by upper-case name
  std::map<SC_HANDLE, Handle> handles;
  std::vector<std::string> calls;
  bool denyManager = false;
  bool closesSetError = false;
  uintptr_t nextHandle = 0x5000;
  DWORD clock = 0;
  int pending = 0;  // status queries left in the current pending state
};

Services& Scm() {
  static Services services;
  return services;
}

SC_HANDLE NewHandle(bool manager, const std::string& service) {
  SC_HANDLE handle = reinterpret_cast<SC_HANDLE>(Scm().nextHandle);
  Scm().nextHandle += 4;
  Scm().handles[handle] = Handle{manager, service};
  return handle;
}

ServiceBehaviour* ServiceOf(SC_HANDLE handle, std::string* name) {
  auto it = Scm().handles.find(handle);
  if (it == Scm().handles.end() || it->second.manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  *name = it->second.service;
  ServiceBehaviour* service = FindService(*name);
  if (!service) SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);  // deleted while open
  return service;
}

void Enter(ServiceBehaviour* service, DWORD state) {
  service->state = state;
  if (state == SERVICE_RUNNING && service->onRunning) service->onRunning();
  if (state == SERVICE_STOPPED && service->onStopped) service->onStopped();
}

void Fill(const ServiceBehaviour& service, LPSERVICE_STATUS status) {
  if (!status) return;
  *status = SERVICE_STATUS{SERVICE_KERNEL_DRIVER, service.state, SERVICE_ACCEPT_STOP, 0, 0, 0, 0};
}

}  // namespace

void ResetServices() { Scm() = Services(); }

void AddService(const std::string& name, ServiceBehaviour behaviour) { Scm().installed[Upper(name)] = std::move(behaviour); }
void RemoveService(const std::string& name) { Scm().installed.erase(Upper(name)); }

ServiceBehaviour* FindService(const std::string& name) {
  auto it = Scm().installed.find(Upper(name));
  return it == Scm().installed.end() ? nullptr : &it->second;
}

void DenyServiceManager(bool deny) { Scm().denyManager = deny; }
void ServiceHandleClosesSetError(bool set) { Scm().closesSetError = set; }
const std::vector<std::string>& ServiceCalls() { return Scm().calls; }
DWORD Clock() { return Scm().clock; }

int OpenServiceHandles() { return static_cast<int>(Scm().handles.size()); }

}  // namespace memory

using memory::Scm;

SC_HANDLE WINAPI OpenSCManagerA(LPCSTR, LPCSTR, DWORD) {
  Scm().calls.push_back("OpenSCManagerA");
  if (Scm().denyManager) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);  // as under Wine
  return memory::NewHandle(true, "");
}

SC_HANDLE WINAPI OpenServiceA(SC_HANDLE manager, LPCSTR name, DWORD) {
  Scm().calls.push_back(std::string("OpenServiceA ") + (name ? name : ""));
  auto it = Scm().handles.find(manager);
  if (it == Scm().handles.end() || !it->second.manager) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!name || !memory::FindService(name)) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  return memory::NewHandle(false, name);
}

BOOL WINAPI QueryServiceStatus(SC_HANDLE handle, LPSERVICE_STATUS status) {
  std::string name;
  memory::ServiceBehaviour* service = memory::ServiceOf(handle, &name);
  Scm().calls.push_back("QueryServiceStatus " + name);
  if (!service) return FALSE;
  memory::Fill(*service, status);
  // A pending state ends after the number of queries the test gave it.
  if (service->state == SERVICE_START_PENDING || service->state == SERVICE_STOP_PENDING) {
    if (Scm().pending > 0) --Scm().pending;
    if (Scm().pending == 0)
      memory::Enter(service, service->state == SERVICE_START_PENDING ? SERVICE_RUNNING : SERVICE_STOPPED);
  }
  return TRUE;
}

BOOL WINAPI StartServiceA(SC_HANDLE handle, DWORD, LPCSTR*) {
  std::string name;
  memory::ServiceBehaviour* service = memory::ServiceOf(handle, &name);
  Scm().calls.push_back("StartServiceA " + name);
  if (!service) return FALSE;
  if (service->state != SERVICE_STOPPED) {
    SetLastError(ERROR_SERVICE_ALREADY_RUNNING);
    return FALSE;
  }
  if (service->disabled) {
    SetLastError(ERROR_SERVICE_DISABLED);
    return FALSE;
  }
  if (service->startError) {
    SetLastError(service->startError);
    return FALSE;
  }
  Scm().pending = service->queriesToStart;
  if (Scm().pending > 0)
    service->state = SERVICE_START_PENDING;
  else
    memory::Enter(service, SERVICE_RUNNING);
  return TRUE;
}

BOOL WINAPI ControlService(SC_HANDLE handle, DWORD control, LPSERVICE_STATUS status) {
  std::string name;
  memory::ServiceBehaviour* service = memory::ServiceOf(handle, &name);
  Scm().calls.push_back("ControlService " + name + " " + std::to_string(control));
  if (!service) return FALSE;
  // A stopped service takes no control at all; these refusals still report the status.
  if (service->state == SERVICE_STOPPED) {
    memory::Fill(*service, status);
    SetLastError(ERROR_SERVICE_NOT_ACTIVE);
    return FALSE;
  }
  if (control != SERVICE_CONTROL_STOP) {
    memory::Fill(*service, status);
    SetLastError(ERROR_INVALID_SERVICE_CONTROL);
    return FALSE;
  }
  // A service on its way down takes no second stop, as under Wine.
  if (service->state == SERVICE_STOP_PENDING) {
    memory::Fill(*service, status);
    SetLastError(ERROR_SERVICE_CANNOT_ACCEPT_CTRL);
    return FALSE;
  }
  if (service->stopError) {
    if (service->stopError == ERROR_INVALID_SERVICE_CONTROL || service->stopError == ERROR_SERVICE_CANNOT_ACCEPT_CTRL)
      memory::Fill(*service, status);
    SetLastError(service->stopError);
    return FALSE;
  }
  Scm().pending = service->queriesToStop;
  if (Scm().pending > 0)
    service->state = SERVICE_STOP_PENDING;
  else
    memory::Enter(service, SERVICE_STOPPED);
  memory::Fill(*service, status);
  return TRUE;
}

BOOL WINAPI CloseServiceHandle(SC_HANDLE handle) {
  auto it = Scm().handles.find(handle);
  if (it == Scm().handles.end()) {
    Scm().calls.push_back("CloseServiceHandle ?");
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Scm().calls.push_back("CloseServiceHandle " + (it->second.manager ? std::string("manager") : it->second.service));
  Scm().handles.erase(it);
  if (Scm().closesSetError) SetLastError(ERROR_SUCCESS);
  return TRUE;
}

void WINAPI Sleep(DWORD milliseconds) {
  Scm().calls.push_back("Sleep " + std::to_string(milliseconds));
  Scm().clock += milliseconds;
}
