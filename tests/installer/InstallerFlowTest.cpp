// The installer from the user's chair: pages, messages, and what an install or removal leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "InstallerTestSupport.h"
#include "module.h"
#include "resource.h"

using memory::DialogUser;

namespace {

const char kErrorCaption[] = " Windows NT4 Device Installation Error";
const char kErrorText[] = "Due to an error the operation was not fully completed.\nRun setup again to complete the operation";
const char kCaption[] = "Windows NT4 Device Installation";

std::vector<std::string> Captions() {
  std::vector<std::string> captions;
  for (const auto& box : memory::MessageBoxes()) captions.push_back(box.caption);
  return captions;
}

std::string ControlPanel() { return std::string(memory::kSystemDirectory) + "\\control.exe norvo.cpl"; }

// A driver service that publishes nothing but starts and stops at once.
void DriverStartsNormally() { memory::ServiceDefaults("norvo", memory::ServiceBehaviour()); }

class Installer : public testing::Test {
 protected:
  void SetUp() override {
    LayOutPackage();
    DriverStartsNormally();
  }
  // Welcome → Next, then the operation page with the given choice → Next, then whatever the
  // test does on the finished page.
  void Operate(bool install, std::function<void(DialogUser&)> afterwards) {
    ClickNextOnWelcome();
    memory::OnDialog(kPageCaption, [=](DialogUser& page) {
      if (!install) page.Click(IDC_UNINSTALL_RADIO);
      page.Click(IDC_NEXT_BUTTON);
      if (!page.Ended()) afterwards(page);
    });
  }
  // A fresh machine for a test's next case.
  void Again(bool layOut = true) {
    memory::Reset();
    if (layOut) SetUp();
  }
  // A working install, left with "Exit".
  void Install() {
    Operate(true, [](DialogUser& page) { page.Click(IDC_NEXT_BUTTON); });
    RunInstaller();
  }
};

// Cancel or the close box, on the welcome page or the operation page, ends without a message or
// a change. Both pages show the installer's icon, big and small.
TEST_F(Installer, CancelOrTheCloseBoxOnEitherPageEndsChangingNothing) {
  const LRESULT icon = reinterpret_cast<LRESULT>(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(128)));
  ASSERT_NE(0, icon);
  for (bool operationPage : {false, true}) {
    for (bool closeBox : {false, true}) {
      SCOPED_TRACE(std::string(operationPage ? "operation page, " : "welcome page, ") + (closeBox ? "close box" : "Cancel"));
      Again();
      if (operationPage) ClickNextOnWelcome();
      memory::OnDialog(kPageCaption, [=](DialogUser& page) {
        if (!operationPage) {
          EXPECT_EQ("&Next >", page.Text(IDOK));
        }
        EXPECT_EQ(icon, SendMessageA(page.Handle(), WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(icon, SendMessageA(page.Handle(), WM_GETICON, ICON_SMALL, 0));
        closeBox ? page.CloseBox() : page.Click(IDCANCEL);
      });
      EXPECT_FALSE(RunInstaller());
      EXPECT_TRUE(memory::MessageBoxes().empty());
      EXPECT_EQ(0u, memory::PendingScripts());
      EXPECT_FALSE(KeyExists(kServiceKey));
      EXPECT_FALSE(memory::FileExists(DriverImage()));
      EXPECT_TRUE(memory::Executed().empty());
      EXPECT_TRUE(memory::ServiceCalls().empty());
    }
  }
}

// The status line says each long step before it begins: what it read when the driver stopped and
// when it started.
std::vector<std::string> stepsSeen;
void SeeStep() {
  char text[128] = "";
  GetDlgItemTextA(GetActiveWindow(), IDC_STATUS_TEXT, text, sizeof text);
  stepsSeen.push_back(text);
}

// An INF named in capitals is found too, and the page gives its name in capitals.
TEST_F(Installer, InstallsTheDriverStartsItAndOpensTheApplet) {
  for (const std::string inf : {"norvo.inf", "NORVO.INF"}) {
    SCOPED_TRACE(inf);
    Again();
    memory::RemoveFile(std::string(kPackageDir) + "norvo.inf");
    LayOutPackage(inf);
    memory::ServiceBehaviour driver;
    driver.onRunning = SeeStep;
    memory::ServiceDefaults("norvo", driver);
    stepsSeen.clear();
    ClickNextOnWelcome();
    memory::OnDialog(kPageCaption, [=](DialogUser& page) {
      EXPECT_EQ("Installation File: " + inf.substr(0, 6) + "INF", page.Text(IDC_INF_FILE_TEXT));
      EXPECT_EQ("Please select the operation to perform...", page.Text(IDC_STATUS_TEXT));
      EXPECT_EQ(1, page.Checked(IDC_INSTALL_RADIO));
      EXPECT_EQ(0, page.Checked(IDC_UNINSTALL_RADIO));
      page.Key(VK_RETURN);  // Next is the default button
      EXPECT_FALSE(page.Ended());
      EXPECT_EQ("The operation was completed successfully and the driver\nhas been started.", page.Text(IDC_STATUS_TEXT));
      EXPECT_EQ("Exit", page.Text(IDC_NEXT_BUTTON));
      EXPECT_EQ(page.Item(IDC_NEXT_BUTTON), page.Focus());
      EXPECT_FALSE(page.Enabled(IDC_INSTALL_RADIO));
      EXPECT_FALSE(page.Enabled(IDC_UNINSTALL_RADIO));
      EXPECT_FALSE(page.Enabled(IDCANCEL));
      page.Click(IDC_NEXT_BUTTON);
    });
    EXPECT_FALSE(RunInstaller());
    EXPECT_EQ(0u, memory::PendingScripts());
    EXPECT_TRUE(memory::MessageBoxes().empty());
    EXPECT_TRUE(memory::FileExists(DriverImage()));
    EXPECT_TRUE(memory::FileExists(AppletFile()));
    EXPECT_EQ("COM", StringValue(std::string(kServiceKey) + "\\Parameters", "PortNamePrefix"));
    for (const char* port : {"NorvoP1", "NorvoP2", "NorvoP3", "NorvoP4"})
      EXPECT_TRUE(KeyExists(std::string(kServiceKey) + "\\Parameters\\" + port)) << port;
    EXPECT_EQ(std::string(memory::kSystemDirectory) + "\\drivers\\norvo.sys", StringValue(kServiceKey, "ImagePath"));
    ASSERT_NE(nullptr, memory::FindService("norvo"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), memory::FindService("norvo")->state);
    EXPECT_EQ((std::vector<std::string>{ControlPanel()}), memory::Executed());
    EXPECT_EQ(0, memory::OpenSetupObjects());
    EXPECT_EQ(0, memory::OpenKeyCount());
    EXPECT_EQ(0, memory::OpenServiceHandles());
    EXPECT_EQ((std::vector<std::string>{"Starting the driver..."}), stepsSeen);
  }
}

TEST_F(Installer, OnAGermanWindowsItsPagesAndMessagesAreGerman) {
  static const char kPages[] = "Installation der seriellen Norvo-cPCI-Anschl\xFCsse f\xFCr Windows NT4";
  memory::SetUserLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  memory::OnDialog(kPages, [](DialogUser& welcome) {
    EXPECT_EQ("&Weiter >", welcome.Text(IDOK));
    EXPECT_EQ("Abbrechen", welcome.Text(IDCANCEL));
    welcome.Click(IDOK);
  });
  memory::OnDialog(kPages, [](DialogUser& page) {
    EXPECT_EQ("Installationsdatei: norvo.INF", page.Text(IDC_INF_FILE_TEXT));
    EXPECT_EQ("Bitte w\xE4hlen Sie den gew\xFCnschten Vorgang aus...", page.Text(IDC_STATUS_TEXT));
    page.Click(IDC_NEXT_BUTTON);
    EXPECT_EQ("Der Vorgang wurde erfolgreich abgeschlossen, und der\nTreiber wurde gestartet.", page.Text(IDC_STATUS_TEXT));
    EXPECT_EQ("Beenden", page.Text(IDC_NEXT_BUTTON));
    page.Click(IDC_NEXT_BUTTON);
  });
  RunInstaller();
  EXPECT_TRUE(memory::MessageBoxes().empty());

  // Every German locale gets them: Germany, Switzerland, Austria, Luxembourg, Liechtenstein.
  memory::RemoveFile(std::string(kPackageDir) + "norvo.inf");
  for (WORD country = SUBLANG_GERMAN; country <= 5; ++country) {
    SCOPED_TRACE(country);
    memory::SetUserLocale(MAKELCID(MAKELANGID(LANG_GERMAN, country), SORT_DEFAULT));
    memory::OnDialog(kPages, [](DialogUser& welcome) { welcome.Click(IDOK); });
    EXPECT_FALSE(RunInstaller());
    ASSERT_EQ(country, memory::MessageBoxes().size());
    EXPECT_EQ("Das Installationsprogramm (NORVOINST.EXE) konnte die INF-Datei in seinem Ordner nicht finden.",
              memory::MessageBoxes().back().text);
    EXPECT_EQ("Setup-Fehler", memory::MessageBoxes().back().caption);
  }
  EXPECT_EQ(0u, memory::PendingScripts());
}

// The Control Panel is the system directory's, quoted when its path has a blank; the bare name
// (found on the path) when the system cannot say where that is or the name does not fit.
TEST_F(Installer, OpensTheSystemDirectorysControlPanelQuotedWhenItsPathHasABlank) {
  const struct {
    std::string directory, command;
  } cases[] = {
      {"C:\\Win NT\\system32", "\"C:\\Win NT\\system32\\control.exe\" norvo.cpl"},
      {"", "control.exe norvo.cpl"},
      {"C:\\" + std::string(MAX_PATH - 3, 's'), "control.exe norvo.cpl"},  // MAX_PATH characters: no room for the NUL
  };
  for (const auto& c : cases) {
    Again();
    memory::SetSystemDirectory(c.directory);
    memory::PutFile(c.directory + "\\control.exe");
    Install();
    EXPECT_EQ((std::vector<std::string>{c.command}), memory::Executed()) << c.directory;
  }
}

// Also with a path near the system's limit, the message shows it whole.
TEST_F(Installer, AFileThatIsNotAWindows4InfIsRefusedAndTheOperationFails) {
  for (const std::string& dir : {std::string(kPackageDir), "C:\\" + std::string(230, 'd') + "\\"}) {
    Again(false);
    const std::string inf = dir + "norvo.inf";
    memory::SetModulePath(dir + "norvoinst.exe");
    memory::PutTextFile(inf, "[Install]\nCopyFiles=DriverFiles\n");
    Operate(true, [](DialogUser&) { ADD_FAILURE() << "the page should have closed"; });
    RunInstaller();
    ASSERT_EQ(2u, memory::MessageBoxes().size());
    EXPECT_EQ("'" + inf + "' is not a valid INF file!", memory::MessageBoxes()[0].text);
    EXPECT_EQ(kCaption, memory::MessageBoxes()[0].caption);
    EXPECT_NE(nullptr, memory::MessageBoxes()[0].owner);
    EXPECT_EQ(kErrorText, memory::MessageBoxes()[1].text);
    EXPECT_EQ(kErrorCaption, memory::MessageBoxes()[1].caption);
    EXPECT_EQ(nullptr, memory::MessageBoxes()[1].owner);
    EXPECT_EQ((std::vector<std::string>{inf}), memory::DebugOutput());
    EXPECT_TRUE(memory::Executed().empty());
  }
}

// The system's prompt for a missing file. Cancel fails without an error box. "Try again at the
// same place" for ever (as a user may answer, and as some SetupAPI implementations answer without
// asking) must not loop: after five tries the operation fails with the reason, having copied
// nothing. The count is per file: a file put in place at its fifth prompt is copied, and the next
// missing file gets five tries of its own.
TEST_F(Installer, AMissingFileIsAskedForFiveTimesThenFailsWithTheReasonUnlessSuppliedOrCancelled) {
  const std::string driver = std::string(kPackageDir) + "norvo.sys", applet = std::string(kPackageDir) + "norvo.cpl";
  const std::vector<std::string> prompts(5, "Files Needed");
  for (const char* answer : {"Cancel", "OK", "supplied at the fifth"}) {
    SCOPED_TRACE(answer);
    Again();
    const bool supplied = answer[0] == 's';
    std::vector<std::string> captions{"Files Needed", kErrorCaption};
    if (answer[0] == 'O') captions = prompts, captions.insert(captions.end(), {kCaption, kErrorCaption});
    if (supplied) captions = prompts, captions.insert(captions.end(), prompts.begin(), prompts.end());
    memory::RemoveFile(driver);
    if (supplied) memory::RemoveFile(applet);
    Operate(true, [=](DialogUser& page) {
      if (!supplied) ADD_FAILURE() << "the page should have closed";
      page.Click(IDC_NEXT_BUTTON);
    });
    if (answer[0] == 'C') memory::OnMessageBox("Files Needed", [](DialogUser& prompt) { prompt.Click(IDCANCEL); });
    for (const std::string& file : supplied ? std::vector<std::string>{driver, applet} : std::vector<std::string>{})
      for (int i = 1; i <= 5; ++i)
        memory::OnMessageBox("Files Needed", [=](DialogUser& prompt) {
          if (i == 5) memory::PutFile(file);
          prompt.Click(IDOK);
        });
    RunInstaller();  // prompts not scripted are answered with their default button, OK
    EXPECT_EQ(captions, Captions());
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), memory::MessageBoxes()[0].type);  // no Skip for the driver
    if (answer[0] == 'O') {
      EXPECT_EQ("The system cannot find the file specified.", memory::MessageBoxes()[5].text);
    }
    EXPECT_EQ(supplied, memory::FileExists(DriverImage()));
    EXPECT_EQ(supplied, memory::FileExists(AppletFile()));
    EXPECT_EQ(supplied ? std::vector<std::string>{ControlPanel()} : std::vector<std::string>{}, memory::Executed());
    EXPECT_EQ(0, memory::OpenSetupObjects());
  }
}

