// The dialog framework's controls: each finds its window through the dialog it was constructed
// with, and the typed controls do what their names say. Run on the configuration dialog's
// template, with a dialog class of the test's own.
#include <gtest/gtest.h>

#include "AppletTestSupport.h"
#include "Dialog.h"

using memory::DialogUser;

namespace {

class ControlsDialog : public Dialog {
 public:
  ControlsDialog()
      : Dialog(131, nullptr),
        combo(*this, IDC_PORT_COMBO),
        check(*this, IDC_RS485_CHECK),
        slider(*this, IDC_TX_SLIDER),
        levelText(*this, IDC_TX_LEVEL_TEXT),
        missing(*this, 4242) {}

  ComboBox combo;
  Button check;
  Trackbar slider;
  Control levelText;
  Control missing;  // an id the template does not have
  std::vector<HWND> handlesAtInit;

  std::vector<HWND> Handles() const {
    return {combo.Handle(), check.Handle(), slider.Handle(), levelText.Handle(), missing.Handle()};
  }

 protected:
  BOOL OnInitDialog() override {
    handlesAtInit = Handles();
    EXPECT_EQ(0, combo.AddString("COM3"));
    EXPECT_EQ(1, combo.AddString("COM10"));
    EXPECT_EQ(1, combo.SetCurSel(1));
    check.SetCheck(BST_CHECKED);
    slider.SetRangeMin(1, FALSE);
    slider.SetRangeMax(127, FALSE);
    slider.SetTic(40);
    slider.SetTic(20);
    slider.SetPos(300, TRUE);  // beyond the range: the thumb stops at its end
    levelText.SetText("127");
    return TRUE;
  }
};

// Each control has its window from the initialisation until the dialog ends, and the typed
// controls set what the user sees and read back what the user changes.
TEST(DialogControls, EachControlHasItsWindowWhileTheDialogRunsAndTypedOnesSetAndReadIt) {
  memory::Reset();
  ControlsDialog dialog;
  const std::vector<HWND> none(5, nullptr);
  EXPECT_EQ(none, dialog.Handles());

  memory::OnDialog("Norvo Configuration", [&](DialogUser& user) {
    EXPECT_EQ((std::vector<HWND>{user.Item(IDC_PORT_COMBO), user.Item(IDC_RS485_CHECK), user.Item(IDC_TX_SLIDER), user.Item(IDC_TX_LEVEL_TEXT), nullptr}),
              dialog.handlesAtInit);
    for (HWND handle : std::vector<HWND>(dialog.handlesAtInit.begin(), dialog.handlesAtInit.end() - 1))
      EXPECT_NE(nullptr, handle);
    EXPECT_EQ((std::vector<std::string>{"COM3", "COM10"}), user.Items(IDC_PORT_COMBO));
    EXPECT_EQ(1, user.Selection(IDC_PORT_COMBO));
    EXPECT_EQ(BST_CHECKED, user.Checked(IDC_RS485_CHECK));
    EXPECT_EQ((std::vector<LONG>{20, 40}), user.Ticks(IDC_TX_SLIDER));
    EXPECT_EQ(127, user.Position(IDC_TX_SLIDER));
    EXPECT_EQ("127", user.Text(IDC_TX_LEVEL_TEXT));

    // What the user changes, the typed controls read back.
    user.Choose(IDC_PORT_COMBO, 0);
    user.Click(IDC_RS485_CHECK);
    user.Drag(IDC_TX_SLIDER, 33);
    EXPECT_EQ(0, dialog.combo.GetCurSel());
    EXPECT_EQ(BST_UNCHECKED, dialog.check.GetCheck());
    EXPECT_EQ(33, dialog.slider.GetPos());

    dialog.slider.ClearTics(TRUE);
    EXPECT_TRUE(user.Ticks(IDC_TX_SLIDER).empty());
    EXPECT_EQ(CB_ERR, dialog.combo.SetCurSel(-1));
    EXPECT_EQ(CB_ERR, dialog.combo.GetCurSel());
    user.Key(VK_ESCAPE);
  });
  EXPECT_EQ(IDCANCEL, dialog.DoModal());
  EXPECT_EQ(0u, memory::PendingScripts());
  EXPECT_EQ(none, dialog.Handles());
}

}  // namespace
