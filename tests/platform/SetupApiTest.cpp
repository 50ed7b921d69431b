// What SetupAPI does with an INF, as the installer relies on it. Each test writes its INF line by
// line into a folder of its own and checks every result, output and last error, the outputs and
// the last error having been set to a marker before the call.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"

namespace {

const DWORD kMarker = 0xdeadbeef;

// An INF file in the tests' folder that grows one line at a time; removed at the end.
class InfFile {
 public:
  explicit InfFile(const std::string& name) : path_(TempFolder() + "\\" + name) { RemoveTestFile(path_); }
  ~InfFile() { RemoveTestFile(path_); }
  InfFile& Line(const std::string& line) {
    text_ += line + "\r\n";
    WriteTextFile(path_, text_);
    return *this;
  }
  void Empty() { WriteTextFile(path_, ""); }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  std::string text_;
};

// Opens the INF as the installer does; the handle, with the last error and the error line left.
HINF Open(const std::string& path, DWORD* error, UINT* errorLine) {
  SetLastError(kMarker);
  *errorLine = kMarker;
  HINF inf = SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, errorLine);
  *error = GetLastError();
  return inf;
}

TEST(SetupApi, OpeningAFileThatIsNotAnInfSaysWhyAndAnInfOpensOnceItHasItsVersionSection) {
  struct Step {
    const char* line;  // appended to the file; nullptr: no file yet, "": an empty file
    DWORD error;       // what opening it then reports; ERROR_SUCCESS: it opens
    UINT errorLine;    // what the error line then holds
  };
  // The error line is left alone where the file could not be read as text at all, and on
  // success (as under Wine; the documentation says only that it receives the faulty line).
  const Step steps[] = {
      {nullptr, ERROR_FILE_NOT_FOUND, kMarker},
      {"", ERROR_FILE_INVALID, kMarker},
      {"; only a comment so far", ERROR_WRONG_INF_STYLE, 0},
      {"[Strings]", ERROR_WRONG_INF_STYLE, 0},
      {"Name=\"Norvo\"", ERROR_WRONG_INF_STYLE, 0},
      {"[Version]", ERROR_WRONG_INF_STYLE, 0},
      {"Signature=\"$Windows NT$\"", ERROR_SUCCESS, kMarker},
  };
  InfFile inf("grow.inf");
  for (const Step& step : steps) {
    SCOPED_TRACE(step.line ? step.line : "(no file)");
    if (step.line && !*step.line) inf.Empty();
    if (step.line && *step.line) inf.Line(step.line);
    DWORD error;
    UINT line;
    HINF handle = Open(inf.Path(), &error, &line);
    if (step.error == ERROR_SUCCESS) {
      ASSERT_NE(INVALID_HANDLE_VALUE, handle);
      ASSERT_NE(nullptr, handle);
      EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), error);
      SetupCloseInfFile(handle);
    } else {
      EXPECT_EQ(INVALID_HANDLE_VALUE, handle);
      EXPECT_EQ(step.error, error);
    }
    EXPECT_EQ(step.errorLine, line);
  }

  // A line that cannot be read is blamed by its number.
  InfFile unclosed("unclosed.inf");
  unclosed.Line("[Version]").Line("Signature=\"$Windows NT$\"").Line("Class=Ports").Line("").Line("[Strings");
  unclosed.Line("x=1");
  DWORD error;
  UINT line;
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(unclosed.Path(), &error, &line));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BAD_SECTION_NAME_LINE), error);
  EXPECT_EQ(5u, line);
  InfFile words("words.inf");
  words.Line("not an INF at all");
  EXPECT_EQ(INVALID_HANDLE_VALUE, Open(words.Path(), &error, &line));
  EXPECT_EQ(static_cast<DWORD>(ERROR_EXPECTED_SECTION_NAME), error);
  EXPECT_EQ(1u, line);
}