TEST_F(Installer, UninstallSkipsAFileThatIsAlreadyGoneAndRemovesEverything) {
  Install();
  memory::RemoveFile(AppletFile());
  size_t startsBefore = std::count(memory::ServiceCalls().begin(), memory::ServiceCalls().end(), "StartServiceA norvo");

  Operate(false, [](DialogUser& page) {
    EXPECT_EQ("The operation was completed successfully.", page.Text(IDC_STATUS_TEXT));
    page.Click(IDC_NEXT_BUTTON);
  });
  RunInstaller();
  EXPECT_TRUE(memory::MessageBoxes().empty());
  EXPECT_FALSE(memory::FileExists(DriverImage()));
  EXPECT_FALSE(KeyExists(std::string(kServiceKey) + "\\Parameters"));
  EXPECT_EQ(nullptr, memory::FindService("norvo"));
  EXPECT_EQ(ControlPanel(), memory::Executed().back());
  // The uninstall too sent a stop request, and no start.
  const auto& calls = memory::ServiceCalls();
  EXPECT_EQ(startsBefore, static_cast<size_t>(std::count(calls.begin(), calls.end(), "StartServiceA norvo")));
  EXPECT_NE(calls.end(), std::find(calls.begin(), calls.end(), "ControlService norvo 1"));
  // A removal on a machine without the driver leaves no key of it behind.
  Operate(false, [](DialogUser& page) { page.Click(IDC_NEXT_BUTTON); });
  RunInstaller();
  EXPECT_FALSE(KeyExists(kServiceKey));
}

