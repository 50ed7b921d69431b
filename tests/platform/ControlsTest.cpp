// What dialogs and the standard controls do, as the programs rely on it. Each test runs the
// applet's own configuration template and makes its checks from inside the dialog procedure.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "PlatformTestSupport.h"
#include "module.h"
#include "resource.h"

namespace {

const UINT kAfterInit = WM_USER + 100;

struct DialogRun {
  std::function<void(HWND)> onInit;       // inside WM_INITDIALOG
  std::function<void(HWND)> afterInit;    // from the modal loop, once initialisation is over
  std::vector<std::pair<WORD, WORD>> commands;  // WM_COMMAND ids and codes received
  bool endAfterInit = true;
};

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  static DialogRun* run;
  switch (message) {
    case WM_INITDIALOG:
      run = reinterpret_cast<DialogRun*>(lParam);
      if (run->onInit) run->onInit(dialog);
      PostMessageA(dialog, kAfterInit, 0, 0);
      return TRUE;
    case kAfterInit:
      if (run->afterInit) run->afterInit(dialog);
      if (run->endAfterInit) EndDialog(dialog, 77);
      return TRUE;
    case WM_COMMAND:
      run->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
      return TRUE;
  }
  return FALSE;
}

INT_PTR RunConfigDialog(DialogRun& run) {
  InitCommonControls();
  return DialogBoxParamA(CurrentModule(), MAKEINTRESOURCEA(131), nullptr, Procedure, reinterpret_cast<LPARAM>(&run));
}

std::string Text(HWND window) {
  char text[256];
  GetWindowTextA(window, text, sizeof text);
  return text;
}

TEST(Controls, ADropDownListWithoutSortingKeepsTheOrderItemsWereAdded) {
  DialogRun run;
  run.onInit = [](HWND dialog) {
    HWND combo = GetDlgItem(dialog, IDC_PORT_COMBO);
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    for (const char* item : {"COM9", "COM10", "COM2"}) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    char text[16];
    SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::string("COM10"), text);
    EXPECT_EQ(2, SendMessageA(combo, CB_SETCURSEL, 2, 0));
    EXPECT_EQ(2, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0));
    EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  };
  EXPECT_EQ(77, RunConfigDialog(run));
}