TEST(SetupApi, AnInfWithOnlyItsVersionSectionInstallsNothingAndHasNoServicesToInstall) {
  InfFile file("version.inf");
  file.Line("[Version]").Line("Signature=\"$Windows NT$\"");
  DWORD error;
  UINT line;
  HINF inf = Open(file.Path(), &error, &line);
  ASSERT_NE(INVALID_HANDLE_VALUE, inf);
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  ASSERT_NE(nullptr, context);

  SetLastError(kMarker);
  EXPECT_TRUE(SetupInstallFromInfSectionA(nullptr, inf, "Install", SPINST_REGISTRY | SPINST_FILES, nullptr,
                                          TempFolder().c_str(), SP_COPY_NOSKIP, SetupDefaultQueueCallbackA, context,
                                          nullptr, nullptr));
  SetLastError(kMarker);
  EXPECT_FALSE(SetupInstallServicesFromInfSectionA(inf, "Install", 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SECTION_NOT_FOUND), GetLastError());

  SetupTermDefaultQueueCallback(context);
  SetupCloseInfFile(inf);
}

// The installer reads an INF's sections line by line before it trusts them: a field comes with
// its %names% resolved from [Strings], and a name that is not there stands as it is.
TEST(SetupApi, ALineIsReadFieldByFieldWithItsNamesResolvedOrLeftStanding) {
  InfFile file("lines.inf");
  file.Line("[Version]").Line("Signature=\"$Windows NT$\"").Line("[Install]").Line("AddReg=Reg,%Missing%\\Sub");
  file.Line("CopyFiles=%Known%").Line("[Empty]").Line("[Strings]").Line("Known=\"Files\"");
  DWORD error;
  UINT errorLine;
  HINF inf = Open(file.Path(), &error, &errorLine);
  INFCONTEXT line;
  char text[32];
  std::string fields;
  for (const char* section : {"Gone", "Empty", "install"}) {
    SetLastError(kMarker);
    BOOL found = SetupFindFirstLineA(inf, section, nullptr, &line);
    fields += std::to_string(found) + " " + std::to_string(GetLastError()) + "|";
  }
  do {
    for (DWORD i = 0; i <= SetupGetFieldCount(&line); ++i)
      fields += (SetupGetStringFieldA(&line, i, text, sizeof text, nullptr) ? text : "<none>") + std::string("|");
  } while (SetupFindNextLine(&line, &line));
  // A missing section and an empty one are told apart by neither the result nor the error.
  EXPECT_EQ("0 3758096642|0 3758096642|1 0|AddReg|Reg|%Missing%\\Sub|CopyFiles|Files|", fields);  // 0xE0000102
  EXPECT_EQ(static_cast<DWORD>(ERROR_LINE_NOT_FOUND), GetLastError());
  SetupCloseInfFile(inf);
}

TEST(SetupApi, TheDefaultCallbackGoesAheadWithEveryOperation) {
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  ASSERT_NE(nullptr, context);
  std::string target = TempFolder() + "\\target.sys", source = TempFolder() + "\\source.sys";
  FILEPATHS_A paths{target.c_str(), source.c_str(), 0, 0};
  struct Case {
    UINT notification;
    UINT_PTR param2;
    UINT answer;
  };
  // The prompts on a missing source or a failed operation are left out: the system asks the
  // user there, while Wine's callback skips without asking.
  for (const Case& c : {Case{SPFILENOTIFY_STARTQUEUE, 0, TRUE}, Case{SPFILENOTIFY_STARTSUBQUEUE, FILEOP_COPY, TRUE},
                        Case{SPFILENOTIFY_STARTCOPY, FILEOP_COPY, FILEOP_DOIT},
                        Case{SPFILENOTIFY_STARTDELETE, FILEOP_DELETE, FILEOP_DOIT}}) {
    SCOPED_TRACE(c.notification);
    SetLastError(kMarker);
    EXPECT_EQ(c.answer, SetupDefaultQueueCallbackA(context, c.notification, reinterpret_cast<UINT_PTR>(&paths), c.param2));
    EXPECT_EQ(kMarker, GetLastError());
  }
  SetupTermDefaultQueueCallback(context);
}

TEST(SetupApi, AFileQueueCommitsEmptyAndClosesOnce) {
  SetLastError(kMarker);
  HSPFILEQ queue = SetupOpenFileQueue();
  ASSERT_NE(nullptr, queue);
  ASSERT_NE(INVALID_HANDLE_VALUE, queue);
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  EXPECT_TRUE(SetupCommitFileQueueA(nullptr, queue, SetupDefaultQueueCallbackA, context));
  SetupTermDefaultQueueCallback(context);
  SetLastError(kMarker);
  EXPECT_TRUE(SetupCloseFileQueue(queue));
  EXPECT_EQ(kMarker, GetLastError());
}