// A reinstall that fails after its copies (the new disk's service section names no image) puts
// back the files it replaced and starts the old driver again, once it has stopped, before the
// closing message, which says how the driver is; a driver that would not stop just keeps running.
TEST_F(Installer, AFailedReinstallPutsTheOldDriverBackAndSaysWhetherItRuns) {
  const std::string notRestarted =
      "\n\nThe driver that was running before has been stopped and could not be started again.\nReason: ";
  struct Case {
    DWORD stopError, startError;
    int queriesToStop;  // how long it takes to stop: 15 polls, or longer than the 20 waited for
    DWORD end;          // the driver's state at the end
    std::string note;
  } cases[] = {
      {0, 0, 0, SERVICE_RUNNING, "\n\nThe driver that was running before is running again."},
      {0, 0, 15, SERVICE_RUNNING, "\n\nThe driver that was running before is running again."},
      {ERROR_INVALID_SERVICE_CONTROL, 0, 0, SERVICE_RUNNING, "\n\nThe driver that was running before is still running."},
      {0, ERROR_BAD_EXE_FORMAT, 0, SERVICE_STOPPED, notRestarted + "%1 is not a valid Win32 application."},
      {0, 0, 100, SERVICE_STOP_PENDING,
       notRestarted + "The service did not respond to the start or control request in a timely fashion."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.note + " " + std::to_string(c.queriesToStop));
    Again(false);
    std::string inf = PackageInf();
    inf.erase(inf.find("ServiceBinary="), inf.find('\n', inf.find("ServiceBinary=")) - inf.find("ServiceBinary="));
    LayOutPackage("norvo.inf", inf);
    memory::PutTextFile(DriverImage(), "the old driver");
    memory::ServiceBehaviour running;
    running.state = SERVICE_RUNNING;
    running.stopError = c.stopError;
    running.startError = c.startError;
    running.queriesToStop = c.queriesToStop;
    memory::AddService("norvo", running);
    Operate(true, [](DialogUser&) { ADD_FAILURE() << "the page should have closed"; });
    RunInstaller();
    ASSERT_EQ((std::vector<std::string>{kCaption, kErrorCaption}), Captions());
    EXPECT_EQ("The INF file's service installation section is not valid. (Error 0xE0000217)", memory::MessageBoxes()[0].text);
    EXPECT_EQ(kErrorText + c.note, memory::MessageBoxes()[1].text);
    EXPECT_EQ("the old driver", memory::FileText(DriverImage()));
    EXPECT_FALSE(memory::FileExists(DriverImage() + ".old"));
    EXPECT_EQ(c.end, memory::FindService("norvo")->state);
    EXPECT_EQ(0, memory::OpenServiceHandles());
  }
}

