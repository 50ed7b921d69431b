// Service Control Manager, device namespace and system error texts, as the programs rely on them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PlatformTestSupport.h"

namespace {

TEST(Services, AServiceThatIsNotInstalledCannotBeOpened) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(nullptr, manager);
  EXPECT_EQ(nullptr, OpenServiceA(manager, "norvotestmissing", SERVICE_ALL_ACCESS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  EXPECT_TRUE(CloseServiceHandle(manager));
  EXPECT_EQ(nullptr, OpenServiceA(nullptr, "norvotestmissing", SERVICE_ALL_ACCESS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(Devices, AnExclusiveOpenOfADeviceThatDoesNotExistFailsWithFileNotFound) {
  HANDLE port = CreateFileA("\\\\.\\NORVOTEST97", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  EXPECT_EQ(INVALID_HANDLE_VALUE, port);
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

std::string SystemText(DWORD code, DWORD* length) {
  LPSTR text = nullptr;
  *length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
                           nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
                           nullptr);
  std::string result = text ? std::string(text) : std::string();
  if (text) {
    EXPECT_EQ(nullptr, LocalFree(text));
  }
  return result;
}

TEST(Errors, SystemTextsEndInALineBreakAndUnknownCodesHaveNone) {
  DWORD length;
  std::string text = SystemText(ERROR_SERVICE_DOES_NOT_EXIST, &length);
  EXPECT_EQ(text.size(), length);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ("\r\n", text.substr(text.size() - 2));
  // The wording is the system's own (Windows and Wine differ); only its shape is relied on.
  text = SystemText(ERROR_ACCESS_DENIED, &length);
  EXPECT_NE(std::string::npos, text.find("denied"));
  EXPECT_EQ("", SystemText(0x20001234, &length));
  EXPECT_EQ(0u, length);
}

TEST(Errors, ASuccessfulCloseOfAServiceHandleLeavesTheLastError) {
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(nullptr, manager);
  SetLastError(ERROR_SERVICE_DISABLED);
  EXPECT_TRUE(CloseServiceHandle(manager));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DISABLED), GetLastError());
}

const DWORD kMarker = 0xdeadbeef;

TEST(Services, TheManagerOpensAndEveryCallOnAHandleThatIsNotOpenFails) {
  SetLastError(kMarker);
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
  ASSERT_NE(nullptr, manager);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());  // as under Wine

  // A manager handle is no service handle.
  SERVICE_STATUS status;
  std::memset(&status, 0xEE, sizeof status);
  SetLastError(kMarker);
  EXPECT_FALSE(QueryServiceStatus(manager, &status));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(0xEEEEEEEEu, status.dwCurrentState);
  SetLastError(kMarker);
  EXPECT_FALSE(StartServiceA(manager, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(kMarker);
  EXPECT_FALSE(ControlService(manager, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  // The status is not pinned here: the documentation fills it only for a service's refusals,
  // Wine writes it anyway.

  EXPECT_TRUE(CloseServiceHandle(manager));
  SetLastError(kMarker);
  EXPECT_FALSE(CloseServiceHandle(nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(Errors, ATextThatDoesNotFitTheCallersBufferIsRefused) {
  char text[8];
  std::memset(text, 'x', sizeof text);
  SetLastError(kMarker);
  EXPECT_EQ(0u, FormatMessageA(FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED,
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  char room[256];
  SetLastError(kMarker);
  DWORD length = FormatMessageA(FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED,
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), room, sizeof room, nullptr);
  EXPECT_GT(length, 2u);
  EXPECT_EQ(length, std::strlen(room));
  EXPECT_EQ(kMarker, GetLastError());

  SetLastError(kMarker);
  EXPECT_EQ(nullptr, LocalFree(nullptr));
  EXPECT_EQ(kMarker, GetLastError());
}

}  // namespace
