// "Apply and Exit": every way through it, as the user and the driver see it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "AppletTestSupport.h"
#include "PortConfigDialog.h"

using memory::DialogUser;

namespace {

const char kConfig[] = "Norvo Configuration";

std::string ToUpperForTest(std::string text) {
  size_t start = text.find_first_not_of(" \t\r\n\v\f");
  size_t end = text.find_last_not_of(" \t\r\n\v\f");
  text = start == std::string::npos ? "" : text.substr(start, end - start + 1);
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}
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
              user.Drag(kTxSlider, 99);
              user.Click(kApply);
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

TEST_F(ApplyChanges, EnterAppliesAsTheDefaultButton) {
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Key(VK_RETURN); }));
  EXPECT_EQ(1, starts);
}

TEST_F(ApplyChanges, OpensEachPortExclusivelyForOverlappedUseAndClosesItAtOnce) {
  Run([](DialogUser& user) { user.Click(kApply); });
  ASSERT_EQ(3u, memory::DeviceOpens().size());
  const memory::DeviceOpen& open = memory::DeviceOpens()[0];
  EXPECT_EQ("\\\\.\\COM2", open.path);
  EXPECT_EQ(0xC0000000u, open.access);
  EXPECT_EQ(0u, open.share);
  EXPECT_EQ(static_cast<DWORD>(OPEN_EXISTING), open.disposition);
  EXPECT_EQ(0x40000080u, open.flags);
  EXPECT_EQ("\\\\.\\COM10", memory::DeviceOpens()[2].path);
}

TEST_F(ApplyChanges, ThePrefixIsTrimmedAndUpperCasedAndAcceptedWithSpacesInside) {
  for (const char* stored : {" \tcom \r\n", "Com1", "CO M.1"}) {
    memory::Reset();
    SetUp();
    SetString(kParameters, "PortNamePrefix", stored);
    PortConfigDialog fresh;
    memory::OnDialog(kConfig, [](DialogUser& user) { user.Click(kApply); });
    EXPECT_EQ(IDOK, fresh.DoModal()) << stored;
    EXPECT_EQ(ToUpperForTest(stored), fresh.portNamePrefix);
    EXPECT_TRUE(memory::MessageBoxes().empty());
  }
}

TEST_F(ApplyChanges, AnInvalidPrefixKeepsTheDialogOpenWithNothingWrittenAndTheDriverUntouched) {
  std::vector<std::string> invalid = {" \t ", ""};
  for (char c : std::string("\\/*?|<>:\"")) invalid.push_back(std::string(" co") + c + "m ");
  for (const std::string& stored : invalid) {
    memory::Reset();
    SetUp();
    SetString(kParameters, "PortNamePrefix", stored);
    memory::ForgetRegistryWrites();
    PortConfigDialog fresh;
    memory::OnDialog(kConfig, [](DialogUser& user) {
      user.Click(kApply);
      EXPECT_FALSE(user.Ended());
      user.Click(kApply);  // the same answer every time
      user.Click(kCancelButton);
    });
    EXPECT_EQ(IDCANCEL, fresh.DoModal()) << stored;
    ASSERT_EQ(2u, memory::MessageBoxes().size()) << stored;
    EXPECT_EQ("Invalid Port Name.", memory::MessageBoxes()[0].text);
    EXPECT_EQ(kSetup, memory::MessageBoxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[0].type);
    EXPECT_TRUE(memory::RegistryWrites().empty());
    EXPECT_TRUE(memory::DeviceOpens().empty());
    EXPECT_FALSE(ServiceTouched());
    EXPECT_EQ(ToUpperForTest(stored), fresh.portNamePrefix);
  }
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
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }, {retryWhileHeld, retryWhileHeld, retryWhenFreed}));
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
    memory::Reset();
    SetUp();
    memory::HoldDevice("COM2", true);
    PortConfigDialog fresh;
    memory::OnDialog(kConfig, [](DialogUser& user) {
      user.Drag(kTxSlider, 3);
      user.Click(kApply);
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

TEST_F(ApplyChanges, RestartWindowAsksForARestartAndLeavesTheDriverAlone) {
  memory::HoldDevice("COM10", true);
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }, {[](DialogUser& prompt) { prompt.Click(1076); }}));
  ASSERT_EQ(1u, memory::RestartRequests().size());
  EXPECT_EQ(static_cast<UINT>(EWX_REBOOT), memory::RestartRequests()[0].flags);
  EXPECT_EQ(0xFFFFu, memory::RestartRequests()[0].reason);
  EXPECT_TRUE(memory::RestartRequests()[0].privilegeEnabled);
  EXPECT_FALSE(ServiceTouched());
  EXPECT_TRUE(memory::MessageBoxes().empty());
}

