// The applet's compiled resources, checked against the tables they were drawn from.
#include <gtest/gtest.h>

#include "AppletTestSupport.h"
#include "Translation.h"
#include "module.h"

namespace {

const DWORD kButton = WS_TABSTOP;
const DWORD kStatic = 0;

TEST(Resources, TheDialogTemplates) {
  ExpectTemplate(CurrentModule(), {IDD_PORT_CONFIG, 0x80C800C4, 0, 353, 185, "Norvo Configuration", {
      {IDOK, "Button", "Apply and Exit", 286, 45, 57, 15, kButton | BS_DEFPUSHBUTTON, 0, 0},
      {IDC_CANCEL_BUTTON, "Button", "Cancel", 285, 130, 58, 14, kButton, 0, 0},
      {IDC_STATIC, "Static", "Driver Version", 109, 2, 53, 8, kStatic, 0, 0},
      {IDC_DRIVER_VERSION, "Static", "Text", 174, 2, 78, 8, SS_NOPREFIX, 0, 0},  // data: an "&" is shown as it is
      {IDC_RX_SLIDER, "msctls_trackbar32", "", 14, 94, 149, 18, WS_TABSTOP, 0, 0},
      {IDC_TX_SLIDER, "msctls_trackbar32", "", 15, 137, 150, 19, WS_TABSTOP, 0, 0},
      {IDC_DEFAULT_BUTTON, "Button", "&Default", 285, 84, 58, 14, kButton, 0, 0},
      {IDC_RX_LABEL, "Static", "Receive Buffer:", 21, 83, 51, 9, kStatic, 0, 0},
      {IDC_TX_LABEL, "Static", "Transmit Buffer:", 21, 128, 50, 9, kStatic, 0, 0},
      {IDC_RX_LOW_TEXT, "Static", "Low(1)", 20, 113, 31, 9, kStatic, 0, 0},
      {IDC_RX_HIGH_TEXT, "Static", "High(120)", 121, 113, 37, 9, kStatic, WS_EX_RIGHT, 0},
      {IDC_TX_LOW_TEXT, "Static", "Low(1)", 22, 156, 31, 10, kStatic, 0, 0},
      {IDC_TX_HIGH_TEXT, "Static", "High(120)", 123, 156, 37, 9, kStatic, WS_EX_RIGHT, 0},
      {IDC_RX_LEVEL_TEXT, "Static", "120", 72, 83, 19, 9, SS_NOPREFIX, 0, 0},
      {IDC_TX_LEVEL_TEXT, "Static", "120", 75, 128, 16, 9, SS_NOPREFIX, 0, 0},
      {IDC_RS485_CHECK, "Button", "Half Duplex and Multidrop RS485 ", 20, 28, 142, 10, WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0},
      {IDC_PORT_COMBO, "ComboBox", "", 50, 55, 114, 64, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 0},
      {IDC_PORT_LABEL, "Static", "Port:", 20, 57, 23, 10, kStatic, 0, 0},
  }});
  for (const memory::TemplateItem& item : memory::ReadDialogTemplate(CurrentModule(), IDD_PORT_CONFIG).items) {
    if (item.id == IDC_RX_SLIDER || item.id == IDC_TX_SLIDER) {
      EXPECT_FALSE(item.style & (TBS_AUTOTICKS | TBS_VERT));
    } else if (item.id == IDC_PORT_COMBO) {
      EXPECT_FALSE(item.style & CBS_SORT);
    } else if (item.cls == "Button" && item.id != IDOK) {
      EXPECT_NE(static_cast<DWORD>(BS_DEFPUSHBUTTON), item.style & BS_TYPEMASK);
    }
  }
  ExpectTemplate(CurrentModule(), {IDD_ABOUTBOX, 0x80C800C0, 0, 207, 71, "About ", {
      {IDC_STATIC, "Static", "", 11, 17, 0, 0, SS_ICON, 0, IDI_APPLET},  // an icon takes its own size
      {IDC_STATIC, "Static", "Norvo  Configuration Utility Version 1.0", 44, 14, 156, 8, SS_NOPREFIX, 0, 0},
      {IDC_STATIC, "Static", "Made by Norvo for its PCI and cPCI serial boards", 44, 29, 156, 8, kStatic, 0, 0},
      {IDOK, "Button", "OK", 83, 42, 32, 14, BS_DEFPUSHBUTTON, 0, 0},
  }});
  ExpectTemplate(CurrentModule(), {IDD_PORTS_IN_USE, 0x80C800C0, 0, 186, 63, "Norvo Setup", {
      {IDOK, "Button", "Re&try", 72, 43, 50, 14, kButton | BS_DEFPUSHBUTTON, 0, 0},
      {IDCANCEL, "Button", "&Apply later", 131, 43, 50, 14, kButton, 0, 0},
      {IDC_RESTART_WINDOWS, "Button", "&Restart Window", 4, 43, 59, 14, kButton, 0, 0},
      {IDC_STATIC, "Static",
       "Some of Norvo ports are currently being opened, you have to close all the Norvo ports before the changes you "
       "just made can be applied.",
       7, 9, 170, 30, SS_LEFT, 0, 0},
  }});
}

TEST(Resources, TheGermanResourcesAreTheEnglishOnesTranslated) {
  ExpectTranslationOfEnglish(CurrentModule(), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
}

TEST(Resources, TheIconIsOne32By32ImageWith16Colours) {
  std::vector<BYTE> group = memory::ResourceData(CurrentModule(), RT_GROUP_ICON, MAKEINTRESOURCEA(129));
  ASSERT_EQ(6u + 14u, group.size());
  EXPECT_EQ(1, group[4]);  // one image
  EXPECT_EQ(32, group[6]);
  EXPECT_EQ(32, group[7]);
  EXPECT_EQ(16, group[8]);
  EXPECT_EQ(4, group[12]);  // bits per pixel
}

TEST(Resources, TheVersionResourceAndTheAboutString) {
  auto query = [](const char* name) { return memory::ModuleVersionString(CurrentModule(), name); };
  std::vector<BYTE> block = memory::ResourceData(CurrentModule(), RT_VERSION, MAKEINTRESOURCEA(1));
  ASSERT_FALSE(block.empty());
  block.resize(block.size() * 2);
  EXPECT_EQ("1, 0, 0, 1", query("FileVersion"));
  EXPECT_EQ("1, 0, 0, 1", query("ProductVersion"));
  EXPECT_EQ("NORVO Control Panel Applet", query("FileDescription"));
  EXPECT_EQ("NORVO SETUP Dynamic Link Library", query("ProductName"));
  LPVOID fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &fixed, &length));
  const DWORD* numbers = static_cast<const DWORD*>(fixed);
  EXPECT_EQ(0x00010000u, numbers[2]);  // file version, high and low
  EXPECT_EQ(0x00000001u, numbers[3]);
  EXPECT_EQ(0x00010000u, numbers[4]);  // product version
  EXPECT_EQ(0x00000001u, numbers[5]);

  char about[32];
  LoadStringA(CurrentModule(), 101, about, sizeof about);
  EXPECT_STREQ("&About ...", about);
}

}  // namespace
