// What the window calls do on a dialog and its items, and what message boxes show and answer,
// as the programs rely on it. Outputs and the last error hold a marker before each call and are
// checked after it; each test runs the applet's configuration template.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "PlatformTestSupport.h"
#include "module.h"

namespace {

const DWORD kMarker = 0xdeadbeef;
const int kOk = IDOK, kCancelButton = 1048, kCombo = 1049, kVersion = 1050, kDefault = 1060, kRxHigh = 1069;
const char kCaption[] = "Norvo Configuration";
HWND const kNoWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7ff00));

struct Scene {
  std::function<void(HWND)> onInit;   // inside WM_INITDIALOG
  std::function<void(HWND)> onClick;  // when the shown dialog's "&Default" button is clicked
};
Scene* run;

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      if (run->onInit) run->onInit(dialog);
      if (!run->onClick) EndDialog(dialog, 77);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == kDefault && run->onClick) {
        run->onClick(dialog);
        EndDialog(dialog, 78);
      }
      return TRUE;
  }
  return FALSE;
}

INT_PTR RunDialog(Scene& r, HWND owner = nullptr) {
  run = &r;
  InitCommonControls();
  if (r.onClick) ClickWhenShown(kCaption, kDefault);
  INT_PTR result = DialogBoxParamA(CurrentModule(), MAKEINTRESOURCEA(131), owner, Procedure, 0);
  if (r.onClick) {
    EXPECT_TRUE(AnsweredMessageBox().came);
  }
  return result;
}

