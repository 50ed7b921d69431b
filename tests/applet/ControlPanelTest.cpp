// The applet's answers to the Control Panel host.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "AppletTestSupport.h"
#include "ControlPanelApplet.h"
#include "module.h"

namespace {

TEST(ControlPanel, AnswersEachMessageWithItsFixedResult) {
  EXPECT_EQ(1, CPlApplet(nullptr, CPL_INIT, 0, 0));
  EXPECT_EQ(1, CPlApplet(nullptr, CPL_GETCOUNT, 0, 0));
  EXPECT_EQ(1, CPlApplet(nullptr, CPL_SELECT, 0, 0));
  EXPECT_EQ(1, CPlApplet(nullptr, CPL_STOP, 0, 0));
  EXPECT_EQ(0, CPlApplet(nullptr, CPL_EXIT, 0, 0));
  // Unknown messages: "handled", and no hook runs (a dialog would need a script).
  for (UINT message : {0u, 11u, 12u, 1000u}) EXPECT_EQ(1, CPlApplet(nullptr, message, 0, 0)) << message;
  EXPECT_TRUE(memory::MessageBoxes().empty());
}

TEST(ControlPanel, StartWithParametersIsLeftToTheHostSoThatItSendsADoubleClick) {
  InstallThreePorts();
  EXPECT_EQ(0, CPlApplet(nullptr, CPL_STARTWPARMSA, 0, 0));
  EXPECT_EQ(0, CPlApplet(nullptr, CPL_STARTWPARMSW, 0, 0));
  EXPECT_EQ(0u, memory::PendingScripts());
  EXPECT_TRUE(memory::MessageBoxes().empty());
}

TEST(ControlPanel, InquireLeavesTheRecordUntouched) {
  CPLINFO info;
  std::memset(&info, 0xAB, sizeof info);
  CPLINFO before = info;
  EXPECT_EQ(0, CPlApplet(nullptr, CPL_INQUIRE, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(0, std::memcmp(&before, &info, sizeof info));
}

TEST(ControlPanel, NewInquireDescribesTheNorvoAppletForAnyIndex) {
  static_assert(sizeof(void*) != 4 || sizeof(NEWCPLINFOA) == 244, "the 8-bit record of the 32-bit target");
  for (LPARAM index : {0, 1, 7}) {
    NEWCPLINFOA info;
    std::memset(&info, 0x5A, sizeof info);
    EXPECT_EQ(0, CPlApplet(nullptr, CPL_NEWINQUIRE, index, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(sizeof(NEWCPLINFOA), info.dwSize);
    EXPECT_EQ(0u, info.dwFlags);
    EXPECT_EQ(0u, info.dwHelpContext);
    EXPECT_EQ(0, info.lData);
    EXPECT_EQ(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(129)), info.hIcon);
    EXPECT_NE(nullptr, info.hIcon);
    EXPECT_STREQ("Norvo", info.szName);
    EXPECT_STREQ("Configures Norvo/cPCI boards", info.szInfo);
    EXPECT_STREQ("", info.szHelpFile);
  }
}

TEST(ControlPanel, EveryWayOutOfTheDialogReturnsZeroAndEachDoubleClickRereadsTheRegistry) {
  InstallThreePorts();
  std::vector<std::function<void(memory::DialogUser&)>> exits = {
      [](memory::DialogUser& user) { user.Click(IDC_CANCEL_BUTTON); },
      [](memory::DialogUser& user) { user.Key(VK_ESCAPE); },
      [](memory::DialogUser& user) { user.CloseBox(); },
  };
  int32_t level = 40;
  for (auto& leave : exits) {
    SetLevel("NorvoP2", "TxFIFO", level);
    memory::OnDialog("Norvo Configuration", [&](memory::DialogUser& user) {
      EXPECT_EQ(std::to_string(level), user.Text(IDC_TX_LEVEL_TEXT));
      user.Drag(IDC_TX_SLIDER, 1);
      leave(user);
    });
    EXPECT_EQ(0, CPlApplet(reinterpret_cast<HWND>(0x1234), CPL_DBLCLK, 0, 0));
    EXPECT_EQ(0u, memory::PendingScripts());
    level += 10;
  }
  EXPECT_EQ(60, ReadValue(std::string(kParameters) + "\\NorvoP2", "TxFIFO").AsInt());
}

}  // namespace