// The driver package of these tests: the stand-in driver under another service name and file
// name, with parameters below the scratch key.
const char kService[] = "norvoplat";
const char kImage[] = "norvoplt.sys";

std::string InstalledImage() {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  return std::string(system) + "\\drivers\\" + kImage;
}

void WritePackage(InfFile& inf) {
  inf.Line("[Version]").Line("Signature=\"$Windows NT$\"").Line("Class=Ports");
  inf.Line("[SourceDisksNames]").Line("1=\"Norvo platform test\",,,");
  inf.Line("[SourceDisksFiles]").Line("norvo.sys=1");
  inf.Line("[DestinationDirs]").Line("PlatFiles=12");
  inf.Line("[Install]").Line("CopyFiles=PlatFiles").Line("AddReg=PlatParameters");
  inf.Line("AddService=%Service%,0x00000002,PlatService");
  inf.Line("[Uninstall]").Line("DelFiles=PlatFiles").Line("DelReg=PlatRemoval").Line("DelService=%Service%");
  inf.Line("[PlatFiles]").Line(std::string(kImage) + ",norvo.sys");
  inf.Line("[PlatParameters]");
  inf.Line("HKR,Parameters,PortNamePrefix,0x00000000,\"COM\"");
  inf.Line("HKR,Parameters\\NorvoP1,TxFIFO,0x00000001,10,00,00,00");
  inf.Line("HKR,Parameters\\NorvoP2,,0x00000010");
  inf.Line("HKR,,Count,0x00010001,3");
  inf.Line("[PlatRemoval]").Line("HKR,Parameters");
  inf.Line("[PlatService]").Line("DisplayName=\"Norvo platform test driver\"").Line("ServiceType=1");
  inf.Line("StartType=3").Line("ErrorControl=1").Line(std::string("ServiceBinary=%12%\\") + kImage);
  inf.Line("[Strings]").Line(std::string("Service=\"") + kService + "\"");
}

// The default answers, except that a file that cannot be deleted (already gone) is skipped
// without asking, as the installer's own callback does.
UINT CALLBACK SkipDeleteErrors(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  if (notification == SPFILENOTIFY_DELETEERROR) return FILEOP_SKIP;
  return SetupDefaultQueueCallbackA(context, notification, param1, param2);
}

// Processes one section as the installer does: files and registry, the queue, then services.
bool Process(HINF inf, const char* section, HKEY key) {
  HSPFILEQ queue = SetupOpenFileQueue();
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  bool done = SetupInstallFromInfSectionA(nullptr, inf, section, SPINST_REGISTRY | SPINST_FILES, key,
                                          DriverFolder().c_str(), SP_COPY_NOSKIP, SkipDeleteErrors, context, nullptr,
                                          nullptr) &&
              SetupCommitFileQueueA(nullptr, queue, SkipDeleteErrors, context) &&
              SetupInstallServicesFromInfSectionA(inf, section, 0);
  SetupTermDefaultQueueCallback(context);
  SetupCloseFileQueue(queue);
  return done;
}

DWORD State(SC_HANDLE service) {
  SERVICE_STATUS status;
  std::memset(&status, 0xEE, sizeof status);
  SetLastError(kMarker);
  EXPECT_TRUE(QueryServiceStatus(service, &status));
  EXPECT_EQ(kMarker, GetLastError());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_KERNEL_DRIVER), status.dwServiceType);
  return status.dwCurrentState;
}

// Polls through the platform's Sleep until the service leaves a pending state.
DWORD Settled(SC_HANDLE service) {
  DWORD state = State(service);
  for (int i = 0; i < 200 && (state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING); ++i) {
    Sleep(20);
    state = State(service);
  }
  return state;
}

