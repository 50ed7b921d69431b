// "Apply and Exit": every way through it, as the user and the driver see it.
#include <gtest/gtest.h>

#include <algorithm>

#include "AppletTestSupport.h"
#include "PortConfigDialog.h"

using memory::DialogUser;

namespace {

const char kConfig[] = "Norvo Configuration";

const char kSetup[] = "Norvo Setup";

class ApplyChanges : public testing::Test {
 protected:
  void SetUp() override {
    InstallThreePorts();
    for (const char* device : {"COM2", "COM9", "COM10"}) memory::AddDevice(device);
    // The driver reads its port values when it starts, as the real one does.
    memory::ServiceBehaviour driver;
    driver.state = SERVICE_RUNNING;
    driver.onRunning = [this] {
      ++starts;
      loadedTx = ReadValue(std::string(kParameters) + "\\NorvoP2", "TxFIFO").AsInt();
    };
    memory::AddService("norvo", driver);
    memory::ForgetRegistryWrites();
  }

  // Opens the dialog, lets the script act (and the prompt scripts answer the ports-in-use
  // prompts that follow), and checks that every handle was given back.
  INT_PTR Run(std::function<void(DialogUser&)> script, std::vector<std::function<void(DialogUser&)>> prompts = {}) {
    memory::OnDialog(kConfig, std::move(script));
    for (auto& prompt : prompts) memory::OnDialog(kSetup, std::move(prompt));
    INT_PTR result = dialog.DoModal();
    EXPECT_EQ(0u, memory::PendingScripts());
    EXPECT_EQ(0, memory::OpenKeyCount());
    EXPECT_EQ(0, memory::OpenServiceHandles());
    EXPECT_EQ(0, memory::OpenDeviceHandles());
    EXPECT_EQ(0, memory::LiveLocalBlocks());
    return result;
  }

  // A fresh machine for a test's next case.
  void Again() {
    memory::Reset();
    starts = 0;
    SetUp();
  }

  bool ServiceTouched() const {
    for (const std::string& call : memory::ServiceCalls())
      if (call.rfind("ControlService", 0) == 0 || call.rfind("StartServiceA", 0) == 0) return true;
    return false;
  }

  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& box : memory::MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  PortConfigDialog dialog;
  int starts = 0;
  int32_t loadedTx = 0;
};

TEST_F(ApplyChanges, StoresEveryPortInOrderThenRestartsTheDriverWhichLoadsTheNewValues) {
  EXPECT_EQ(IDOK, Run([](DialogUser& user) {
              user.Drag(IDC_TX_SLIDER, 99);
              user.Key(VK_RETURN);  // "Apply and Exit" is the default button
            }));
  std::vector<std::string> expected;
  for (const char* port : {"NorvoP2", "NorvoP9", "NorvoP10"})
    for (const char* value : {"RS485Mode", "TxFIFO", "RxFIFO"})
      expected.push_back(std::string(kParameters) + "\\" + port + "\\" + value);
  EXPECT_EQ(expected, memory::RegistryWrites());
  StoredValue tx = ReadValue(std::string(kParameters) + "\\NorvoP10", "TxFIFO");
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), tx.type);
  EXPECT_EQ((std::vector<BYTE>{127, 0, 0, 0}), tx.data);
  EXPECT_EQ(1, starts);
  EXPECT_EQ(99, loadedTx);
  EXPECT_TRUE(memory::MessageBoxes().empty());

  const std::vector<std::string>& calls = memory::ServiceCalls();
  auto control = std::find(calls.begin(), calls.end(), "ControlService norvo 1");
  auto start = std::find(calls.begin(), calls.end(), "StartServiceA norvo");
  EXPECT_TRUE(control < start && start != calls.end());
}

