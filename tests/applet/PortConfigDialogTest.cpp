// The configuration dialog as a user meets it: what it lists and shows, and how edits behave.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "AppletTestSupport.h"
#include "PortConfigDialog.h"
#include "module.h"

using memory::DialogUser;

namespace {

const char kConfig[] = "Norvo Configuration";

const memory::MessageBoxRecord* OnlyBox() {
  EXPECT_EQ(1u, memory::MessageBoxes().size());
  return memory::MessageBoxes().empty() ? nullptr : &memory::MessageBoxes()[0];
}

// The dialog ends by itself, saying why in one box: without the driver image or its U.S. English
// file version (so too where the system directory fails or does not fit the 260-character buffer
// with its NUL, though the image is where it says), without a port (lower-case "norvo" keys and
// keys missing from the device map never count), or where the user may only read the settings.
TEST(PortConfigDialog, RefusesToRunWithoutTheDriverAPortOrTheRightToChangeThem) {
  const std::string noDriver = "Please install Norvo driver first.", tooLong = "C:\\" + std::string(257, 'd');
  const std::string noPort = "No port detected\nPlease install KVR Norvo card first.";
  auto driverIn = [](const std::string& directory) {
    InstallThreePorts();
    memory::SetSystemDirectory(directory);
    memory::PutFile(directory + "\\DRIVERS\\norvo.SYS", memory::BuildVersionInfo({{"040904B0", {{"FileVersion", "5.5"}}}}));
  };
  driverIn(tooLong.substr(0, 259));  // 259 characters fit: the dialog shows the version of the image there
  memory::OnDialog(kConfig, [](DialogUser& user) {
    EXPECT_EQ("5.5", user.Text(IDC_DRIVER_VERSION));
    user.Key(VK_ESCAPE);
  });
  DoubleClick();
  EXPECT_TRUE(memory::MessageBoxes().empty());
  EXPECT_EQ(0u, memory::PendingScripts());
  const struct {
    std::function<void()> layOut;
    std::string text;
    UINT type;
  } cases[] = {
      {[] { InstallThreePorts(), memory::RemoveFile(DriverImagePath()); }, noDriver, MB_ICONEXCLAMATION},
      {[] { InstallThreePorts(), memory::PutFile(DriverImagePath()); }, noDriver, MB_ICONEXCLAMATION},  // no version
      {[] {
         InstallThreePorts();
         memory::PutFile(DriverImagePath(), memory::BuildVersionInfo({{"040704B0", {{"FileVersion", "2.0"}}}}));
       },
       noDriver, MB_ICONEXCLAMATION},
      {[=] { driverIn(""); }, noDriver, MB_ICONEXCLAMATION},
      {[=] { driverIn(tooLong); }, noDriver, MB_ICONEXCLAMATION},
      {[] {
         InstallDriverImage();
         AddPort("norvoP1", "COM1");
         AddPort("NorvoP2", "");
         AddPort("OtherP3", "COM3");
       },
       noPort, MB_ICONHAND},
      {[] { InstallDriverImage(); }, noPort, MB_ICONHAND},  // no Parameters key
      {[] { InstallThreePorts(), memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kParameters, true); },
       "You do not have the rights to change the settings of the Norvo driver.\nAn administrator can change them.",
       MB_ICONHAND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    memory::Reset();
    c.layOut();
    memory::ForgetRegistryWrites();
    EXPECT_EQ(0, DoubleClick());  // no dialog script: the dialog must end by itself
    const memory::MessageBoxRecord* box = OnlyBox();
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(c.text, box->text);
    EXPECT_EQ("Norvo Setup", box->caption);
    EXPECT_EQ(c.type, box->type);
    EXPECT_NE(nullptr, box->owner);
    EXPECT_TRUE(memory::RegistryWrites().empty());
    EXPECT_EQ(0, memory::OpenKeyCount());
  }
}

// Ports that cannot be read whole are left out: by the device name, the key's path (261
// characters) or the key's name (256 characters, enumerated first).
TEST(PortConfigDialog, ListsPublishedPortsInNumericOrderWithTheDriverVersion) {
  InstallDriverImage("3.4.5.6");
  AddPort("NorvoP10", " com10 ");
  AddPort("NorvoP2", "COM2");
  AddPort("NorvoP9", "com9");
  AddPort("NorvoP5", "");          // configured but not published
  AddPort("norvoP3", "COM3");      // not a Norvo key
  AddPort("NorvoX", "COM20");      // no number: sorts as 0
  AddPort("NorvoP7", std::string(256, 'X'));
  AddPort("NorvoP6" + std::string(203, 'x'), "COM6");
  AddPort("NorvoA" + std::string(250, 'x'), "COM1");
  memory::OnDialog(kConfig, [](DialogUser& user) {
    EXPECT_EQ("3.4.5.6", user.Text(IDC_DRIVER_VERSION));
    EXPECT_EQ((std::vector<std::string>{"COM20", "COM2", "COM9", "COM10"}), user.Items(IDC_PORT_COMBO));
    EXPECT_EQ(0, user.Selection(IDC_PORT_COMBO));
    EXPECT_EQ(user.Item(IDOK), user.Focus());
    user.Click(IDC_CANCEL_BUTTON);
  });
  EXPECT_EQ(0, DoubleClick());
  EXPECT_EQ(0u, memory::PendingScripts());
  EXPECT_TRUE(memory::MessageBoxes().empty());
  EXPECT_EQ(0, memory::OpenKeyCount());
  EXPECT_EQ(0, memory::LiveGlobalBlocks());
}

TEST(PortConfigDialog, AKeyWithATrailingSpaceIsLookedUpTrimmedButReadUnderItsOwnName) {
  InstallDriverImage();
  CreateKey(std::string(kParameters) + "\\NorvoP4 ");
  SetString(kDeviceMap, "NorvoP4", "COM4");
  SetLevel("NorvoP4 ", "TxFIFO", 33);
  PortConfigDialog dialog;
  memory::OnDialog(kConfig, [](DialogUser& user) {
    EXPECT_EQ((std::vector<std::string>{"COM4"}), user.Items(IDC_PORT_COMBO));
    EXPECT_EQ("33", user.Text(IDC_TX_LEVEL_TEXT));
    user.Key(VK_ESCAPE);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ((std::vector<std::string>{"NorvoP4 "}), dialog.portKeyNames);
  EXPECT_EQ((std::vector<std::string>{"COM4"}), dialog.portNames);
}

TEST(PortConfigDialog, ShowsTheSelectedPortsLevelsRangesTicksAndMode) {
  InstallThreePorts();
  memory::OnDialog(kConfig, [](DialogUser& user) {
    // NorvoP2 first: stored 64, 32, RS485 on.
    EXPECT_EQ("64", user.Text(IDC_TX_LEVEL_TEXT));
    EXPECT_EQ("32", user.Text(IDC_RX_LEVEL_TEXT));
    EXPECT_EQ(64, user.Position(IDC_TX_SLIDER));
    EXPECT_EQ(32, user.Position(IDC_RX_SLIDER));
    EXPECT_EQ(1, user.Checked(IDC_RS485_CHECK));
    for (int id : {IDC_RX_LOW_TEXT, IDC_TX_LOW_TEXT}) EXPECT_EQ("Low(1)", user.Text(id));
    for (int id : {IDC_RX_HIGH_TEXT, IDC_TX_HIGH_TEXT}) EXPECT_EQ("High(127)", user.Text(id));
    for (int id : {IDC_RX_SLIDER, IDC_TX_SLIDER}) EXPECT_EQ((std::vector<LONG>{20, 40, 60, 80, 100}), user.Ticks(id));
    // NorvoP10 has no values: the driver's defaults.
    user.Choose(IDC_PORT_COMBO, 2);
    EXPECT_EQ("127", user.Text(IDC_TX_LEVEL_TEXT));
    EXPECT_EQ("100", user.Text(IDC_RX_LEVEL_TEXT));
    EXPECT_EQ(0, user.Checked(IDC_RS485_CHECK));
    EXPECT_EQ((std::vector<LONG>{20, 40, 60, 80, 100}), user.Ticks(IDC_TX_SLIDER));
    user.CloseBox();
  });
  DoubleClick();
  EXPECT_EQ(0u, memory::PendingScripts());
}

TEST(PortConfigDialog, ReadsAFourByteDwordLikeBinaryAndTakesLongerValuesAsMissing) {
  InstallDriverImage();
  AddPort("NorvoP1", "COM1");
  SetLevel("NorvoP1", "TxFIFO", 50, REG_DWORD);
  SetValue(std::string(kParameters) + "\\NorvoP1", "RxFIFO", REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0});
  SetValue(std::string(kParameters) + "\\NorvoP1", "RS485Mode", REG_BINARY, {1});  // one byte only
  PortConfigDialog dialog;
  memory::OnDialog(kConfig, [](DialogUser& user) { user.Click(IDC_CANCEL_BUTTON); });
  dialog.DoModal();
  ASSERT_EQ(1u, dialog.portSettings.size());
  EXPECT_EQ(50, dialog.portSettings[0].txFifoLevel);
  EXPECT_EQ(100, dialog.portSettings[0].rxFifoLevel);
  EXPECT_EQ(1, dialog.portSettings[0].rs485Mode);  // the rest of the field is zero, not stale
}

TEST(PortConfigDialog, AStoredLevelOutsideTheRangeIsShownAndKeptUntilTheSliderMoves) {
  InstallDriverImage();
  AddPort("NorvoP1", "COM1");
  SetLevel("NorvoP1", "TxFIFO", 200);
  SetLevel("NorvoP1", "RS485Mode", 2);
  PortConfigDialog dialog;
  memory::OnDialog(kConfig, [&](DialogUser& user) {
    EXPECT_EQ("200", user.Text(IDC_TX_LEVEL_TEXT));
    EXPECT_EQ(127, user.Position(IDC_TX_SLIDER));
    EXPECT_EQ(1, user.Checked(IDC_RS485_CHECK));  // the two-state box shows 2 as checked
    user.Drag(IDC_RX_SLIDER, 90);
    EXPECT_EQ(200, dialog.portSettings[0].txFifoLevel);
    EXPECT_EQ(2, dialog.portSettings[0].rs485Mode);
    user.SliderKey(IDC_TX_SLIDER, VK_LEFT);
    EXPECT_EQ(126, dialog.portSettings[0].txFifoLevel);
    EXPECT_EQ("126", user.Text(IDC_TX_LEVEL_TEXT));
    user.Click(IDC_CANCEL_BUTTON);
  });
  dialog.DoModal();
}

TEST(PortConfigDialog, EditsStayWithTheirPortAcrossSelectionChanges) {
  InstallThreePorts();
  PortConfigDialog dialog;
  memory::OnDialog(kConfig, [](DialogUser& user) {
    user.Drag(IDC_TX_SLIDER, 5);
    EXPECT_EQ("5", user.Text(IDC_TX_LEVEL_TEXT));
    user.Drag(IDC_RX_SLIDER, 300);  // the thumb stops at the end
    EXPECT_EQ("127", user.Text(IDC_RX_LEVEL_TEXT));
    user.Click(IDC_RS485_CHECK);
    EXPECT_EQ(0, user.Checked(IDC_RS485_CHECK));
    user.Choose(IDC_PORT_COMBO, 1);
    EXPECT_EQ("16", user.Text(IDC_TX_LEVEL_TEXT));
    EXPECT_EQ(0, user.Checked(IDC_RS485_CHECK));
    user.Choose(IDC_PORT_COMBO, 0);
    EXPECT_EQ("5", user.Text(IDC_TX_LEVEL_TEXT));
    EXPECT_EQ("127", user.Text(IDC_RX_LEVEL_TEXT));
    EXPECT_EQ(5, user.Position(IDC_TX_SLIDER));
    EXPECT_EQ(0, user.Checked(IDC_RS485_CHECK));
    user.Click(IDC_CANCEL_BUTTON);
  });
  dialog.DoModal();
  EXPECT_EQ(5, dialog.portSettings[0].txFifoLevel);
  EXPECT_EQ(127, dialog.portSettings[0].rxFifoLevel);
  EXPECT_EQ(0, dialog.portSettings[0].rs485Mode);
  EXPECT_EQ(16, dialog.portSettings[1].txFifoLevel);
  EXPECT_EQ(8, dialog.portSettings[1].rxFifoLevel);
}

TEST(PortConfigDialog, DefaultResetsOnlyTheSelectedPortAndCancelWritesNothing) {
  InstallThreePorts();
  std::vector<std::string> ports = {"NorvoP2", "NorvoP9", "NorvoP10"};
  std::vector<StoredValue> before = Snapshot(ports);
  PortConfigDialog dialog;
  memory::OnDialog(kConfig, [](DialogUser& user) {
    user.Click(IDC_DEFAULT_BUTTON);
    EXPECT_EQ("127", user.Text(IDC_TX_LEVEL_TEXT));
    EXPECT_EQ("100", user.Text(IDC_RX_LEVEL_TEXT));
    EXPECT_EQ(127, user.Position(IDC_TX_SLIDER));
    EXPECT_EQ(0, user.Checked(IDC_RS485_CHECK));
    user.Click(IDC_CANCEL_BUTTON);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ(127, dialog.portSettings[0].txFifoLevel);
  EXPECT_EQ(16, dialog.portSettings[1].txFifoLevel);
  EXPECT_TRUE(before == Snapshot(ports));
  EXPECT_FALSE(ReadValue(std::string(kParameters) + "\\NorvoP10", "TxFIFO").present);
}

// A prefix too long to be read whole is not taken as COM (as a missing one is): Apply names it.
TEST(PortConfigDialog, ThePrefixIsHeldTrimmedInItsOwnCaseAndOneTooLongToReadStopsApply) {
  InstallThreePorts();
  SetString(kParameters, "PortNamePrefix", " \t com \r\n");
  PortConfigDialog trimmed;
  memory::OnDialog(kConfig, [](DialogUser& user) { user.Key(VK_ESCAPE); });
  trimmed.DoModal();
  EXPECT_EQ("com", trimmed.portNamePrefix);

  SetString(kParameters, "PortNamePrefix", std::string(290, 'C') + ":");
  memory::OnDialog(kConfig, [](DialogUser& user) {
    user.Click(IDOK);
    user.Key(VK_ESCAPE);
  });
  DoubleClick();
  ASSERT_NE(nullptr, OnlyBox());
  EXPECT_EQ("The port name prefix in the driver's settings (PortNamePrefix) is longer than 255 characters: this "
            "program cannot read it whole.\nNothing has been stored and the driver has not been changed.",
            OnlyBox()->text);
}

TEST(PortConfigDialog, ItCarriesTheAppletIconAndItsSystemMenuOpensTheAboutBoxWhichBlocksIt) {
  InstallThreePorts();
  const LRESULT icon = reinterpret_cast<LRESULT>(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(129)));
  ASSERT_NE(0, icon);
  HWND config = nullptr;
  memory::OnDialog(kConfig, [&](DialogUser& user) {
    config = user.Handle();
    EXPECT_EQ(icon, SendMessageA(config, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(icon, SendMessageA(config, WM_GETICON, ICON_SMALL, 0));
    HMENU menu = GetSystemMenu(config, FALSE);
    int count = GetMenuItemCount(menu);
    EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(16u, GetMenuItemID(menu, count - 1));
    user.SystemMenu(16);
    EXPECT_FALSE(user.Ended());
    user.Key(VK_ESCAPE);
  });
  memory::OnDialog("About ", [&](DialogUser& about) {
    EXPECT_EQ(config, GetWindow(about.Handle(), GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(config));
    about.Key(VK_RETURN);
  });
  DoubleClick();
  EXPECT_EQ(0u, memory::PendingScripts());
}

TEST(PortConfigDialog, AnEmptyAboutStringAddsNothingToTheSystemMenu) {
  InstallThreePorts();
  memory::OverrideString(CurrentModule(), 101, "");
  memory::OnDialog(kConfig, [&](DialogUser& user) {
    HMENU menu = GetSystemMenu(user.Handle(), FALSE);
    int count = GetMenuItemCount(menu);
    EXPECT_NE(16u, GetMenuItemID(menu, count - 1));
    EXPECT_FALSE(GetMenuState(menu, static_cast<UINT>(count - 1), MF_BYPOSITION) & MF_SEPARATOR);
    user.Key(VK_ESCAPE);
  });
  DoubleClick();
}

TEST(SortPortKeys, OrdersByTheNumberFromTheSeventhCharacterKeepingTiesInOrder) {
  std::vector<std::string> names = {"NorvoP10", "NorvoB2", "NorvoP9", "NorvoA2", "Norvo", "NorvoPx", "NorvoP-3"};
  PortConfigDialog::SortPortKeys(names);
  EXPECT_EQ((std::vector<std::string>{"NorvoP-3", "Norvo", "NorvoPx", "NorvoB2", "NorvoA2", "NorvoP9", "NorvoP10"}), names);
}

TEST(SortPortKeys, TheNumberIsReadLikeAtoiAndSaturatesInsteadOfOverflowing) {
  EXPECT_EQ(0, PortConfigDialog::PortKeyNumber("NorvoP"));
  EXPECT_EQ(0, PortConfigDialog::PortKeyNumber("Norvo"));
  EXPECT_EQ(12, PortConfigDialog::PortKeyNumber("NorvoP \t12abc"));
  EXPECT_EQ(7, PortConfigDialog::PortKeyNumber("NorvoP+7"));
  EXPECT_EQ(-7, PortConfigDialog::PortKeyNumber("NorvoP-7"));
  EXPECT_EQ(INT_MAX, PortConfigDialog::PortKeyNumber("NorvoP" + std::string(40, '9')));
  EXPECT_EQ(INT_MIN, PortConfigDialog::PortKeyNumber("NorvoP-" + std::string(40, '9')));
}

}  // namespace