TEST(Windows, TextsAreSetReadAndCutShortWithTheirNul) {
  Scene r;
  r.onInit = [](HWND dialog) {
    SetLastError(kMarker);
    EXPECT_TRUE(SetWindowTextA(dialog, "Norvo Setup"));
    EXPECT_EQ(11, GetWindowTextLengthA(dialog));
    char text[8];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(4, GetWindowTextA(dialog, text, 5));
    EXPECT_EQ(std::string("Norv"), text);
    EXPECT_EQ('x', text[5]);

    HWND version = GetDlgItem(dialog, kVersion);
    ASSERT_NE(nullptr, version);
    EXPECT_TRUE(SetWindowTextA(version, "1.0.0.1"));
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(7u, GetDlgItemTextA(dialog, kVersion, text, sizeof text));
    EXPECT_EQ(std::string("1.0.0.1"), text);
    EXPECT_EQ(kMarker, GetLastError());

    // An item that is not there reads as an empty text.
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(0u, GetDlgItemTextA(dialog, 4242, text, sizeof text));
    EXPECT_EQ(0, text[0]);

    SetLastError(kMarker);
    EXPECT_FALSE(SetWindowTextA(kNoWindow, "x"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  };
  EXPECT_EQ(77, RunDialog(r));
}

TEST(Windows, ItemsKnowTheirIdParentAndStyle) {
  Scene r;
  r.onInit = [](HWND dialog) {
    struct Item {
      int id;
      LONG style;    // bits the template gives
      LONG exStyle;
    };
    // A combo box keeps the template's scroll bar style for its list, not for itself.
    for (const Item& item : {Item{kOk, BS_DEFPUSHBUTTON | WS_TABSTOP, 0}, Item{kCombo, CBS_DROPDOWNLIST | WS_TABSTOP, 0},
                             Item{kRxHigh, 0, WS_EX_RIGHT}}) {
      SCOPED_TRACE(item.id);
      SetLastError(kMarker);
      HWND window = GetDlgItem(dialog, item.id);
      ASSERT_NE(nullptr, window);
      EXPECT_TRUE(IsWindow(window));
      EXPECT_EQ(item.id, GetDlgCtrlID(window));
      EXPECT_EQ(dialog, GetParent(window));
      EXPECT_EQ(item.style | WS_CHILD, GetWindowLongA(window, GWL_STYLE) & (item.style | WS_CHILD));
      EXPECT_EQ(item.exStyle, GetWindowLongA(window, GWL_EXSTYLE) & item.exStyle);
      EXPECT_EQ(kMarker, GetLastError());
    }
    EXPECT_EQ(0, GetWindowLongA(GetDlgItem(dialog, kCombo), GWL_STYLE) & WS_VSCROLL);
    EXPECT_EQ(WS_CAPTION | WS_SYSMENU | WS_POPUP, GetWindowLongA(dialog, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU | WS_POPUP));
    EXPECT_EQ(nullptr, GetParent(dialog));  // no owner

    SetLastError(kMarker);
    EXPECT_FALSE(IsWindow(kNoWindow));
    EXPECT_EQ(0, GetWindowLongA(kNoWindow, GWL_STYLE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    // The last error of a missing item is not pinned: the system sets ERROR_CONTROL_ID_NOT_FOUND
    // (which the in-memory machine follows), Wine leaves it; the programs do not read it.
    EXPECT_EQ(nullptr, GetDlgItem(dialog, 4242));
  };
  RunDialog(r);
}

TEST(Windows, EnablingReportsThePreviousStateAndFocusMovesToEnabledItems) {
  Scene r;
  r.onInit = [](HWND dialog) {
    HWND button = GetDlgItem(dialog, kCancelButton), combo = GetDlgItem(dialog, kCombo);
    // The last error after EnableWindow is not pinned: Wine clears it, the documentation says
    // nothing about it.
    EXPECT_FALSE(EnableWindow(button, FALSE));  // it was enabled
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_FALSE(EnableWindow(button, FALSE) == FALSE);  // now it was disabled
    EXPECT_FALSE(EnableWindow(button, TRUE) == FALSE);
    EXPECT_TRUE(IsWindowEnabled(button));

    SetFocus(combo);
    EXPECT_EQ(combo, GetFocus());
    EXPECT_EQ(combo, SetFocus(button));
    EXPECT_EQ(button, GetFocus());
    // Disabling the focused item takes the focus away from it.
    EnableWindow(button, FALSE);
    EXPECT_NE(button, GetFocus());
    EnableWindow(button, TRUE);

    // Not shown before its initialisation is over, and so neither are its items.
    EXPECT_FALSE(IsWindowVisible(dialog));
    EXPECT_FALSE(IsWindowVisible(combo));
    EXPECT_FALSE(IsWindowVisible(kNoWindow));
  };
  RunDialog(r);
}

TEST(Windows, AShownDialogIsVisibleActiveAndAnswersItsItemsMessages) {
  Scene r;
  r.onClick = [](HWND dialog) {
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, kCombo)));
    EXPECT_EQ(dialog, GetActiveWindow());
    SetLastError(kMarker);
    EXPECT_EQ(0, SendDlgItemMessageA(dialog, kCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("COM11")));
    EXPECT_EQ(1, SendDlgItemMessageA(dialog, kCombo, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(kMarker, GetLastError());
    EXPECT_EQ(0, SendDlgItemMessageA(dialog, 4242, CB_GETCOUNT, 0, 0));
  };
  EXPECT_EQ(78, RunDialog(r));
  EXPECT_EQ(nullptr, GetActiveWindow());
}

TEST(MessageBoxes, ABoxShowsItsTextAndAnswersWithTheButtonPressed) {
  struct Case {
    UINT type;
    int button;
  };
  const char caption[] = "Norvo platform test";
  for (const Case& c : {Case{MB_OK, IDOK}, Case{MB_OKCANCEL | MB_ICONEXCLAMATION, IDCANCEL},
                        Case{MB_YESNO | MB_ICONQUESTION, IDNO}, Case{MB_RETRYCANCEL, IDRETRY}}) {
    SCOPED_TRACE(c.type);
    AnswerMessageBox(caption, c.button);
    SetLastError(kMarker);
    EXPECT_EQ(c.button, MessageBoxA(nullptr, "Some of Norvo ports\nare open.", caption, c.type));
    SeenMessageBox seen = AnsweredMessageBox();
    EXPECT_TRUE(seen.came);
    EXPECT_EQ("Some of Norvo ports\nare open.", seen.text);
  }
}

TEST(MessageBoxes, ABoxOverADialogDisablesItUntilAnswered) {
  Scene r;
  r.onClick = [](HWND dialog) {
    AnswerMessageBox("Norvo Setup", IDOK);
    EXPECT_EQ(IDOK, MessageBoxA(dialog, "The prefix is not valid.", "Norvo Setup", MB_ICONEXCLAMATION));
    EXPECT_TRUE(AnsweredMessageBox().came);
    EXPECT_TRUE(IsWindowEnabled(dialog));
  };
  EXPECT_EQ(78, RunDialog(r));
}

TEST(Windows, MenuCallsOnItemsThatAreNotThereFail) {
  Scene r;
  r.onInit = [](HWND dialog) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(nullptr, menu);
    int count = GetMenuItemCount(menu);
    ASSERT_GT(count, 0);
    // Only the text call sets the last error (ERROR_MENU_ITEM_NOT_FOUND, as under Wine; the
    // documentation says nothing of the others).
    SetLastError(kMarker);
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuItemID(menu, count));
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(menu, 4242, MF_BYCOMMAND));
    HMENU noMenu = reinterpret_cast<HMENU>(static_cast<uintptr_t>(0x7ff00));
    EXPECT_EQ(-1, GetMenuItemCount(noMenu));
    EXPECT_FALSE(AppendMenuA(noMenu, MF_STRING, 17, "x"));
    EXPECT_EQ(kMarker, GetLastError());
    char text[16];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(0, GetMenuStringA(menu, 4242, text, sizeof text, MF_BYCOMMAND));
    EXPECT_EQ('x', text[0]);
    EXPECT_EQ(1456u, GetLastError());
    SetLastError(kMarker);
    EXPECT_EQ(nullptr, GetSystemMenu(dialog, TRUE));  // back to the standard menu
  };
  RunDialog(r);
}

