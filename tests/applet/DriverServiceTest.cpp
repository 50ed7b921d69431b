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

TEST(DriverService, ARunningServiceIsNotStartedAgainAndAStoppedOneNotStopped) {
  SystemTools tools;
  memory::AddService("norvo", Driver(SERVICE_RUNNING));
  EXPECT_EQ(2, tools.StartDriverService("norvo"));
  EXPECT_EQ((Calls{"OpenSCManagerA", "OpenServiceA norvo", "QueryServiceStatus norvo", "CloseServiceHandle norvo",
                   "CloseServiceHandle manager"}),
            memory::ServiceCalls());

  memory::Reset();
  memory::AddService("norvo", Driver(SERVICE_STOPPED));
  EXPECT_EQ(1, tools.StopDriverService("norvo"));
  EXPECT_EQ(0, Count("ControlService norvo 1"));
  EXPECT_EQ(0, memory::OpenServiceHandles());
}

TEST(DriverService, AMissingServiceOrManagerFailsAndKeepsTheErrorThroughTheCloses) {
  SystemTools tools;
  memory::ServiceHandleClosesSetError(true);
  EXPECT_EQ(0, tools.StartDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  EXPECT_EQ(0, tools.StopDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  EXPECT_EQ("CloseServiceHandle manager", memory::ServiceCalls().back());

  memory::AddService("norvo", Driver(SERVICE_STOPPED));
  memory::DenyServiceManager(true);
  EXPECT_EQ(0, tools.StartDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0, memory::OpenServiceHandles());
}

TEST(DriverService, AFailedStartKeepsTheStartRequestsErrorThroughTheCloses) {
  SystemTools tools;
  memory::ServiceHandleClosesSetError(true);
  memory::ServiceBehaviour driver = Driver(SERVICE_STOPPED);
  driver.disabled = true;
  memory::AddService("norvo", driver);
  SetLastError(0);
  EXPECT_EQ(0, tools.StartDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DISABLED), GetLastError());
  EXPECT_EQ(0, memory::OpenServiceHandles());
}

TEST(DriverService, StartPollsAtOnceThenEvery500MsUntilRunning) {
  SystemTools tools;
  memory::ServiceBehaviour driver = Driver(SERVICE_STOPPED);
  driver.queriesToStart = 3;
  memory::AddService("norvo", driver);
  EXPECT_EQ(1, tools.StartDriverService("norvo"));
  const Calls& calls = memory::ServiceCalls();
  auto start = std::find(calls.begin(), calls.end(), "StartServiceA norvo");
  ASSERT_NE(calls.end(), start);
  EXPECT_EQ("QueryServiceStatus norvo", *(start + 1));  // the first poll follows at once
  EXPECT_EQ(3, Count("Sleep 500"));
  EXPECT_EQ(5, Count("QueryServiceStatus norvo"));  // one before the start, four polls
  EXPECT_EQ(1500u, memory::Clock());
}

TEST(DriverService, NoMoreThanTwentyPollsFollowAStartOrAStop) {
  SystemTools tools;
  memory::ServiceBehaviour slow = Driver(SERVICE_STOPPED);
  slow.queriesToStart = 25;
  memory::AddService("norvo", slow);
  SetLastError(ERROR_FILE_NOT_FOUND);  // a stale code must not become the reason
  EXPECT_EQ(0, tools.StartDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), GetLastError());
  EXPECT_EQ(21, Count("QueryServiceStatus norvo"));
  EXPECT_EQ(20, Count("Sleep 500"));
  EXPECT_EQ(10000u, memory::Clock());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_START_PENDING), memory::FindService("norvo")->state);  // not undone

  memory::Reset();
  memory::ServiceBehaviour stuck = Driver(SERVICE_RUNNING);
  stuck.queriesToStop = 100;
  memory::AddService("norvo", stuck);
  SetLastError(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(0, tools.StopDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_REQUEST_TIMEOUT), GetLastError());
  EXPECT_EQ(21, Count("QueryServiceStatus norvo"));
  EXPECT_EQ(20, Count("Sleep 500"));
}

TEST(DriverService, AStopThatTheControlAlreadyCompletedNeedsNoPolling) {
  SystemTools tools;
  memory::AddService("norvo", Driver(SERVICE_RUNNING));
  EXPECT_EQ(1, tools.StopDriverService("norvo"));
  EXPECT_EQ(1, Count("QueryServiceStatus norvo"));
  EXPECT_EQ(0, Count("Sleep 500"));

  memory::Reset();
  memory::ServiceBehaviour driver = Driver(SERVICE_RUNNING);
  driver.queriesToStop = 2;
  memory::AddService("norvo", driver);
  EXPECT_EQ(1, tools.StopDriverService("norvo"));
  EXPECT_EQ(2, Count("Sleep 500"));
}

TEST(DriverService, ADriverThatRefusesToStopIsThenFoundRunning) {
  SystemTools tools;
  memory::ServiceBehaviour driver = Driver(SERVICE_RUNNING);
  driver.stopError = ERROR_INVALID_SERVICE_CONTROL;
  memory::AddService("norvo", driver);
  EXPECT_EQ(0, tools.StopDriverService("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_SERVICE_CONTROL), GetLastError());
  EXPECT_EQ(2, tools.StartDriverService("norvo"));
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