// A file in use (the applet, with the Control Panel open) is replaced or removed when the
// computer restarts: the status line says so and the restart prompt follows "Exit". Where even
// the restart's list cannot be written, a removal names the file that stays, and an install
// fails with nothing replaced and no old copy left.
TEST_F(Installer, FilesInUseAreReplacedOrRemovedAtTheRestartOrNamedWhenTheyStay) {
  const std::string applet = AppletFile(), done = "The operation was completed successfully. Files in use\nare ";
  struct Case {
    bool install, listWritable;
    std::string status, pending, closing;
  } cases[] = {
      {true, true, done + "replaced when the computer restarts.",
       "\\??\\" + applet + ".new" + '\0' + "!\\??\\" + applet + std::string(2, '\0'), ""},
      {false, true, done + "removed when the computer restarts.", "\\??\\" + applet + std::string(3, '\0'), ""},
      {false, false, "", "<no value>",
       kErrorText + std::string("\n\nThe file ") + applet +
           " could not be removed, nor be marked for removal when the computer restarts.\n"
           "Reason: The process cannot access the file because it is being used by another process."},
      {true, false, "", "<no value>", kErrorText + std::string("\n\nThe driver that was running before is running again.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    Again();
    Install();
    memory::LockFile(applet, true);
    memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kSessionManager, !c.listWritable);
    Operate(c.install, [&](DialogUser& page) {
      EXPECT_EQ(c.status, page.Text(IDC_STATUS_TEXT));
      page.Click(IDC_NEXT_BUTTON);
    });
    if (c.listWritable) memory::OnMessageBox("System Settings Change", [](DialogUser& prompt) { prompt.Click(IDNO); });
    RunInstaller();
    EXPECT_EQ(0u, memory::PendingScripts());
    EXPECT_EQ(c.pending, PendingRenames());
    EXPECT_TRUE(memory::FileExists(applet));
    EXPECT_EQ(c.install, memory::FileExists(DriverImage()));
    EXPECT_FALSE(memory::FileExists(DriverImage() + ".old") || memory::FileExists(applet + ".old"));
    if (!c.listWritable) {
      ASSERT_EQ(kErrorCaption, Captions().back());
      EXPECT_EQ(c.closing, memory::MessageBoxes().back().text);
      EXPECT_EQ(c.install, memory::FindService("norvo") != nullptr);
    }
  }
}

// A copy beside a file that cannot be made (a file of its name in the way, here held open) stops
// the install, the files it replaced go back, and the message names the copy: its reason alone
// would point elsewhere.
TEST_F(Installer, ACopyBesideAFileThatCannotBeMadeIsNamedAndNothingIsReplaced) {
  const std::string applet = AppletFile(), from = std::string(kPackageDir) + "norvo.cpl", to = applet + ".new";
  Install();
  memory::PutTextFile(to, "in the way");
  memory::LockFile(to, true);
  memory::LockFile(applet, true);
  memory::PutTextFile(std::string(kPackageDir) + "norvo.sys", "a newer driver");
  Operate(true, [](DialogUser&) { ADD_FAILURE() << "the page should have closed"; });
  RunInstaller();
  ASSERT_EQ((std::vector<std::string>{kCaption, kErrorCaption}), Captions());
  EXPECT_EQ("Setup could not copy " + from + " to " + to +
                ". Under that name setup keeps the old or the new contents of a file it replaces.\nReason: The process "
                "cannot access the file because it is being used by another process.\n\nIf a file or folder of that "
                "name is in the way, delete or move it, then run setup again.",
            memory::MessageBoxes()[0].text);
  EXPECT_NE("a newer driver", memory::FileText(DriverImage()));
  EXPECT_EQ("in the way", memory::FileText(to));
}

// A removal whose driver will not stop, or is still stopping after the 20 polls: the status line
// says it runs until the restart (and that a held file stays till then too), and the restart
// prompt follows "Exit" as after an install that found it running. Only "Exit" (the page's OK)
// leads to the prompt; Esc on the finished page ends quietly. A refused stop is not waited for; a
// driver that is only slow to stop (15 polls) is waited for, and is not called running.
TEST_F(Installer, ADriverThatCouldNotBeStoppedIsNamedAndTheRestartOfferedAfterExit) {
  const std::string done = "The operation was completed successfully.", runsOn = done + " The driver\nkeeps running until the computer restarts.";
  const struct {
    bool install;
    DWORD stopError;
    int queriesToStop;
    bool held;
    std::string status;
    DWORD slept;
    bool exit;  // or Esc
  } cases[] = {
      {false, ERROR_INVALID_SERVICE_CONTROL, 0, false, runsOn, 0, true},
      {false, 0, 15, false, done, 7500, true},
      {false, 0, 100, false, runsOn, 10000, true},
      {false, ERROR_INVALID_SERVICE_CONTROL, 0, true, done + " The driver and\nfiles in use stay until the computer restarts.", 0, true},
      {true, ERROR_INVALID_SERVICE_CONTROL, 0, false, done, 0, true},
      {true, ERROR_INVALID_SERVICE_CONTROL, 0, false, done, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Again();
    memory::ServiceBehaviour running;
    running.state = SERVICE_RUNNING;
    running.stopError = c.stopError;
    running.queriesToStop = c.queriesToStop;
    running.onStopped = SeeStep;
    stepsSeen.clear();
    memory::AddService("norvo", running);
    memory::PutFile(AppletFile());
    memory::LockFile(AppletFile(), c.held);
    Operate(c.install, [=](DialogUser& page) {
      EXPECT_EQ(c.status, page.Text(IDC_STATUS_TEXT));
      EXPECT_TRUE(memory::MessageBoxes().empty());
      c.exit ? page.Click(IDC_NEXT_BUTTON) : page.Key(VK_ESCAPE);
    });
    bool prompt = c.exit && (c.install || c.status != done);  // all but the slow removal's driver run on
    if (prompt) memory::OnMessageBox("System Settings Change", [](DialogUser& prompt) { prompt.Click(IDNO); });
    EXPECT_FALSE(RunInstaller());
    EXPECT_EQ(std::vector<std::string>(prompt ? 1 : 0, "System Settings Change"), Captions());
    EXPECT_EQ(0u, memory::PendingScripts());
    EXPECT_TRUE(memory::RestartRequests().empty());
    EXPECT_EQ(c.slept, memory::Clock());
    EXPECT_EQ(std::vector<std::string>(!c.install && c.status == done, "Stopping the driver..."), stepsSeen);
  }
}

// A driver that does not start (disabled; added under another name than its INF's) is reported
// with its code, and the install counts as done: the status line does not say it started.
TEST_F(Installer, ADriverThatDoesNotStartIsReportedAsInstalledButNotStarted) {
  for (auto edit : {std::make_pair("StartType=1", "StartType=4"), std::make_pair("AddService=norvo,", "AddService=norvodrv,")}) {
    Again();
    std::string inf = PackageInf(), from = edit.first;
    memory::PutTextFile(std::string(kPackageDir) + "norvo.inf", inf.replace(inf.find(from), from.size(), edit.second));
    Operate(true, [](DialogUser& page) {
      EXPECT_EQ("The operation was completed successfully.", page.Text(IDC_STATUS_TEXT));
      page.Click(IDC_NEXT_BUTTON);
    });
    RunInstaller();
    ASSERT_EQ(1u, memory::MessageBoxes().size());
    EXPECT_EQ(std::string("The device was installed correctly but could not be started\n[Error: 0x0000042") +
                  (from[0] == 'S' ? "2]" : "4]"),
              memory::MessageBoxes()[0].text);
    EXPECT_EQ(kCaption, memory::MessageBoxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), memory::MessageBoxes()[0].type);
    EXPECT_EQ(ControlPanel(), memory::Executed().back());
  }
}

// A damaged INF (a section missing, or the file cut short before its [Strings]) is named before
// anything is changed, over a clean machine and over a working install, which stays as it was;
// one that does not give the driver its settings key fails after the files, and leaves no key.
TEST_F(Installer, ADamagedInfIsNamedBeforeAnythingIsChanged) {
  const std::string inf = std::string(kPackageDir) + "norvo.inf", damaged = "The INF file " + inf + " may be damaged: ";
  const std::string again = "\n\nCopy the files of the driver disk again, then run setup again.";
  auto edited = [](const std::string& what, const std::string& with) {
    std::string text = PackageInf();
    return text.replace(text.find(what), with == "<cut>" ? std::string::npos : what.size(), with == "<cut>" ? "" : with);
  };
  const struct {
    std::string text, message;
  } cases[] = {
      {"[Version]\nSignature=\"$Windows NT$\"\n", damaged + "its section [Install] is missing or empty. Nothing has been changed." + again},
      {edited("[NorvoService]", "[Other]"), damaged + "its section [NorvoService] is missing or empty. Nothing has been changed." + again},
      {edited("[Strings]", "<cut>"), damaged + "its section [DriverParameters] uses the name %Parameters%, which the file does "
                                               "not define (its [Strings] section may be cut short). Nothing has been changed." + again},
      {edited("AddReg=DriverParameters\n", ""), "The installation did not create the driver's settings key HKEY_LOCAL_MACHINE\\" +
                                                    std::string(kServiceKey) + "\\Parameters: the INF file " + inf +
                                                    " may be damaged. The files it replaced have been put back." + again},
  };
  for (bool working : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.message + (working ? " (over a working install)" : ""));
      if (working && c.message[4] == 'i') continue;  // a working install has its settings key
      Again();
      if (working) {
        memory::PutTextFile(std::string(kPackageDir) + "norvo.sys", "the old driver");
        Install();
        memory::PutTextFile(std::string(kPackageDir) + "norvo.sys", "a newer driver");
      }
      memory::PutTextFile(inf, c.text);
      Operate(true, [](DialogUser&) { ADD_FAILURE() << "the page should have closed"; });
      RunInstaller();
      ASSERT_EQ((std::vector<std::string>{kCaption, kErrorCaption}), Captions());
      EXPECT_EQ(c.message, memory::MessageBoxes()[0].text);
      EXPECT_NE(nullptr, memory::MessageBoxes()[0].owner);
      EXPECT_EQ(kErrorText, memory::MessageBoxes()[1].text);  // no driver was stopped
      EXPECT_EQ(working ? "the old driver" : "", memory::FileText(DriverImage()));
      EXPECT_EQ(working, KeyExists(kServiceKey));
      EXPECT_EQ(working, KeyExists(std::string(kServiceKey) + "\\Parameters"));
      EXPECT_EQ(working ? "Norvo PCI/cPCI serial driver" : "<no key>", StringValue(kServiceKey, "DisplayName"));
      EXPECT_EQ(working, memory::FindService("norvo") && memory::FindService("norvo")->state == SERVICE_RUNNING);
      EXPECT_EQ(0, memory::OpenSetupObjects());
      EXPECT_EQ(0, memory::OpenKeyCount());
    }
  }
}

