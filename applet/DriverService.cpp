// Stopping and starting the driver's service, waiting for the state change by bounded polling.
#include "SystemTools.h"

namespace {

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

}  // namespace

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