class DriverPackage : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, kScratchKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &key_, nullptr));
    WritePackage(file_);
    DWORD error;
    UINT line;
    inf_ = Open(file_.Path(), &error, &line);
    ASSERT_NE(INVALID_HANDLE_VALUE, inf_);
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(nullptr, manager_);
  }
  void TearDown() override {
    // Whatever a failed test left behind goes, the running driver first.
    if (SC_HANDLE service = OpenServiceA(manager_, kService, SERVICE_ALL_ACCESS)) {
      SERVICE_STATUS status;
      if (ControlService(service, SERVICE_CONTROL_STOP, &status)) Settled(service);
      CloseServiceHandle(service);
    }
    if (inf_ != INVALID_HANDLE_VALUE) {
      Process(inf_, "Uninstall", key_);
      SetupCloseInfFile(inf_);
    }
    if (manager_) CloseServiceHandle(manager_);
    if (key_) RegCloseKey(key_);
  }
  std::string Value(const char* path, const char* name, DWORD* type) {
    HKEY key;
    std::string text;
    if (RegOpenKeyExA(key_, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "<no key>";
    BYTE data[64];
    DWORD size = sizeof data;
    *type = kMarker;
    if (RegQueryValueExA(key, name, nullptr, type, data, &size) == ERROR_SUCCESS)
      text.assign(reinterpret_cast<const char*>(data), size);
    else
      text = "<no value>";
    RegCloseKey(key);
    return text;
  }

  InfFile file_{"plat.inf"};
  HINF inf_ = INVALID_HANDLE_VALUE;
  HKEY key_ = nullptr;
  SC_HANDLE manager_ = nullptr;
};

TEST_F(DriverPackage, InstallCopiesTheImageWritesTheParametersAndAddsAStoppedService) {
  SetLastError(kMarker);
  ASSERT_TRUE(Process(inf_, "Install", key_));
  EXPECT_TRUE(FileIsThere(InstalledImage()));

  DWORD type;
  EXPECT_EQ(std::string("COM\0", 4), Value("Parameters", "PortNamePrefix", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(std::string("\x10\0\0\0", 4), Value("Parameters\\NorvoP1", "TxFIFO", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(std::string("<no value>"), Value("Parameters\\NorvoP2", "TxFIFO", &type));
  EXPECT_EQ(std::string("\3\0\0\0", 4), Value("", "Count", &type));
  EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);

  SC_HANDLE service = OpenServiceA(manager_, kService, SERVICE_ALL_ACCESS);
  ASSERT_NE(nullptr, service);
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), State(service));
  CloseServiceHandle(service);
}

TEST_F(DriverPackage, TheInstalledDriverStartsOnceAndStopsOnce) {
  ASSERT_TRUE(Process(inf_, "Install", key_));
  SC_HANDLE service = OpenServiceA(manager_, kService, SERVICE_ALL_ACCESS);
  ASSERT_NE(nullptr, service);

  SERVICE_STATUS status;
  std::memset(&status, 0xEE, sizeof status);
  SetLastError(kMarker);
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE), GetLastError());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_KERNEL_DRIVER), status.dwServiceType);  // refusals report the status
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), status.dwCurrentState);
  // A stopped service refuses every control as not active, before looking at the control.
  std::memset(&status, 0xEE, sizeof status);
  SetLastError(kMarker);
  EXPECT_FALSE(ControlService(service, SERVICE_CONTROL_PAUSE, &status));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE), GetLastError());
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), status.dwCurrentState);

  SetLastError(kMarker);
  ASSERT_TRUE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), Settled(service));
  SetLastError(kMarker);
  EXPECT_FALSE(StartServiceA(service, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING), GetLastError());

  std::memset(&status, 0xEE, sizeof status);
  SetLastError(kMarker);
  ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status));
  EXPECT_EQ(static_cast<DWORD>(SERVICE_KERNEL_DRIVER), status.dwServiceType);
  EXPECT_TRUE(status.dwCurrentState == SERVICE_STOPPED || status.dwCurrentState == SERVICE_STOP_PENDING)
      << status.dwCurrentState;
  EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), Settled(service));
  CloseServiceHandle(service);
}

TEST_F(DriverPackage, UninstallTakesAwayTheImageTheParametersAndTheService) {
  ASSERT_TRUE(Process(inf_, "Install", key_));
  SetLastError(kMarker);
  ASSERT_TRUE(Process(inf_, "Uninstall", key_));
  EXPECT_FALSE(FileIsThere(InstalledImage()));
  DWORD type;
  EXPECT_EQ(std::string("<no key>"), Value("Parameters", "PortNamePrefix", &type));
  SetLastError(kMarker);
  EXPECT_EQ(nullptr, OpenServiceA(manager_, kService, SERVICE_ALL_ACCESS));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  // A second removal finds nothing to remove and still succeeds; the service's key, which a
  // caller made, stays.
  const std::string serviceKey = std::string("System\\CurrentControlSet\\Services\\") + kService;
  HKEY made;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, serviceKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &made, nullptr));
  RegCloseKey(made);
  EXPECT_TRUE(Process(inf_, "Uninstall", key_));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_LOCAL_MACHINE, serviceKey.c_str()));
}