// Another program (a second window of the applet, say) stores settings while this window is
// open: Apply names the ports it changed; No stores nothing and keeps the window, Yes stores this
// window's values as usual. The same values written back in another type are no change.
TEST_F(ApplyChanges, SettingsAnotherProgramStoredMeanwhileAreNotReplacedUnseen) {
  const std::string question =
      "Another program has changed the settings of these ports since this window was opened: COM9, COM10.\n\n"
      "Store the settings shown in this window for all ports anyway?\nNo stores nothing and returns to this window.";
  auto otherProgram = [] {
    SetLevel("NorvoP9", "TxFIFO", 7);
    SetLevel("NorvoP10", "RS485Mode", 1);
    SetLevel("NorvoP2", "TxFIFO", 64, REG_DWORD);  // the value it had
    memory::ForgetRegistryWrites();
  };
  EXPECT_EQ(IDCANCEL, Run([&](DialogUser& user) {
              user.Drag(IDC_TX_SLIDER, 99);
              otherProgram();
              memory::OnMessageBox(kSetup, [](DialogUser& box) { box.Click(IDNO); });
              user.Click(IDOK);
              EXPECT_FALSE(user.Ended());
              user.Click(IDC_CANCEL_BUTTON);
            }));
  ASSERT_EQ(1u, memory::MessageBoxes().size());
  EXPECT_EQ(question, memory::MessageBoxes()[0].text);
  EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), memory::MessageBoxes()[0].type);
  EXPECT_TRUE(memory::RegistryWrites().empty());
  EXPECT_FALSE(ServiceTouched());
  EXPECT_EQ(7, ReadValue(std::string(kParameters) + "\\NorvoP9", "TxFIFO").AsInt());

  Again();
  EXPECT_EQ(IDOK, Run([&](DialogUser& user) {
              otherProgram();
              user.Click(IDOK);  // the box's default button, Yes
            }));
  EXPECT_EQ(std::vector<std::string>{question}, Boxes());
  EXPECT_EQ(16, ReadValue(std::string(kParameters) + "\\NorvoP9", "TxFIFO").AsInt());
  EXPECT_EQ(1, starts);
}

// A port whose device is gone counts as free.
TEST_F(ApplyChanges, OpensEachPortExclusivelyForOverlappedUseAndClosesItAtOnce) {
  memory::RemoveDevice("COM2");
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(IDOK); }));
  EXPECT_EQ(1, starts);
  ASSERT_EQ(3u, memory::DeviceOpens().size());
  const memory::DeviceOpen& open = memory::DeviceOpens()[0];
  EXPECT_EQ("\\\\.\\COM2", open.path);
  EXPECT_EQ(0xC0000000u, open.access);
  EXPECT_EQ(0u, open.share);
  EXPECT_EQ(static_cast<DWORD>(OPEN_EXISTING), open.disposition);
  EXPECT_EQ(0x40000080u, open.flags);
  EXPECT_EQ("\\\\.\\COM10", memory::DeviceOpens()[2].path);
}

// The prefix is trimmed and upper-cased, and accepted with spaces inside. An empty one, or one
// with a character a device name cannot hold, keeps the dialog open (with the same answer every
// time) with nothing written and the driver untouched.
TEST_F(ApplyChanges, ThePrefixIsTrimmedAndUpperCasedAndAnInvalidOneKeepsTheDialogOpen) {
  struct Prefix {
    std::string stored, held;
    bool valid;
  };
  std::vector<Prefix> prefixes = {{" \tcom ", "COM", true}, {"Com1", "COM1", true}, {"CO M.1", "CO M.1", true},
                                  {"\vazaz\f", "AZAZ", true}, {"z", "Z", true}, {" \t ", "", false}, {"", "", false}};
  for (char c : std::string("\\/*?|<>:\"")) prefixes.push_back({std::string(" co") + c + "z ", std::string("CO") + c + "Z", false});
  for (const Prefix& prefix : prefixes) {
    SCOPED_TRACE(prefix.stored);
    Again();
    SetString(kParameters, "PortNamePrefix", prefix.stored);
    memory::ForgetRegistryWrites();
    PortConfigDialog fresh;
    memory::OnDialog(kConfig, [&](DialogUser& user) {
      user.Click(IDOK);
      if (prefix.valid) return;
      EXPECT_FALSE(user.Ended());
      user.Click(IDOK);
      user.Click(IDC_CANCEL_BUTTON);
    });
    EXPECT_EQ(prefix.valid ? IDOK : IDCANCEL, fresh.DoModal());
    EXPECT_EQ(prefix.held, fresh.portNamePrefix);
    EXPECT_EQ(std::vector<std::string>(prefix.valid ? 0 : 2, "Invalid Port Name."), Boxes());
    for (const auto& box : memory::MessageBoxes()) {
      EXPECT_EQ(kSetup, box.caption);
      EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), box.type);
    }
    EXPECT_EQ(prefix.valid, !memory::RegistryWrites().empty());
    EXPECT_EQ(prefix.valid, !memory::DeviceOpens().empty());
    EXPECT_EQ(prefix.valid, ServiceTouched());
  }
}