TEST(Windows, CallsOnAWindowThatIsNotThereFailWithInvalidWindowHandle) {
  char text[8];
  struct Case {
    const char* call;
    std::function<bool()> failed;
  };
  const Case cases[] = {
      {"EndDialog", [] { return !EndDialog(kNoWindow, 1); }},
      {"PostMessageA", [] { return !PostMessageA(kNoWindow, WM_USER, 0, 0); }},
      {"SendMessageA", [] { return SendMessageA(kNoWindow, WM_USER, 0, 0) == 0; }},
      {"SetWindowTextA", [] { return !SetWindowTextA(kNoWindow, "x"); }},
      {"GetWindowTextA",
       [&text] {
         std::memset(text, 'x', sizeof text);
         return GetWindowTextA(kNoWindow, text, sizeof text) == 0 && text[0] == 0;
       }},
      {"GetWindowTextLengthA", [] { return GetWindowTextLengthA(kNoWindow) == 0; }},
      {"EnableWindow", [] { return !EnableWindow(kNoWindow, TRUE); }},
      {"IsWindowEnabled", [] { return !IsWindowEnabled(kNoWindow); }},
      {"GetParent", [] { return GetParent(kNoWindow) == nullptr; }},
      {"GetWindow", [] { return GetWindow(kNoWindow, GW_OWNER) == nullptr; }},
      {"GetDlgCtrlID", [] { return GetDlgCtrlID(kNoWindow) == 0; }},
      {"SetFocus", [] { return SetFocus(kNoWindow) == nullptr; }},
      {"GetWindowLongA", [] { return GetWindowLongA(kNoWindow, GWL_STYLE) == 0; }},
      {"GetSystemMenu", [] { return GetSystemMenu(kNoWindow, FALSE) == nullptr; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    SetLastError(kMarker);
    EXPECT_TRUE(c.failed());
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
  }
  // Items of a window that is not there are not found, and the last error stays (both sides).
  SetLastError(kMarker);
  EXPECT_EQ(nullptr, GetDlgItem(kNoWindow, kOk));
  EXPECT_EQ(kMarker, GetLastError());
}

TEST(Windows, ResourcesThatAreNotThereAreNotFound) {
  SetLastError(kMarker);
  EXPECT_EQ(-1, DialogBoxParamA(CurrentModule(), MAKEINTRESOURCEA(4242), nullptr, Procedure, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());

  char text[8];
  std::memset(text, 'x', sizeof text);
  SetLastError(kMarker);
  EXPECT_EQ(0, LoadStringA(CurrentModule(), 4242, text, sizeof text));
  EXPECT_EQ(0, text[0]);
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());

  // The last error of a missing icon is not pinned: Wine reports ERROR_RESOURCE_TYPE_NOT_FOUND
  // although the module has icons; the in-memory machine reports the name as not found.
  EXPECT_EQ(nullptr, LoadIconA(CurrentModule(), MAKEINTRESOURCEA(999)));
}

TEST(Windows, TheThreadsLocaleChoosesTheLanguageOfDialogsAndStrings) {
  // The applet's dialogs and strings are there in U.S. English and in German (Germany), its icon
  // in English only. An umlaut reaches the ANSI calls as its code page 1252 byte.
  const LCID before = GetThreadLocale();
  auto text = [](UINT id) {
    char buffer[64] = "x";
    LoadStringA(CurrentModule(), id, buffer, sizeof buffer);
    return std::string(buffer);
  };
  const LCID german = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
  ASSERT_TRUE(SetThreadLocale(german));
  EXPECT_EQ(german, GetThreadLocale());
  EXPECT_EQ("&Info ...", text(101));
  EXPECT_EQ("Ung\xFCltiger Anschlussname.", text(2003));
  EXPECT_NE(nullptr, LoadIconA(CurrentModule(), MAKEINTRESOURCEA(129)));
  Scene r;
  r.onInit = [](HWND dialog) {
    char caption[32], button[32];
    GetWindowTextA(dialog, caption, sizeof caption);
    GetDlgItemTextA(dialog, kOk, button, sizeof button);
    EXPECT_EQ(std::string("Norvo-Konfiguration"), caption);
    EXPECT_EQ(std::string("\xDC" "bernehmen und beenden"), button);
  };
  EXPECT_EQ(77, RunDialog(r));

  // A thread in a language the module lacks, French or German (Austria), gets the user's
  // language, and failing that U.S. English: never a module's other German.
  if (GetUserDefaultLangID() != MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)) {
    for (WORD language : {MAKELANGID(LANG_FRENCH, SUBLANG_DEFAULT), MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN_AUSTRIAN)}) {
      ASSERT_TRUE(SetThreadLocale(MAKELCID(language, SORT_DEFAULT)));
      EXPECT_EQ("&About ...", text(101)) << std::hex << language;
    }
  }
  // LOCALE_USER_DEFAULT stands for the user's locale.
  ASSERT_TRUE(SetThreadLocale(LOCALE_USER_DEFAULT));
  EXPECT_EQ(GetUserDefaultLangID(), LANGIDFROMLCID(GetThreadLocale()));
  SetThreadLocale(before);
}