TEST_F(ApplyChanges, RestartWindowWithoutTheRightStillAsksAndReportsNothing) {
  memory::HoldDevice("COM10", true);
  memory::SetShutdownPrivilegeHeld(false);
  memory::DenyProcessToken(true);
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }, {[](DialogUser& prompt) {
                        prompt.Click(1076);
                        EXPECT_TRUE(prompt.Ended());
                      }}));
  ASSERT_EQ(1u, memory::RestartRequests().size());
  EXPECT_FALSE(memory::RestartRequests()[0].privilegeEnabled);
  EXPECT_TRUE(memory::MessageBoxes().empty());
}

TEST_F(ApplyChanges, APortWhoseDeviceIsGoneCountsAsFree) {
  memory::RemoveDevice("COM2");
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }));
  EXPECT_EQ(3u, memory::DeviceOpens().size());
  EXPECT_EQ(1, starts);
}

TEST_F(ApplyChanges, AFailedStartIsReportedWithTheSystemsReasonAndTheDialogStillCloses) {
  memory::RemoveService("norvo");
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }));
  EXPECT_EQ((std::vector<std::string>{"The changes cannot be applied and the driver is stopped.\nReason: "
                                      "The specified service does not exist as an installed service.\r\n"
                                      "\n\nPlease restart this applet and configure it correctly."}),
            Boxes());
  EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[0].type);
}

TEST_F(ApplyChanges, AReasonTheSystemHasNoTextForLeavesTheReasonEmpty) {
  memory::FindService("norvo")->state = SERVICE_STOPPED;
  memory::FindService("norvo")->startError = 0x20001234;
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }));
  EXPECT_EQ((std::vector<std::string>{"The changes cannot be applied and the driver is stopped.\nReason: "
                                      "\n\nPlease restart this applet and configure it correctly."}),
            Boxes());
}

TEST_F(ApplyChanges, ADriverThatWouldNotStopIsReportedAsNotRestarted) {
  memory::FindService("norvo")->stopError = ERROR_INVALID_SERVICE_CONTROL;
  EXPECT_EQ(IDOK, Run([](DialogUser& user) { user.Click(kApply); }));
  EXPECT_EQ((std::vector<std::string>{"The settings are stored, but the driver could not be restarted.\n"
                                      "They take effect the next time the driver starts."}),
            Boxes());
  EXPECT_EQ(0, starts);
}

TEST_F(ApplyChanges, AFailedWriteIsReportedAndKeepsTheDialogOpenWithTheDriverUntouched) {
  memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, std::string(kParameters) + "\\NorvoP9", true);
  EXPECT_EQ(IDCANCEL, Run([&](DialogUser& user) {
              user.Drag(kTxSlider, 77);
              user.Click(kApply);
              EXPECT_FALSE(user.Ended());
              EXPECT_EQ("77", user.Text(kTxLevel));  // the edits are still there
              user.Click(kCancelButton);
            }));
  ASSERT_EQ(1u, Boxes().size());
  EXPECT_EQ("The settings cannot be stored in the registry.\nReason: Access is denied.\r\n"
            "\n\nThe driver has not been changed. Check your rights and apply again, or cancel.",
            Boxes()[0]);
  EXPECT_FALSE(ServiceTouched());
  EXPECT_TRUE(memory::DeviceOpens().empty());
  EXPECT_EQ(77, ReadValue(std::string(kParameters) + "\\NorvoP2", "TxFIFO").AsInt());  // what could be written stays
  EXPECT_EQ(6u, memory::RegistryWrites().size());
}

}  // namespace