TEST_F(ApplyChanges, OnAGermanWindowsItsWindowsAndMessagesAreGerman) {
  memory::SetUserLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  SetString(kParameters, "PortNamePrefix", "");
  memory::OnDialog("Norvo-Konfiguration", [](DialogUser& user) {
    EXPECT_EQ("\xDC" "bernehmen und beenden", user.Text(IDOK));
    EXPECT_EQ("Niedrig (1)", user.Text(IDC_RX_LOW_TEXT));
    EXPECT_EQ("Hoch (127)", user.Text(IDC_TX_HIGH_TEXT));
    char about[16] = "";
    GetMenuStringA(GetSystemMenu(user.Handle(), FALSE), 16, about, sizeof about, MF_BYCOMMAND);
    EXPECT_STREQ("&Info ...", about);
    user.SystemMenu(16);
    user.Click(IDOK);
    user.Click(IDC_CANCEL_BUTTON);
  });
  memory::OnDialog("Info ", [](DialogUser& about) { about.Key(VK_RETURN); });
  dialog.DoModal();
  ASSERT_EQ(1u, memory::MessageBoxes().size());
  EXPECT_EQ("Ung\xFCltiger Anschlussname.", memory::MessageBoxes()[0].text);
  EXPECT_EQ("Norvo-Setup", memory::MessageBoxes()[0].caption);

  SetString(kParameters, "PortNamePrefix", "COM");
  memory::HoldDevice("COM9", true);
  memory::OnDialog("Norvo-Konfiguration", [](DialogUser& user) { user.Click(IDOK); });
  memory::OnDialog("Norvo-Setup", [](DialogUser& prompt) {
    EXPECT_EQ("&Wiederholen", prompt.Text(IDOK));
    EXPECT_EQ("&Sp\xE4ter \xFC" "bernehmen", prompt.Text(IDCANCEL));
    EXPECT_EQ("Windows &neu starten", prompt.Text(1076));
    prompt.Click(IDCANCEL);
  });
  PortConfigDialog again;
  EXPECT_EQ(IDOK, again.DoModal());
  EXPECT_EQ(0u, memory::PendingScripts());
}

TEST_F(ApplyChanges, WhileAPortIsHeldOpenTheUserCanRetryUntilItIsFreed) {
  memory::HoldDevice("COM9", true);
  int prompts = 0;
  auto retryWhileHeld = [&](DialogUser& prompt) {
    ++prompts;
    // Everything is stored before the prompt appears; the driver hasn't been touched.
    EXPECT_EQ(9u, memory::RegistryWrites().size());
    EXPECT_FALSE(ServiceTouched());
    EXPECT_EQ(prompt.Item(IDOK), prompt.Focus());
    prompt.Key(VK_RETURN);
  };
  auto retryWhenFreed = [&](DialogUser& prompt) {
    ++prompts;
    memory::HoldDevice("COM9", false);
    prompt.Click(IDOK);
  };
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(IDOK); }, {retryWhileHeld, retryWhileHeld, retryWhenFreed}));
  EXPECT_EQ(3, prompts);
  EXPECT_EQ(1, starts);
  EXPECT_EQ(9u, memory::RegistryWrites().size());  // not written again after a retry
}