TEST(Windows, ControlsRefuseRequestsOutOfRangeAndCutTextsToTheBuffer) {
  Scene r;
  r.onInit = [](HWND dialog) {
    HWND combo = GetDlgItem(dialog, kCombo), slider = GetDlgItem(dialog, 1057), ok = GetDlgItem(dialog, kOk);
    HWND cancel = GetDlgItem(dialog, kCancelButton);
    SetLastError(kMarker);
    EXPECT_EQ(0, SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("A")));
    EXPECT_EQ(1, SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("B")));
    EXPECT_EQ(1, SendMessageA(combo, CB_SETCURSEL, 1, 0));
    // Past the end: refused, and the selection stays (as under Wine; the documentation says
    // the selection is cleared). The programs never ask for it.
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_SETCURSEL, 5, 0));
    EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(kMarker, GetLastError());
    char text[8];
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(text)));
    EXPECT_EQ('x', text[0]);
    EXPECT_EQ(1413u, GetLastError());  // ERROR_INVALID_INDEX
    SetLastError(kMarker);
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETLBTEXTLEN, 7, 0));
    EXPECT_EQ(1413u, GetLastError());
    SetLastError(kMarker);
    EXPECT_NE(0, SendMessageA(combo, CB_RESETCONTENT, 0, 0));  // Wine answers TRUE
    EXPECT_EQ(0, SendMessageA(combo, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETCURSEL, 0, 0));

    // A push button has no check state.
    SendMessageA(cancel, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(cancel, BM_GETCHECK, 0, 0));

    EXPECT_EQ(1, SendMessageA(slider, TBM_GETLINESIZE, 0, 0));
    EXPECT_EQ(20, SendMessageA(slider, TBM_GETPAGESIZE, 0, 0));  // a fifth of the range
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELONG(1, 127));
    EXPECT_EQ(1, SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(127, SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(1, SendMessageA(slider, TBM_GETPOS, 0, 0));
    EXPECT_EQ(25, SendMessageA(slider, TBM_GETPAGESIZE, 0, 0));
    SendMessageA(slider, TBM_SETPOS, TRUE, 60);
    SendMessageA(slider, TBM_SETRANGEMAX, TRUE, 50);
    EXPECT_EQ(50, SendMessageA(slider, TBM_GETPOS, 0, 0));
    EXPECT_EQ(-1, SendMessageA(slider, TBM_GETTIC, 3, 0));

    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(0, SendMessageA(ok, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(text)));
    EXPECT_EQ('x', text[0]);
    EXPECT_EQ(2, SendMessageA(ok, WM_GETTEXT, 3, reinterpret_cast<LPARAM>(text)));
    EXPECT_EQ(std::string("Ap"), text);
    std::memset(text, 'x', sizeof text);
    EXPECT_EQ(3u, GetDlgItemTextA(dialog, kOk, text, 4));
    EXPECT_EQ(std::string("App"), text);
    EXPECT_EQ(kMarker, GetLastError());

    EXPECT_FALSE(SetDlgItemTextA(dialog, 4242, "x"));
    EXPECT_EQ(MAKELONG(kOk, DC_HASDEFID), SendMessageA(dialog, DM_GETDEFID, 0, 0));
    EXPECT_EQ(0, SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));
    EXPECT_EQ(nullptr, GetWindow(dialog, GW_OWNER));
  };
  RunDialog(r);
}

}  // namespace
