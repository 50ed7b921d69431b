// The scripted user of the in-memory machine: scripts waiting for dialogs and message boxes, and
// what a person at the mouse and keyboard does to a shown dialog (DialogUser).
#include <algorithm>
#include <stdexcept>

#include "windowing.h"

namespace memory {
namespace {

void Scroll(Window* slider, WORD code, LONG pos) {
  UINT message = (slider->style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  SendMessageA(slider->parent, message, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(slider->handle));
}

Window* Control(HWND dialog, int id) {
  Window* w = Win(GetDlgItem(dialog, id));
  if (!w) throw std::logic_error("the dialog has no control " + std::to_string(id));
  return w;
}

}  // namespace

void RunScript(Window* dialog, bool messageBox) {
  Desktop& desk = Desk();
  std::string what = messageBox ? "message box" : "dialog";
  if (!messageBox || (!desk.scripts.empty() && desk.scripts.front().forMessageBox &&
                      desk.scripts.front().caption == dialog->text)) {
    if (desk.scripts.empty()) throw std::logic_error("nobody is scripted to answer the dialog \"" + dialog->text + "\"");
    Script script = desk.scripts.front();
    if (script.forMessageBox != messageBox || script.caption != dialog->text)
      throw std::logic_error("the " + what + " \"" + dialog->text + "\" opened where the script expected the " +
                             (script.forMessageBox ? "message box" : "dialog") + " \"" + script.caption + "\"");
    desk.scripts.pop_front();
    DialogUser user(dialog->handle);
    script.run(user);
  } else {
    DialogUser(dialog->handle).Key(VK_RETURN);
  }
  if (!dialog->ended) throw std::logic_error("the " + what + " \"" + dialog->text + "\" was left open by its script");
}

void OnDialog(const std::string& caption, std::function<void(DialogUser&)> script) {
  Desk().scripts.push_back(Script{false, caption, std::move(script)});
}
void OnMessageBox(const std::string& caption, std::function<void(DialogUser&)> script) {
  Desk().scripts.push_back(Script{true, caption, std::move(script)});
}
size_t PendingScripts() { return Desk().scripts.size(); }

HWND DialogUser::Item(int id) const { return GetDlgItem(dialog_, id); }
std::string DialogUser::Caption() const { return Win(dialog_) ? Win(dialog_)->text : std::string(); }
std::string DialogUser::Text(int id) const { return Control(dialog_, id)->text; }
bool DialogUser::Enabled(int id) const { return Control(dialog_, id)->enabled; }
bool DialogUser::Visible() const { return Win(dialog_) && Win(dialog_)->visible; }
int DialogUser::Checked(int id) const { return static_cast<int>(Control(dialog_, id)->check); }
std::vector<std::string> DialogUser::Items(int comboId) const { return Control(dialog_, comboId)->items; }
int DialogUser::Selection(int comboId) const { return Control(dialog_, comboId)->selection; }
LONG DialogUser::Position(int sliderId) const { return Control(dialog_, sliderId)->position; }
std::vector<LONG> DialogUser::Ticks(int sliderId) const { return Control(dialog_, sliderId)->ticks; }
HWND DialogUser::Focus() const { return Desk().focus; }
bool DialogUser::Ended() const { return !Win(dialog_) || Win(dialog_)->ended; }

void DialogUser::Click(int id) {
  Window* button = Control(dialog_, id);
  if (!button->enabled || !button->visible) throw std::logic_error("control " + std::to_string(id) + " cannot be clicked");
  if (IsPushButton(button)) Desk().focus = button->handle;
  SendMessageA(button->handle, BM_CLICK, 0, 0);
  Pump();
}

void DialogUser::Choose(int comboId, int index) {
  Window* combo = Control(dialog_, comboId);
  if (!combo->enabled || index < 0 || index >= static_cast<int>(combo->items.size()))
    throw std::logic_error("entry " + std::to_string(index) + " cannot be chosen");
  Desk().focus = combo->handle;
  combo->selection = index;
  Notify(combo, CBN_SELCHANGE);
  Pump();
}

void DialogUser::Drag(int sliderId, LONG pos) {
  Window* slider = Control(dialog_, sliderId);
  if (!slider->enabled) throw std::logic_error("the trackbar is disabled");
  Desk().focus = slider->handle;
  slider->position = Clamp(slider, pos);
  Scroll(slider, TB_THUMBTRACK, slider->position);
  Scroll(slider, TB_THUMBPOSITION, slider->position);
  Scroll(slider, TB_ENDTRACK, slider->position);
  Pump();
}

void DialogUser::SliderKey(int sliderId, int vk) {
  Window* slider = Control(dialog_, sliderId);
  Desk().focus = slider->handle;
  LONG page = std::max<LONG>(1, (slider->rangeMax - slider->rangeMin) / 5);
  WORD code;
  LONG pos = slider->position;
  switch (vk) {
    case VK_LEFT: case VK_UP: code = TB_LINEUP; pos -= 1; break;
    case VK_RIGHT: case VK_DOWN: code = TB_LINEDOWN; pos += 1; break;
    case VK_PRIOR: code = TB_PAGEUP; pos -= page; break;
    case VK_NEXT: code = TB_PAGEDOWN; pos += page; break;
    case VK_HOME: code = TB_TOP; pos = slider->rangeMin; break;
    case VK_END: code = TB_BOTTOM; pos = slider->rangeMax; break;
    default: throw std::logic_error("not a trackbar key");
  }
  slider->position = Clamp(slider, pos);
  Scroll(slider, code, slider->position);
  Scroll(slider, TB_ENDTRACK, slider->position);
  Pump();
}

void DialogUser::Key(int vk) {
  if (vk == VK_ESCAPE) {
    HWND cancel = GetDlgItem(dialog_, IDCANCEL);
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
  } else if (vk == VK_RETURN) {
    // A focused push button takes Enter itself; otherwise the default button does, or IDOK.
    Window* focused = Win(Desk().focus);
    if (focused && focused->parent == dialog_ && IsPushButton(focused)) {
      SendMessageA(focused->handle, BM_CLICK, 0, 0);
    } else {
      LRESULT def = SendMessageA(dialog_, DM_GETDEFID, 0, 0);
      HWND button = HIWORD(def) == DC_HASDEFID ? GetDlgItem(dialog_, LOWORD(def)) : nullptr;
      if (button && IsWindowEnabled(button))
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(LOWORD(def), BN_CLICKED), reinterpret_cast<LPARAM>(button));
      else if (!button)
        SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, IDOK)));
    }
  } else {
    throw std::logic_error("only Enter and Esc act on a dialog");
  }
  Pump();
}

void DialogUser::CloseBox() { SystemMenu(SC_CLOSE); }

void DialogUser::SystemMenu(UINT command) {
  if (!(Win(dialog_)->style & WS_SYSMENU)) throw std::logic_error("the dialog has no system menu");
  SendMessageA(dialog_, WM_SYSCOMMAND, command, 0);
  Pump();
}

}  // namespace memory