TEST_F(ApplyChanges, ApplyLaterEscAndTheCloseBoxLeaveTheDriverRunningWithTheValuesStored) {
  std::vector<std::function<void(DialogUser&)>> ways = {
      [](DialogUser& prompt) { prompt.Click(IDCANCEL); },
      [](DialogUser& prompt) { prompt.Key(VK_ESCAPE); },
      [](DialogUser& prompt) { prompt.CloseBox(); },
  };
  for (auto& way : ways) {
    Again();
    memory::HoldDevice("COM2", true);
    PortConfigDialog fresh;
    memory::OnDialog(kConfig, [](DialogUser& user) {
      user.Drag(IDC_TX_SLIDER, 3);
      user.Click(IDOK);
    });
    memory::OnDialog(kSetup, way);
    EXPECT_EQ(IDOK, fresh.DoModal());
    EXPECT_FALSE(ServiceTouched());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), memory::FindService("norvo")->state);
    EXPECT_EQ(3, ReadValue(std::string(kParameters) + "\\NorvoP2", "TxFIFO").AsInt());
    EXPECT_EQ(1u, memory::DeviceOpens().size());  // the test stopped at the first port refused
    EXPECT_TRUE(memory::RestartRequests().empty());
  }
}

// "Restart Windows" asks for a restart and leaves the driver alone; without the right to shut
// down, or the process token to enable it, it still asks, and reports nothing.
TEST_F(ApplyChanges, RestartWindowAsksForARestartAndLeavesTheDriverAlone) {
  for (bool right : {true, false}) {
    SCOPED_TRACE(right);
    Again();
    memory::HoldDevice("COM10", true);
    memory::SetShutdownPrivilegeHeld(right);
    memory::DenyProcessToken(!right);
    EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(IDOK); }, {[](DialogUser& prompt) {
                          prompt.Click(1076);
                          EXPECT_TRUE(prompt.Ended());
                        }}));
    ASSERT_EQ(1u, memory::RestartRequests().size());
    EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), memory::RestartRequests()[0].flags);
    EXPECT_EQ(0xFFFFu, memory::RestartRequests()[0].reason);
    EXPECT_EQ(right, memory::RestartRequests()[0].privilegeEnabled);
    EXPECT_FALSE(ServiceTouched());
    EXPECT_TRUE(memory::MessageBoxes().empty());
  }
}

// After the values are stored, the driver's restart is told as it ended, and the dialog closes: a
// failed start with the system's reason (the start's own, not that of a stop that timed out
// before it; the code where the system has no text), a stop or start not over after its polls by
// the state the driver is in then.
TEST_F(ApplyChanges, TheDriversRestartIsToldAsItEndedAndTheDialogStillCloses) {
  const std::string notApplied = "The changes cannot be applied and the driver is stopped.\nReason: ",
                    again = "\n\nPlease restart this applet and configure it correctly.";
  struct Case {
    DWORD state, stopError, startError;  // state 0: no such service
    int queriesToStop, queriesToStart, starts;
    std::vector<std::string> boxes;
  } cases[] = {
      {0, 0, 0, 0, 0, 0, {notApplied + "The specified service does not exist as an installed service." + again}},
      {SERVICE_STOPPED, 0, 0x20001234, 0, 0, 0, {notApplied + "Error 0x20001234" + again}},
      {SERVICE_RUNNING, ERROR_INVALID_SERVICE_CONTROL, 0, 0, 0, 0,
       {"The settings are stored, but the driver could not be restarted.\nThey take effect the next time the driver starts."}},
      {SERVICE_RUNNING, 0, 0, 100, 0, 0, {"The settings are stored, but the driver is still stopping, so it could not be "
                                          "started again.\nOnce it has stopped, start it: it then uses the new settings."}},
      // It stopped just after the start met it still stopping, which the system calls running.
      {SERVICE_RUNNING, 0, 0, 22, 0, 0,
       {notApplied + "The service did not respond to the start or control request in a timely fashion." + again}},
      {SERVICE_RUNNING, 0, 0, 0, 100, 0,
       {"The settings are stored, and the driver is still starting.\nIt uses the new settings once it has started."}},
      {SERVICE_RUNNING, 0, 0, 0, 20, 1, {}},  // running just after the last poll
      // The stop times out, but the driver has stopped by the time the start asks, which fails.
      {SERVICE_RUNNING, 0, ERROR_SERVICE_DISABLED, 20, 0, 0,
       {notApplied + "The service cannot be started, either because it is disabled or because it has no enabled devices "
                     "associated with it." + again}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.boxes.empty() ? "" : c.boxes[0]);
    Again();
    if (memory::ServiceBehaviour* driver = c.state ? memory::FindService("norvo") : nullptr) {
      driver->state = c.state;
      driver->stopError = c.stopError;
      driver->startError = c.startError;
      driver->queriesToStop = c.queriesToStop;
      driver->queriesToStart = c.queriesToStart;
    } else {
      memory::RemoveService("norvo");
    }
    EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(IDOK); }));
    EXPECT_EQ(c.boxes, Boxes());
    for (const auto& box : memory::MessageBoxes()) EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), box.type);
    EXPECT_EQ(c.starts, starts);
  }
}