// The installer looks only in its own directory: when the system cannot tell it where that is,
// it does not fall back on the current directory.
TEST_F(Installer, AProgramNameTheSystemCannotReportFindsNoInf) {
  std::string longDir = "C:\\" + std::string(250, 'd') + "\\";
  // A failure; a name cut short; a program with no INF beside it (one in another directory).
  for (const std::string& program : {std::string(), longDir + "norvoinst.exe", std::string(kPackageDir) + "norvoinst.exe"}) {
    Again(false);
    memory::PutTextFile("norvo.inf", PackageInf());  // what a search of the current directory finds
    memory::PutTextFile("C:\\norvo.inf", PackageInf());
    memory::PutTextFile(longDir + "norvo.inf", PackageInf());
    memory::SetModulePath(program);
    ClickNextOnWelcome();
    EXPECT_FALSE(RunInstaller());
    ASSERT_EQ(1u, memory::MessageBoxes().size()) << program;
    EXPECT_EQ("Setup could not find a localised INF file", memory::MessageBoxes()[0].text);
    EXPECT_EQ("Setup Error", memory::MessageBoxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[0].type);
    EXPECT_EQ(nullptr, memory::MessageBoxes()[0].owner);
    EXPECT_EQ(0u, memory::PendingScripts());
  }
  // 259 characters and the NUL fill the buffer exactly: the name is whole.
  Again(false);
  std::string dir = "C:\\" + std::string(242, 'd') + "\\";
  ASSERT_EQ(259u, (dir + "norvoinst.exe").size());
  memory::SetModulePath(dir + "norvoinst.exe");
  memory::PutTextFile(dir + "norvo.inf", PackageInf());
  ClickNextOnWelcome();
  memory::OnDialog(kPageCaption, [](DialogUser& page) {
    EXPECT_EQ("Installation File: norvo.INF", page.Text(IDC_INF_FILE_TEXT));
    page.Click(IDCANCEL);
  });
  RunInstaller();
  EXPECT_EQ(0u, memory::PendingScripts());
  EXPECT_TRUE(memory::MessageBoxes().empty());
}

}  // namespace
