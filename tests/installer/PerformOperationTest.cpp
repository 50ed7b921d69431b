// The small functions the operation relies on.
#include <gtest/gtest.h>

#include "InstallerTestSupport.h"
#include "FileCallback.h"
#include "OperationHelpers.h"

using memory::DialogUser;

namespace {

// A file that cannot be deleted is deleted at the next start, one already gone is skipped, and
// neither asks the user; one the system put off itself counts the same. Where the next start's
// list cannot be written, the file stays and is named with the reason it could not be deleted.
TEST(InstallQueueCallback, LeavesAFileThatCannotBeDeletedToTheRestartWithoutAsking) {
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  const std::string applet = "C:\\WINNT\\system32\\norvo.cpl";
  auto notify = [&](FileCallbackContext& files, UINT notification, DWORD error) {
    FILEPATHS_A paths{applet.c_str(), nullptr, error, 0};
    return files.Notify(notification, reinterpret_cast<UINT_PTR>(&paths), FILEOP_DELETE);
  };
  FileCallbackContext gone(context), inUse(context), putOff(context), staying(context);
  EXPECT_EQ(static_cast<UINT>(FILEOP_SKIP), notify(gone, SPFILENOTIFY_DELETEERROR, ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(static_cast<UINT>(FILEOP_DOIT), notify(gone, SPFILENOTIFY_STARTDELETE, 0));
  EXPECT_FALSE(gone.restartNeeded);
  EXPECT_EQ(static_cast<UINT>(FILEOP_SKIP), notify(inUse, SPFILENOTIFY_DELETEERROR, ERROR_SHARING_VIOLATION));
  EXPECT_TRUE(inUse.restartNeeded);
  EXPECT_EQ("\\??\\" + applet + std::string(3, '\0'), PendingRenames());
  notify(putOff, SPFILENOTIFY_FILEOPDELAYED, 0);
  EXPECT_TRUE(putOff.restartNeeded);
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kSessionManager, true);
  EXPECT_EQ(static_cast<UINT>(FILEOP_SKIP), notify(staying, SPFILENOTIFY_DELETEERROR, ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(staying.restartNeeded);
  EXPECT_EQ(applet, staying.stayingFile);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), staying.stayingError);
  EXPECT_TRUE(memory::MessageBoxes().empty());
  SetupTermDefaultQueueCallback(context);
}

// A copy that fails for another reason than a file in use is not skipped, whatever the system's
// callback answers (Wine's skips it without asking): it fails with its reason.
TEST(InstallQueueCallback, NeverSkipsACopyThatFailed) {
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  FileCallbackContext files(context);
  FILEPATHS_A paths{"C:\\WINNT\\system32\\norvo.cpl", "A:\\norvo.cpl", ERROR_ACCESS_DENIED, 0};
  memory::OnMessageBox("File Operation Error", [](DialogUser& prompt) { prompt.Click(IDIGNORE); });
  EXPECT_EQ(static_cast<UINT>(FILEOP_ABORT), files.Notify(SPFILENOTIFY_COPYERROR, reinterpret_cast<UINT_PTR>(&paths), 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(0u, memory::PendingScripts());
  SetupTermDefaultQueueCallback(context);
}

// The tries for a missing file are counted per request: they start again after a copy, after
// the copy was given up, and after a prompt whose answer was not "go ahead".
TEST(InstallQueueCallback, AsksForAMissingFileFiveTimesInARowAtMost) {
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  FileCallbackContext files(context);
  SOURCE_MEDIA_A media{nullptr, nullptr, "the driver disk", "C:\\queue test", "norvo.sys", SP_COPY_NOSKIP};
  FILEPATHS_A paths{"C:\\WINNT\\system32\\drivers\\norvo.sys", "C:\\queue test\\norvo.sys", 0, 0};
  auto ask = [&](int times) {
    std::string answers;  // FILEOP_DOIT 1, FILEOP_ABORT 0
    for (int i = 0; i < times; ++i)
      answers += std::to_string(
          InstallQueueCallback(&files, SPFILENOTIFY_NEEDMEDIA, reinterpret_cast<UINT_PTR>(&media), 0));
    return answers;
  };
  EXPECT_EQ("1111", ask(4));
  InstallQueueCallback(&files, SPFILENOTIFY_ENDCOPY, reinterpret_cast<UINT_PTR>(&paths), 0);
  EXPECT_EQ("111110", ask(6));
  EXPECT_EQ("1", ask(1));
  memory::OnMessageBox("Files Needed", [](DialogUser& prompt) { prompt.Click(IDCANCEL); });
  EXPECT_EQ("0", ask(1));
  EXPECT_EQ("11111", ask(5));
  EXPECT_EQ(16u, memory::MessageBoxes().size());
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
  EXPECT_EQ("Access is denied.", memory::MessageBoxes()[0].text);
  EXPECT_EQ("%1 is not a valid Win32 application.", memory::MessageBoxes()[1].text);
  EXPECT_EQ("Error 0x20001234", memory::MessageBoxes()[2].text);
  EXPECT_EQ("Windows NT4 Device Installation", memory::MessageBoxes()[2].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[2].type);
  EXPECT_EQ((std::vector<std::string>{"Access is denied.", "%1 is not a valid Win32 application.",
                                      "Error 0x20001234"}),
            memory::DebugOutput());
  EXPECT_EQ(0, memory::LiveLocalBlocks());
}

// Every INF problem SetupAPI reports by code, in plain words with the code as eight digits.
TEST(ReportLastError, NamesAnInfProblemInPlainWordsAndKeepsItsCode) {
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {
      {ERROR_EXPECTED_SECTION_NAME, "The INF file does not begin with a section name. (Error 0xE0000000)"},
      {ERROR_BAD_SECTION_NAME_LINE, "The INF file has a malformed section name. (Error 0xE0000001)"},
      {ERROR_SECTION_NAME_TOO_LONG, "A section name in the INF file is too long. (Error 0xE0000002)"},
      {ERROR_GENERAL_SYNTAX, "The INF file has a syntax error. (Error 0xE0000003)"},
      {ERROR_WRONG_INF_STYLE, "The INF file is not a Windows 4 style INF file. (Error 0xE0000100)"},
      {ERROR_SECTION_NOT_FOUND, "The INF file lacks a section that this operation needs. (Error 0xE0000101)"},
      {ERROR_LINE_NOT_FOUND, "The INF file lacks a line that this operation needs. (Error 0xE0000102)"},
      {ERROR_BAD_SERVICE_INSTALLSECT, "The INF file's service installation section is not valid. (Error 0xE0000217)"},
      {0xABCD, "Error 0x0000ABCD"},  // no text at all: the code, with its leading zeros
  };
  for (const auto& c : cases) {
    SetLastError(c.code);
    ReportLastError(nullptr);
    ASSERT_FALSE(memory::MessageBoxes().empty());
    EXPECT_EQ(c.text, memory::MessageBoxes().back().text);
  }
  EXPECT_EQ("Windows NT4 Device Installation", memory::MessageBoxes()[0].caption);
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[0].type);
  EXPECT_EQ(9u, memory::DebugOutput().size());
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