const char kNothingStored[] =
    "\n\nNothing has been stored and the driver has not been changed; Cancel leaves the settings as they were. "
    "Check your rights and apply again, or cancel.";

class FailedApply : public ApplyChanges {
 protected:
  void SetUp() override {
    ApplyChanges::SetUp();
    // Values of other types and sizes, and missing ones, must come back exactly as they were.
    SetLevel("NorvoP2", "TxFIFO", 64, REG_DWORD);
    SetValue(std::string(kParameters) + "\\NorvoP9", "RxFIFO", REG_BINARY, {1, 2, 3, 4, 5, 6, 7, 8});
    SetString(std::string(kParameters) + "\\NorvoP9", "RS485Mode", "on");
    before = Snapshot(ports);
    memory::ForgetRegistryWrites();
  }

  // Applies with edits on two ports; the dialog must stay open with the edits, and Cancel
  // then ends it. Returns the one message shown.
  std::string ApplyThenCancel(std::function<void()> atApply = [] {}) {
    EXPECT_EQ(IDCANCEL, Run([&](DialogUser& user) {
                user.Drag(IDC_TX_SLIDER, 77);
                user.Choose(IDC_PORT_COMBO, 2);
                user.Click(IDC_RS485_CHECK);
                atApply();
                user.Click(IDOK);
                EXPECT_FALSE(user.Ended());
                EXPECT_EQ(1, user.Checked(IDC_RS485_CHECK));
                user.Choose(IDC_PORT_COMBO, 0);
                EXPECT_EQ("77", user.Text(IDC_TX_LEVEL_TEXT));
                user.Click(IDC_CANCEL_BUTTON);
              }));
    EXPECT_FALSE(ServiceTouched());
    EXPECT_TRUE(memory::DeviceOpens().empty());
    EXPECT_EQ(0, starts);
    EXPECT_EQ(1u, Boxes().size());
    if (Boxes().empty()) return "";
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[0].type);
    return Boxes()[0];
  }

  std::vector<std::string> ports = {"NorvoP2", "NorvoP9", "NorvoP10"};
  std::vector<StoredValue> before;
};

// A port key the user may only read, or a read that fails, stops it before anything is written:
// in the check for other programs' changes (the first read) or when the old values are saved (the
// check reads 15 times: size and bytes of a value, the size alone of a missing one; then
// NorvoP2's RS485Mode is saved, and reading its TxFIFO fails). A write that fails midway (seven
// succeed: NorvoP2, NorvoP9, then RS485Mode of NorvoP10, which had none; the eighth fails) puts
// back everything written before it, newest first.
TEST_F(FailedApply, AFailedReadOrWriteIsNamedWithItsReasonAndNothingStays) {
  const struct {
    std::function<void()> fault;
    bool atApply;
    const char *port, *reason;
    size_t writes;
  } cases[] = {
      {[] { memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, std::string(kParameters) + "\\NorvoP10", true); }, false,
       "COM10 (registry key NorvoP10)", "Access is denied.", 0},
      {[] { memory::FailRegistryReads(0, 1, ERROR_NOT_ENOUGH_MEMORY); }, true, "COM2 (registry key NorvoP2)",
       "Not enough storage is available to process this command.", 0},
      {[] { memory::FailRegistryReads(17, 1, ERROR_NOT_ENOUGH_MEMORY); }, true, "COM2 (registry key NorvoP2)",
       "Not enough storage is available to process this command.", 0},
      {[] { memory::FailRegistryWrites(7, 1, ERROR_ACCESS_DENIED); }, false, "COM10 (registry key NorvoP10)",
       "Access is denied.", 14},  // seven written, seven put back
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    Again();
    if (!c.atApply) c.fault();
    EXPECT_EQ(std::string("The settings cannot be stored in the registry.\nPort: ") + c.port + "\nReason: " + c.reason +
                  kNothingStored,
              ApplyThenCancel(c.atApply ? c.fault : [] {}));
    EXPECT_TRUE(before == Snapshot(ports));
    const std::vector<std::string>& writes = memory::RegistryWrites();
    ASSERT_EQ(c.writes, writes.size());
    if (!c.writes) continue;
    EXPECT_EQ("-" + std::string(kParameters) + "\\NorvoP10\\RS485Mode", writes[7]);
    EXPECT_EQ(std::string(kParameters) + "\\NorvoP2\\RS485Mode", writes[13]);
  }
}