// What the callback hears, one entry a notification: its number, and for a file its name and
// error ("11 norvoplt.sys 0").
std::vector<std::string> heard;

UINT CALLBACK Recording(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  std::string entry = std::to_string(notification);
  switch (notification) {
    case SPFILENOTIFY_STARTCOPY: case SPFILENOTIFY_ENDCOPY: case SPFILENOTIFY_COPYERROR:
    case SPFILENOTIFY_STARTDELETE: case SPFILENOTIFY_ENDDELETE: case SPFILENOTIFY_DELETEERROR: {
      const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
      std::string target = paths->Target;
      entry += " " + target.substr(target.find_last_of('\\') + 1) + " " + std::to_string(paths->Win32Error);
      break;
    }
    case SPFILENOTIFY_STARTSUBQUEUE:
      entry += " " + std::to_string(param1);  // FILEOP_COPY or FILEOP_DELETE
      break;
    case SPFILENOTIFY_NEEDMEDIA:  // the copy style, which decides whether a prompt offers Skip
      entry += " " + std::to_string(reinterpret_cast<const SOURCE_MEDIA_A*>(param1)->Flags);
      break;
  }
  heard.push_back(entry);
  if (notification == SPFILENOTIFY_COPYERROR) return FILEOP_SKIP;  // the system would ask the user
  return SkipDeleteErrors(context, notification, param1, param2);
}

TEST_F(DriverPackage, TheCallbackHearsEachSubqueueTheMediaAndEachFile) {
  HSPFILEQ queue = SetupOpenFileQueue();
  PVOID context = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
  // The media is asked for before the first copy even when its file is there; the default
  // callback then goes ahead without asking. A file already gone ends its deletion with
  // ERROR_FILE_NOT_FOUND once the error is skipped. The queue itself stays empty and its
  // commit tells the callback nothing.
  // A file that another program holds (as a loaded DLL is) can be neither replaced nor deleted:
  // the callback hears why. A skipped deletion still ends, with the error; a skipped copy does not.
  const std::string image = kImage;
  struct Step {
    const char* section;
    bool held;
    std::vector<std::string> heard;
  };
  const Step steps[] = {
      {"Install", false, {"1", "3 0", "14 1024", "11 " + image + " 0", "12 " + image + " 0", "4", "2"}},
      {"Install", true, {"1", "3 0", "14 1024", "11 " + image + " 0", "13 " + image + " 32", "4", "2"}},
      {"Uninstall", true, {"1", "3 2", "5 " + image + " 0", "7 " + image + " 32", "6 " + image + " 32", "4", "2"}},
      {"Uninstall", false, {"1", "3 2", "5 " + image + " 0", "6 " + image + " 0", "4", "2"}},
      {"Uninstall", false, {"1", "3 2", "5 " + image + " 0", "7 " + image + " 2", "6 " + image + " 2", "4", "2"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.section) + (step.held ? " held" : ""));
    HoldFile(InstalledImage(), step.held);
    heard.clear();
    SetLastError(kMarker);
    EXPECT_TRUE(SetupInstallFromInfSectionA(nullptr, inf_, step.section, SPINST_REGISTRY | SPINST_FILES, key_,
                                            DriverFolder().c_str(), SP_COPY_NOSKIP, Recording, context, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());  // as under Wine
    SetLastError(kMarker);
    EXPECT_TRUE(SetupCommitFileQueueA(nullptr, queue, Recording, context));
    EXPECT_EQ(kMarker, GetLastError());
    SetLastError(kMarker);
    EXPECT_TRUE(SetupInstallServicesFromInfSectionA(inf_, step.section, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());  // as under Wine
    EXPECT_EQ(step.heard, heard);
  }
  HoldFile(InstalledImage(), false);
  SetupTermDefaultQueueCallback(context);
  SetupCloseFileQueue(queue);
}

}  // namespace
