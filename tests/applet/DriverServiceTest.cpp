// Stopping and starting the driver service: results, bounded polling, and the last error.
#include <gtest/gtest.h>

#include <algorithm>

#include "AppletTestSupport.h"
#include "System.h"
#include "SystemTools.h"

namespace {

using Calls = std::vector<std::string>;

long Count(const std::string& call) {
  const Calls& calls = memory::ServiceCalls();
  return std::count(calls.begin(), calls.end(), call);
}

memory::ServiceBehaviour Driver(DWORD state) {
  memory::ServiceBehaviour driver;
  driver.state = state;
  return driver;
}

// A start or stop, situation by situation: its result (0 failed, 1 done, 2 running already), the
// reason of a failure (kept through the closes, never a stale code), and the status polls: one
// at once after the request, then one every 500 ms until it is over, no more than twenty. A
// pending state left at the end is not undone.
TEST(DriverService, StartAndStopAnswerAsTheServiceIsAndPollNoMoreThanTwentyTimes) {
  using Edit = void (*)(memory::ServiceBehaviour&);
  const struct {
    const char* situation;
    bool start;
    DWORD state;  // 0: no such service
    Edit edit;
    int result;
    DWORD error, end;                // the failure's reason, the state at the end
    long requests, queries, sleeps;  // queries: one before the request, then the polls
  } cases[] = {
      {"running: not started again", true, SERVICE_RUNNING, nullptr, 2, 0, SERVICE_RUNNING, 0, 1, 0},
      {"stopped: not stopped", false, SERVICE_STOPPED, nullptr, 1, 0, SERVICE_STOPPED, 0, 1, 0},
      {"no service to start", true, 0, nullptr, 0, ERROR_SERVICE_DOES_NOT_EXIST, 0, 0, 0, 0},
      {"no service to stop", false, 0, nullptr, 0, ERROR_SERVICE_DOES_NOT_EXIST, 0, 0, 0, 0},
      {"the manager refused", true, SERVICE_STOPPED, [](memory::ServiceBehaviour&) { memory::DenyServiceManager(true); }, 0,
       ERROR_ACCESS_DENIED, SERVICE_STOPPED, 0, 0, 0},
      {"disabled", true, SERVICE_STOPPED, [](memory::ServiceBehaviour& d) { d.disabled = true; }, 0, ERROR_SERVICE_DISABLED,
       SERVICE_STOPPED, 1, 1, 0},
      {"running after three polls", true, SERVICE_STOPPED, [](memory::ServiceBehaviour& d) { d.queriesToStart = 3; }, 1, 0,
       SERVICE_RUNNING, 1, 5, 3},
      {"still starting", true, SERVICE_STOPPED, [](memory::ServiceBehaviour& d) { d.queriesToStart = 25; }, 0,
       ERROR_SERVICE_REQUEST_TIMEOUT, SERVICE_START_PENDING, 1, 21, 20},
      {"stopped by the control itself", false, SERVICE_RUNNING, nullptr, 1, 0, SERVICE_STOPPED, 1, 1, 0},
      {"stopped after two polls", false, SERVICE_RUNNING, [](memory::ServiceBehaviour& d) { d.queriesToStop = 2; }, 1, 0,
       SERVICE_STOPPED, 1, 4, 2},
      {"still stopping", false, SERVICE_RUNNING, [](memory::ServiceBehaviour& d) { d.queriesToStop = 100; }, 0,
       ERROR_SERVICE_REQUEST_TIMEOUT, SERVICE_STOP_PENDING, 1, 21, 20},
      {"refuses to stop", false, SERVICE_RUNNING, [](memory::ServiceBehaviour& d) { d.stopError = ERROR_INVALID_SERVICE_CONTROL; },
       0, ERROR_INVALID_SERVICE_CONTROL, SERVICE_RUNNING, 1, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.situation);
    memory::Reset();
    memory::ServiceHandleClosesSetError(true);
    memory::ServiceBehaviour driver = Driver(c.state);
    if (c.edit) c.edit(driver);
    if (c.state) memory::AddService("norvo", driver);
    SetLastError(ERROR_FILE_NOT_FOUND);
    SystemTools tools;
    EXPECT_EQ(c.result, c.start ? tools.StartDriverService("norvo") : tools.StopDriverService("norvo"));
    EXPECT_EQ(c.error, c.result ? 0u : GetLastError());
    EXPECT_EQ(c.requests, Count(c.start ? "StartServiceA norvo" : "ControlService norvo 1"));
    EXPECT_EQ(c.queries, Count("QueryServiceStatus norvo"));
    EXPECT_EQ(c.sleeps, Count("Sleep 500"));
    EXPECT_EQ(static_cast<DWORD>(c.sleeps * 500), memory::Clock());
    EXPECT_EQ(c.end, c.state ? memory::FindService("norvo")->state : 0u);
    EXPECT_EQ(0, memory::OpenServiceHandles());
    if (c.start && c.sleeps) {  // the first poll follows the start at once
      const Calls& calls = memory::ServiceCalls();
      EXPECT_EQ("QueryServiceStatus norvo", *(std::find(calls.begin(), calls.end(), "StartServiceA norvo") + 1));
    }
  }
  EXPECT_EQ(2, SystemTools().StartDriverService("norvo"));  // the driver that refused to stop is found running
}

// Another program (a second window) stops or starts the driver meanwhile: its stop serves, even
// when it starts the driver again; its start is waited for (let finish before a stop) or redone.
TEST(DriverService, AStopOrStartOfAnotherProgramUnderWayIsWaitedFor) {
  SystemTools tools;
  memory::AddService("norvo", Driver(SERVICE_STOPPED));
  memory::ServiceBehaviour* driver = memory::FindService("norvo");
  driver->queriesToStart = driver->queriesToStop = 2;
  SERVICE_STATUS status;
  StartServiceA(Service("norvo").Handle(), 0, nullptr);
  EXPECT_EQ(2, tools.StartDriverService("norvo"));
  ControlService(Service("norvo").Handle(), SERVICE_CONTROL_STOP, &status);
  EXPECT_EQ(1, tools.StopDriverService("norvo"));
  int runs = 0;
  driver->onRunning = [&runs] { ++runs; };
  StartServiceA(Service("norvo").Handle(), 0, nullptr);
  driver->queriesToStart = 3;  // the other program's start after this stop, still under way below
  driver->onStopped = [] { StartServiceA(Service("norvo").Handle(), 0, nullptr); };
  EXPECT_EQ(1, tools.StopDriverService("norvo"));
  EXPECT_EQ(1, runs);  // its start was let finish
  driver->onStopped = nullptr;
  driver->onRunning = [driver] { driver->state = SERVICE_STOPPED, driver->startError = 0x20001234; };
  EXPECT_EQ(0, tools.StartDriverService("norvo"));
  EXPECT_EQ(0x20001234u, GetLastError());
}

}  // namespace