TEST_F(FailedApply, APortKeyThatVanishedStopsItBeforeAnythingIsWritten) {
  PortConfigDialog& shown = dialog;
  EXPECT_EQ(IDCANCEL, Run([&](DialogUser& user) {
              HKEY key;
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParameters, 0, KEY_ALL_ACCESS, &key);
              RegDeleteKeyA(key, "NorvoP9");
              RegCloseKey(key);
              user.Click(IDOK);
              user.Click(IDC_CANCEL_BUTTON);
            }));
  EXPECT_EQ(3, shown.portCount);
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ("The settings cannot be stored in the registry.\nPort: COM9 (registry key NorvoP9)\n"
            "Reason: The system cannot find the file specified.\n\n"
            "The port's registry key is gone: the driver was removed or set up anew while this window was open. "
            "Nothing has been stored. Click Cancel and open Norvo again.",
            Boxes()[0]);
  EXPECT_TRUE(memory::RegistryWrites().empty());
}

TEST_F(FailedApply, ValuesThatCannotBePutBackAreNamedByPort) {
  // The fifth write (TxFIFO of NorvoP9) fails, and so, for another reason, does putting back
  // RS485Mode of NorvoP9; NorvoP2's three values go back.
  memory::FailRegistryWrites(4, 1, ERROR_ACCESS_DENIED);
  memory::FailRegistryWrites(0, 1, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ("The settings cannot be stored in the registry.\nPort: COM9 (registry key NorvoP9)\n"
            "Reason: Access is denied.\n\n"
            "The values stored before the failure could not all be put back. These ports now hold new settings: "
            "COM9.\nThe driver has not been changed, but it will use them the next time it starts. "
            "Check your rights and apply again.",
            ApplyThenCancel());
  std::vector<StoredValue> after = Snapshot(ports);
  EXPECT_TRUE(std::vector<StoredValue>(before.begin(), before.begin() + 3) ==
              std::vector<StoredValue>(after.begin(), after.begin() + 3));
  // NorvoP9's RS485Mode stayed as written: the 4 bytes read from the text "on", now binary.
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), after[3].type);
  EXPECT_EQ((std::vector<BYTE>{'o', 'n', 0, 0}), after[3].data);
}

// What the failed Apply left in those ports is this window's own: applying again stores without
// asking about another program.
TEST_F(FailedApply, WhenNothingCanBePutBackEveryWrittenPortIsNamed) {
  memory::FailRegistryWrites(4, 4, ERROR_ACCESS_DENIED);  // the fifth write and the four undos
  EXPECT_EQ(IDOK, Run([](DialogUser& user) {
              user.Drag(IDC_TX_SLIDER, 77);
              user.Click(IDOK);
              user.Click(IDOK);
            }));
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_NE(std::string::npos, Boxes()[0].find("These ports now hold new settings: COM2, COM9.\n")) << Boxes()[0];
  EXPECT_EQ(77, ReadValue(std::string(kParameters) + "\\NorvoP2", "TxFIFO").AsInt());
}

}  // namespace
