// The small functions the operation relies on.
#include <gtest/gtest.h>

#include "InstallerTestSupport.h"
#include "OperationHelpers.h"

namespace {

TEST(InstallQueueCallback, SkipsAFileThatCannotBeDeletedWithoutAskingAndPassesTheRestOn) {
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  FILEPATHS_A paths{"C:\\WINNT\\system32\\norvo.cpl", nullptr, ERROR_FILE_NOT_FOUND, 0};
  EXPECT_EQ(static_cast<UINT>(FILEOP_SKIP),
            InstallQueueCallback(context, SPFILENOTIFY_DELETEERROR, reinterpret_cast<UINT_PTR>(&paths), 0));
  EXPECT_EQ(static_cast<UINT>(FILEOP_DOIT),
            InstallQueueCallback(context, SPFILENOTIFY_STARTCOPY, reinterpret_cast<UINT_PTR>(&paths), FILEOP_COPY));
  EXPECT_TRUE(memory::MessageBoxes().empty());
  SetupTermDefaultQueueCallback(context);
}

TEST(ReportLastError, ShowsTheSystemsTextOrTheCodeAndNothingForACancel) {
  SetLastError(ERROR_CANCELLED);
  ReportLastError(nullptr);
  EXPECT_TRUE(memory::MessageBoxes().empty());

  SetLastError(ERROR_ACCESS_DENIED);
  ReportLastError(nullptr);
  SetLastError(ERROR_BAD_EXE_FORMAT);  // a text with an insert, which stays as it is
  ReportLastError(nullptr);
  SetLastError(0x20001234);  // no text at all
  ReportLastError(nullptr);
  ASSERT_EQ(3u, memory::MessageBoxes().size());
  EXPECT_EQ("Access is denied.\r\n", memory::MessageBoxes()[0].text);
  EXPECT_EQ("%1 is not a valid Win32 application.\r\n", memory::MessageBoxes()[1].text);
  EXPECT_EQ("Error 0x20001234", memory::MessageBoxes()[2].text);
  EXPECT_EQ("Windows NT4 Device Installation", memory::MessageBoxes()[2].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[2].type);
  EXPECT_EQ((std::vector<std::string>{"Access is denied.\r\n", "%1 is not a valid Win32 application.\r\n",
                                      "Error 0x20001234"}),
            memory::DebugOutput());
  EXPECT_EQ(0, memory::LiveLocalBlocks());
}

TEST(ReportLastError, NamesAnInfProblemInPlainWordsAndKeepsItsCode) {
  for (DWORD code : {ERROR_WRONG_INF_STYLE, ERROR_LINE_NOT_FOUND, ERROR_GENERAL_SYNTAX}) {
    SetLastError(code);
    ReportLastError(nullptr);
  }
  ASSERT_EQ(3u, memory::MessageBoxes().size());
  EXPECT_EQ("The INF file is not a Windows 4 style INF file. (Error 0xE0000100)", memory::MessageBoxes()[0].text);
  EXPECT_EQ("The INF file lacks a line that this operation needs. (Error 0xE0000102)", memory::MessageBoxes()[1].text);
  EXPECT_EQ("The INF file has a syntax error. (Error 0xE0000003)", memory::MessageBoxes()[2].text);
  EXPECT_EQ("Windows NT4 Device Installation", memory::MessageBoxes()[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[0].type);
  EXPECT_EQ(3u, memory::DebugOutput().size());
}

TEST(ServiceRequests, SendOneRequestWithoutWaitingAndKeepTheReasonOfAFailure) {
  memory::ServiceHandleClosesSetError(true);
  memory::ServiceBehaviour driver;
  driver.queriesToStart = 5;
  memory::AddService("norvo", driver);
  EXPECT_TRUE(StartServiceByName("norvo"));
  EXPECT_EQ((std::vector<std::string>{"OpenSCManagerA", "OpenServiceA norvo", "StartServiceA norvo",
                                      "CloseServiceHandle norvo", "CloseServiceHandle manager"}),
            memory::ServiceCalls());
  EXPECT_FALSE(StartServiceByName("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING), GetLastError());
  EXPECT_TRUE(StopServiceByName("norvo"));
  EXPECT_FALSE(StartServiceByName("other"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  EXPECT_EQ(0u, memory::Clock());
  EXPECT_EQ(0, memory::OpenServiceHandles());
}

}  // namespace
