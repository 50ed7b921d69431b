// The installer's compiled resources, checked against the tables they were drawn from.
#include <gtest/gtest.h>

#include "InstallerTestSupport.h"
#include "Translation.h"
#include "module.h"
#include "resource.h"

namespace {

TEST(InstallerResources, ThePages) {
  const DWORD page = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
  ExpectTemplate(CurrentModule(), {IDD_WELCOME, page, 0, 292, 161, kPageCaption, {
      {IDOK, "Button", "&Next >", 175, 140, 50, 14, BS_DEFPUSHBUTTON, 0, 0},
      {IDCANCEL, "Button", "Cancel", 235, 140, 50, 14, 0, 0, 0},
      {IDC_STATIC, "Button", "Welcome", 5, 5, 280, 130, BS_GROUPBOX, 0, 0},
      {IDC_STATIC, "Static", "", 20, 20, 0, 0, SS_ICON, 0, IDI_INSTALLER},
      {IDC_STATIC, "Static", "This application allows you to install or uninstall Norvo cPCI serial port device drivers "
       "for the Windows NT4 environment. It will now look for an installation file INF which specifies the install / "
       "uninstall procedure to carry out.", 55, 50, 220, 35, 0, 0, 0},
      {IDC_STATIC, "Static", "Click Next to continue...", 20, 140, 105, 10, 0, 0, 0},
      {IDC_STATIC, "Static", "Windows NT4 Device Installer", 55, 20, 170, 15, 0, 0, 0},
  }});
  ExpectTemplate(CurrentModule(), {IDD_OPERATION, page | WS_VISIBLE, WS_EX_APPWINDOW, 292, 161, kPageCaption, {
      {IDC_NEXT_BUTTON, "Button", "&Next >", 175, 140, 50, 14, BS_DEFPUSHBUTTON, 0, 0},
      {IDCANCEL, "Button", "&Cancel", 235, 140, 50, 14, 0, 0, 0},
      {IDC_STATIC, "Button", "Install / Uninstall", 5, 5, 280, 130, BS_GROUPBOX, 0, 0},
      {IDC_INSTALL_RADIO, "Button", "&INSTALL\nCopies files and adds information to the Windows registry", 50, 55, 205,
       25, BS_AUTORADIOBUTTON | BS_MULTILINE, 0, 0},
      {IDC_UNINSTALL_RADIO, "Button", "&UNINSTALL\nRemoves installed files and Windows registry information", 50, 90,
       205, 25, BS_AUTORADIOBUTTON | BS_MULTILINE, 0, 0},
      {IDC_STATUS_TEXT, "Static", "Please select the operation to perform...", 60, 30, 200, 20, 0, 0, 0},
      {IDC_STATIC, "Static", "", 20, 20, 0, 0, SS_ICON, 0, IDI_INSTALLER},
      {IDC_INF_FILE_TEXT, "Static", "xxx", 60, 20, 165, 10, SS_NOPREFIX, 0, 0},  // the file's name as found, "&" included
  }});
}

TEST(InstallerResources, TheGermanResourcesAreTheEnglishOnesTranslated) {
  ExpectTranslationOfEnglish(CurrentModule(), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN));
}

TEST(InstallerResources, IconAndVersion) {
  std::vector<BYTE> group = memory::ResourceData(CurrentModule(), RT_GROUP_ICON, MAKEINTRESOURCEA(128));
  ASSERT_EQ(20u, group.size());
  EXPECT_EQ(32, group[6]);
  EXPECT_EQ(16, group[8]);
  auto query = [](const char* name) { return memory::ModuleVersionString(CurrentModule(), name); };
  EXPECT_EQ("1.0.000", query("FileVersion"));
  EXPECT_EQ("1.0.000", query("ProductVersion"));
  EXPECT_EQ("PCI Serial Port Driver Installer (NT4)", query("FileDescription"));
  EXPECT_EQ("Norvo Serial port Driver Installer for Windows NT4", query("ProductName"));
}

}  // namespace
