// The applet's compiled resources, checked against the tables they were drawn from.
#include <gtest/gtest.h>

#include <cctype>

#include "AppletTestSupport.h"
#include "Translation.h"
#include "module.h"

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

struct Expected {
  int id;
  const char* cls;
  const char* text;
  short x, y, cx, cy;
  DWORD style;  // bits that must be set (besides WS_CHILD | WS_VISIBLE)
  DWORD exStyle;
};

void ExpectItems(const memory::DialogTemplate& t, const std::vector<Expected>& expected) {
  ASSERT_EQ(expected.size(), t.items.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const memory::TemplateItem& item = t.items[i];
    const Expected& e = expected[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (" + e.text + ")");
    EXPECT_EQ(e.id, item.id);
    EXPECT_EQ(Upper(e.cls), Upper(item.cls));  // window classes are matched without regard to case
    EXPECT_EQ(std::string(e.text), item.text);
    EXPECT_EQ(e.x, item.x);
    EXPECT_EQ(e.y, item.y);
    EXPECT_EQ(e.cx, item.cx);
    EXPECT_EQ(e.cy, item.cy);
    EXPECT_EQ(e.style | WS_CHILD | WS_VISIBLE, item.style & (e.style | WS_CHILD | WS_VISIBLE));
    EXPECT_EQ(e.exStyle, item.exStyle);
  }
}

const DWORD kButton = WS_TABSTOP;
const DWORD kStatic = 0;

TEST(Resources, TheConfigurationDialogTemplate) {
  memory::DialogTemplate t = memory::ReadDialogTemplate(CurrentModule(), 131);
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(0x80C800C4u, t.style);
  EXPECT_EQ(353, t.cx);
  EXPECT_EQ(185, t.cy);
  EXPECT_EQ("Norvo Configuration", t.caption);
  EXPECT_EQ("MS Sans Serif", t.font);
  EXPECT_EQ(8, t.pointSize);
  ExpectItems(t, {
      {1, "Button", "Apply and Exit", 286, 45, 57, 15, kButton | BS_DEFPUSHBUTTON, 0},
      {1048, "Button", "Cancel", 285, 130, 58, 14, kButton, 0},
      {-1, "Static", "Driver Version", 109, 2, 53, 8, kStatic, 0},
      {1050, "Static", "Text", 174, 2, 78, 8, SS_NOPREFIX, 0},  // data: an "&" is shown as it is
      {1057, "msctls_trackbar32", "", 14, 94, 149, 18, WS_TABSTOP, 0},
      {1058, "msctls_trackbar32", "", 15, 137, 150, 19, WS_TABSTOP, 0},
      {1060, "Button", "&Default", 285, 84, 58, 14, kButton, 0},
      {1067, "Static", "Receive Buffer:", 21, 83, 51, 9, kStatic, 0},
      {1070, "Static", "Transmit Buffer:", 21, 128, 50, 9, kStatic, 0},
      {1068, "Static", "Low(1)", 20, 113, 31, 9, kStatic, 0},
      {1069, "Static", "High(120)", 121, 113, 37, 9, kStatic, WS_EX_RIGHT},
      {1071, "Static", "Low(1)", 22, 156, 31, 10, kStatic, 0},
      {1072, "Static", "High(120)", 123, 156, 37, 9, kStatic, WS_EX_RIGHT},
      {1073, "Static", "120", 72, 83, 19, 9, SS_NOPREFIX, 0},
      {1074, "Static", "120", 75, 128, 16, 9, SS_NOPREFIX, 0},
      {1047, "Button", "Half Duplex and Multidrop RS485 ", 20, 28, 142, 10, WS_TABSTOP | BS_AUTOCHECKBOX, 0},
      {1049, "ComboBox", "", 50, 55, 114, 64, WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0},
      {1075, "Static", "Port:", 20, 57, 23, 10, kStatic, 0},
  });
  for (const memory::TemplateItem& item : t.items) {
    if (Upper(item.cls) == "MSCTLS_TRACKBAR32") {
      EXPECT_FALSE(item.style & (TBS_AUTOTICKS | TBS_VERT));
    } else if (item.cls == "ComboBox") {
      EXPECT_FALSE(item.style & CBS_SORT);
    } else if (item.cls == "Button" && item.id != 1) {
      EXPECT_NE(static_cast<DWORD>(BS_DEFPUSHBUTTON), item.style & BS_TYPEMASK);
    }
  }
}

TEST(Resources, TheAboutAndPortsInUseTemplates) {
  memory::DialogTemplate about = memory::ReadDialogTemplate(CurrentModule(), 100);
  EXPECT_EQ(0x80C800C0u, about.style);
  EXPECT_EQ(207, about.cx);
  EXPECT_EQ(71, about.cy);
  EXPECT_EQ("About ", about.caption);
  EXPECT_EQ("MS Sans Serif", about.font);
  ASSERT_EQ(4u, about.items.size());
  EXPECT_EQ(129, about.items[0].titleOrdinal);
  EXPECT_EQ(static_cast<DWORD>(SS_ICON), about.items[0].style & 0x1F);
  EXPECT_EQ(11, about.items[0].x);
  EXPECT_EQ(17, about.items[0].y);
  EXPECT_EQ("Norvo  Configuration Utility Version 1.0", about.items[1].text);
  EXPECT_TRUE(about.items[1].style & SS_NOPREFIX);
  EXPECT_EQ((std::vector<short>{44, 14, 156, 8}), (std::vector<short>{about.items[1].x, about.items[1].y, about.items[1].cx, about.items[1].cy}));
  EXPECT_EQ((std::vector<short>{44, 29, 156, 8}), (std::vector<short>{about.items[2].x, about.items[2].y, about.items[2].cx, about.items[2].cy}));
  EXPECT_FALSE(about.items[2].text.empty());
  ExpectItems(memory::DialogTemplate{false, 0, 0, 0, 0, 0, 0, "", 0, "", {about.items[3]}},
              {{1, "Button", "OK", 83, 42, 32, 14, BS_DEFPUSHBUTTON, 0}});

  memory::DialogTemplate prompt = memory::ReadDialogTemplate(CurrentModule(), 143);
  EXPECT_EQ(0x80C800C0u, prompt.style);
  EXPECT_EQ(186, prompt.cx);
  EXPECT_EQ(63, prompt.cy);
  EXPECT_EQ("Norvo Setup", prompt.caption);
  EXPECT_EQ("MS Sans Serif", prompt.font);
  ExpectItems(prompt, {
      {1, "Button", "Re&try", 72, 43, 50, 14, kButton | BS_DEFPUSHBUTTON, 0},
      {2, "Button", "&Apply later", 131, 43, 50, 14, kButton, 0},
      {1076, "Button", "&Restart Window", 4, 43, 59, 14, kButton, 0},
      {-1, "Static",
       "Some of Norvo ports are currently being opened, you have to close all the Norvo ports before the changes you "
       "just made can be applied.",
       7, 9, 170, 30, SS_LEFT, 0},
  });
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