TEST(Controls, ATrackbarClampsItsPositionToItsRangeAndKeepsTickMarksInside) {
  DialogRun run;
  run.onInit = [](HWND dialog) {
    HWND slider = GetDlgItem(dialog, IDC_RX_SLIDER);
    EXPECT_EQ(0, SendMessageA(slider, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(100, SendMessageA(slider, TBM_GETRANGEMAX, 0, 0));
    SendMessageA(slider, TBM_SETRANGEMIN, FALSE, 1);
    SendMessageA(slider, TBM_SETRANGEMAX, FALSE, 127);
    EXPECT_EQ(1, SendMessageA(slider, TBM_GETPOS, 0, 0));
    SendMessageA(slider, TBM_SETPOS, TRUE, 200);
    EXPECT_EQ(127, SendMessageA(slider, TBM_GETPOS, 0, 0));
    SendMessageA(slider, TBM_SETPOS, TRUE, -5);
    EXPECT_EQ(1, SendMessageA(slider, TBM_GETPOS, 0, 0));

    EXPECT_EQ(2, SendMessageA(slider, TBM_GETNUMTICS, 0, 0));  // the two ends
    EXPECT_TRUE(SendMessageA(slider, TBM_SETTIC, 0, 20));
    EXPECT_TRUE(SendMessageA(slider, TBM_SETTIC, 0, 100));
    EXPECT_FALSE(SendMessageA(slider, TBM_SETTIC, 0, 128));
    EXPECT_EQ(4, SendMessageA(slider, TBM_GETNUMTICS, 0, 0));
    EXPECT_EQ(20, SendMessageA(slider, TBM_GETTIC, 0, 0));
    SendMessageA(slider, TBM_CLEARTICS, FALSE, 0);
    EXPECT_EQ(2, SendMessageA(slider, TBM_GETNUMTICS, 0, 0));
  };
  RunConfigDialog(run);
}

TEST(Controls, AnAutomaticCheckBoxTogglesOnAClickAndTellsItsDialog) {
  DialogRun run;
  run.onInit = [](HWND dialog) {
    HWND check = GetDlgItem(dialog, IDC_RS485_CHECK);
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
    SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_CHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
    SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
    // A two-state box shows any other state as checked.
    SendMessageA(check, BM_SETCHECK, 5, 0);
    EXPECT_EQ(BST_CHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
  };
  RunConfigDialog(run);
  ASSERT_EQ(2u, run.commands.size());
  EXPECT_EQ(IDC_RS485_CHECK, run.commands[0].first);
  EXPECT_EQ(BN_CLICKED, run.commands[0].second);
}

TEST(Controls, TheCloseBoxEndsTheDialogThroughAPostedIdCancel) {
  DialogRun run;
  run.endAfterInit = false;
  DialogRun* self = &run;
  run.afterInit = [self](HWND dialog) {
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(self->commands.empty());  // posted, not sent
  };
  EXPECT_EQ(IDCANCEL, RunConfigDialog(run));
  ASSERT_EQ(1u, run.commands.size());
  EXPECT_EQ(IDCANCEL, run.commands[0].first);
  EXPECT_EQ(BN_CLICKED, run.commands[0].second);
}

TEST(Controls, TextsIconsAndTheSystemMenu) {
  DialogRun run;
  run.onInit = [](HWND dialog) {
    EXPECT_EQ("Norvo Configuration", Text(dialog));
    EXPECT_EQ("&Default", Text(GetDlgItem(dialog, IDC_DEFAULT_BUTTON)));
    EXPECT_TRUE(SetDlgItemTextA(dialog, 1050, "1.2.3"));
    EXPECT_EQ("1.2.3", Text(GetDlgItem(dialog, 1050)));

    HICON icon = LoadIconA(CurrentModule(), MAKEINTRESOURCEA(129));
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, LoadIconA(CurrentModule(), MAKEINTRESOURCEA(129)));
    EXPECT_EQ(nullptr, LoadIconA(CurrentModule(), MAKEINTRESOURCEA(999)));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    EXPECT_EQ(reinterpret_cast<LRESULT>(icon), SendMessageA(dialog, WM_GETICON, ICON_BIG, 0));

    HMENU menu = GetSystemMenu(dialog, FALSE);
    ASSERT_NE(nullptr, menu);
    int before = GetMenuItemCount(menu);
    EXPECT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
    EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 16, "&About ..."));
    ASSERT_EQ(before + 2, GetMenuItemCount(menu));
    EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(before), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(16u, GetMenuItemID(menu, before + 1));
    char text[32];
    GetMenuStringA(menu, 16, text, sizeof text, MF_BYCOMMAND);
    EXPECT_EQ(std::string("&About ..."), text);
  };
  RunConfigDialog(run);
}

HWND outer;

INT_PTR CALLBACK InnerProcedure(HWND about, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  EXPECT_FALSE(IsWindowEnabled(outer));
  EXPECT_EQ(outer, GetWindow(about, GW_OWNER));
  EndDialog(about, IDOK);
  return TRUE;
}

TEST(Controls, AModalDialogDisablesItsOwnerUntilItEnds) {
  DialogRun run;
  run.afterInit = [](HWND dialog) {
    outer = dialog;
    EXPECT_EQ(IDOK, DialogBoxParamA(CurrentModule(), MAKEINTRESOURCEA(100), dialog, InnerProcedure, 0));
    EXPECT_TRUE(IsWindowEnabled(dialog));
  };
  RunConfigDialog(run);
}

TEST(Controls, StringResourcesAndMissingTemplates) {
  char text[64];
  EXPECT_EQ(10, LoadStringA(CurrentModule(), 101, text, sizeof text));
  EXPECT_EQ(std::string("&About ..."), text);
  EXPECT_EQ(4, LoadStringA(CurrentModule(), 101, text, 5));
  EXPECT_EQ(std::string("&Abo"), text);
  EXPECT_EQ(-1, DialogBoxParamA(CurrentModule(), MAKEINTRESOURCEA(4242), nullptr, Procedure, 0));
}

}  // namespace
