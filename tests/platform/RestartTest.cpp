// Restarting Windows, tested on the host only: under Wine ExitWindowsEx would end the test
// prefix's session, and the restart prompt is a stub there that shows nothing.
#include <gtest/gtest.h>

#include "PlatformTestSupport.h"

namespace {

const DWORD kMarker = 0xdeadbeef;

void SetShutdownPrivilege(DWORD attributes) {
  HANDLE token;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  ASSERT_TRUE(LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid));
  privileges.Privileges[0].Attributes = attributes;
  ASSERT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr));
  CloseHandle(token);
}

TEST(Restart, ExitWindowsNeedsTheShutdownPrivilegeEnabled) {
  SetLastError(kMarker);
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PRIVILEGE_NOT_HELD), GetLastError());

  SetShutdownPrivilege(SE_PRIVILEGE_ENABLED);
  SetLastError(kMarker);
  EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));
  EXPECT_EQ(kMarker, GetLastError());

  SetShutdownPrivilege(0);
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
}

TEST(Restart, ThePromptAsksAndRestartsOnlyOnYes) {
  SetShutdownPrivilege(SE_PRIVILEGE_ENABLED);
  SetLastError(kMarker);
  EXPECT_EQ(SPFILEQ_REBOOT_RECOMMENDED, SetupPromptReboot(nullptr, nullptr, TRUE));  // only looks

  struct Case {
    int button;
    INT result;
  };
  for (const Case& c : {Case{IDNO, SPFILEQ_REBOOT_RECOMMENDED}, Case{IDYES, SPFILEQ_REBOOT_IN_PROGRESS}}) {
    SCOPED_TRACE(c.button);
    AnswerMessageBox("System Settings Change", c.button);
    EXPECT_EQ(c.result, SetupPromptReboot(nullptr, nullptr, FALSE));
    SeenMessageBox seen = AnsweredMessageBox();
    EXPECT_TRUE(seen.came);
    EXPECT_NE(std::string::npos, seen.text.find("restart your computer"));
  }
  EXPECT_EQ(kMarker, GetLastError());
}

}  // namespace
