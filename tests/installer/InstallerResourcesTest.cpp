// The installer's compiled resources, checked against the tables they were drawn from.
#include <gtest/gtest.h>

#include "InstallerTestSupport.h"
#include "Translation.h"
#include "module.h"

namespace {

std::vector<short> Box(const memory::TemplateItem& item) { return {item.x, item.y, item.cx, item.cy}; }

TEST(InstallerResources, TheWelcomePage) {
  memory::DialogTemplate t = memory::ReadDialogTemplate(CurrentModule(), 101);
  EXPECT_EQ(kPageCaption, t.caption);
  EXPECT_EQ(292, t.cx);
  EXPECT_EQ(161, t.cy);
  EXPECT_EQ("MS Sans Serif", t.font);
  EXPECT_EQ(8, t.pointSize);
  EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT), t.style);
  ASSERT_EQ(7u, t.items.size());
  EXPECT_EQ(1, t.items[0].id);
  EXPECT_EQ("&Next >", t.items[0].text);
  EXPECT_EQ(static_cast<DWORD>(BS_DEFPUSHBUTTON), t.items[0].style & BS_TYPEMASK);
  EXPECT_EQ((std::vector<short>{175, 140, 50, 14}), Box(t.items[0]));
  EXPECT_EQ("Cancel", t.items[1].text);
  EXPECT_EQ((std::vector<short>{235, 140, 50, 14}), Box(t.items[1]));
  EXPECT_EQ("Welcome", t.items[2].text);
  EXPECT_EQ(static_cast<DWORD>(BS_GROUPBOX), t.items[2].style & BS_TYPEMASK);
  EXPECT_EQ(128, t.items[3].titleOrdinal);
  EXPECT_EQ((std::vector<short>{55, 50, 220, 35}), Box(t.items[4]));
  EXPECT_EQ(0u, t.items[4].text.find("This application allows you to install or uninstall Norvo cPCI"));
  EXPECT_EQ("Click Next to continue...", t.items[5].text);
  EXPECT_EQ("Windows NT4 Device Installer", t.items[6].text);
  EXPECT_EQ((std::vector<short>{55, 20, 170, 15}), Box(t.items[6]));
}

TEST(InstallerResources, TheOperationPage) {
  memory::DialogTemplate t = memory::ReadDialogTemplate(CurrentModule(), 102);
  EXPECT_EQ(kPageCaption, t.caption);
  EXPECT_TRUE(t.style & WS_VISIBLE);
  EXPECT_TRUE(t.exStyle & WS_EX_APPWINDOW);
  ASSERT_EQ(8u, t.items.size());
  std::vector<int> ids;
  for (const auto& item : t.items) ids.push_back(item.id);
  EXPECT_EQ((std::vector<int>{1007, 2, -1, 1001, 1002, 1008, -1, 1004}), ids);
  EXPECT_EQ("&Cancel", t.items[1].text);
  EXPECT_EQ("Install / Uninstall", t.items[2].text);
  EXPECT_EQ("&INSTALL\nCopies files and adds information to the Windows registry", t.items[3].text);
  EXPECT_EQ(static_cast<DWORD>(BS_AUTORADIOBUTTON), t.items[3].style & BS_TYPEMASK);
  EXPECT_TRUE(t.items[3].style & BS_MULTILINE);
  EXPECT_EQ((std::vector<short>{50, 90, 205, 25}), Box(t.items[4]));
  EXPECT_EQ("Please select the operation to perform...", t.items[5].text);
  EXPECT_EQ("xxx", t.items[7].text);
  EXPECT_EQ((std::vector<short>{60, 20, 165, 10}), Box(t.items[7]));
  EXPECT_TRUE(t.items[7].style & SS_NOPREFIX);  // the file's name as found, "&" included
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
