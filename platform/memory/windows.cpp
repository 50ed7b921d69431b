// Windows of the in-memory machine: modal dialogs created from the binary dialog templates of a
// resource module, the standard controls the programs use (buttons, static texts, drop-down
// lists, trackbars), the dialog manager's default processing, system menus and message boxes.
// Modal runs hand control to the scripted user (machine.h) instead of a message loop.
#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>

#include "internal.h"

namespace memory {
namespace {

struct MenuItem {
  UINT flags;
  UINT_PTR id;
  std::string text;
};

struct Window {
  HWND handle = nullptr;
  HWND parent = nullptr;  // the dialog, for a control
  HWND owner = nullptr;   // for a dialog
  std::string cls;        // "#32770", "Button", "Static", "ComboBox", "Edit", "msctls_trackbar32", ...
  DWORD style = 0, exStyle = 0;
  int id = 0;
  std::string text;
  bool enabled = true, visible = false;
  std::vector<HWND> children;
  // dialogs
  DLGPROC proc = nullptr;
  bool ended = false;
  INT_PTR result = 0;
  std::vector<MenuItem> systemMenu;
  bool hasSystemMenu = false;
  HICON icons[2] = {nullptr, nullptr};
  // buttons
  WPARAM check = 0;
  // drop-down lists
  std::vector<std::string> items;
  int selection = -1;
  // trackbars
  LONG rangeMin = 0, rangeMax = 100, position = 0;
  std::vector<LONG> ticks;
  // icon statics
  HICON image = nullptr;
};

struct Script {
  bool forMessageBox;
  std::string caption;
  std::function<void(DialogUser&)> run;
};

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct Desktop {
  std::map<HWND, std::unique_ptr<Window>> windows;
  std::vector<HWND> modal;  // running modal dialogs, innermost last
  std::deque<Script> scripts;
  std::deque<Posted> posted;
  std::vector<MessageBoxRecord> boxes;
  HWND focus = nullptr;
  uintptr_t nextHandle = 0x20000;
  bool commonControls = false;
};

Desktop& Desk() {
  static Desktop desktop;
  return desktop;
}

Window* Win(HWND handle) {
  auto it = Desk().windows.find(handle);
  return it == Desk().windows.end() ? nullptr : it->second.get();
}

Window* NewWindow() {
  auto w = std::make_unique<Window>();
  w->handle = reinterpret_cast<HWND>(Desk().nextHandle);
  Desk().nextHandle += 4;
  Window* raw = w.get();
  Desk().windows[raw->handle] = std::move(w);
  return raw;
}

void Destroy(HWND handle) {
  Window* w = Win(handle);
  if (!w) return;
  for (HWND child : w->children) Destroy(child);
  if (Desk().focus == handle) Desk().focus = nullptr;
  Desk().windows.erase(handle);
}

bool IsDialog(const Window* w) { return w->cls == "#32770"; }
DWORD ButtonType(const Window* w) { return w->style & BS_TYPEMASK; }
bool IsButton(const Window* w) { return SameText(w->cls, "Button"); }
bool IsPushButton(const Window* w) {
  return IsButton(w) && (ButtonType(w) == BS_PUSHBUTTON || ButtonType(w) == BS_DEFPUSHBUTTON);
}

// ---- dialog templates ----

class Reader {
 public:
  explicit Reader(const std::vector<BYTE>& data) : d_(data) {}
  WORD Word() {
    if (at_ + 2 > d_.size()) throw std::runtime_error("dialog template is cut short");
    WORD w = static_cast<WORD>(d_[at_] | (d_[at_ + 1] << 8));
    at_ += 2;
    return w;
  }
  DWORD Dword() {
    DWORD lo = Word();
    return lo | (static_cast<DWORD>(Word()) << 16);
  }
  short Short() { return static_cast<short>(Word()); }
  std::string Text() {
    std::string s;
    for (WORD c = Word(); c != 0; c = Word()) s += static_cast<char>(c < 0x100 ? c : '?');
    return s;
  }
  // A field that is either an ordinal (0xFFFF, n), empty (0), or a string.
  std::string TextOrOrdinal(WORD* ordinal) {
    *ordinal = 0;
    if (at_ + 2 <= d_.size() && d_[at_] == 0xFF && d_[at_ + 1] == 0xFF) {
      Word();
      *ordinal = Word();
      return std::string();
    }
    return Text();
  }
  void Align() { at_ = (at_ + 3) & ~static_cast<size_t>(3); }
  void Skip(size_t n) { at_ += n; }

 private:
  const std::vector<BYTE>& d_;
  size_t at_ = 0;
};

std::string ClassOfOrdinal(WORD ordinal) {
  switch (ordinal) {
    case 0x80: return "Button";
    case 0x81: return "Edit";
    case 0x82: return "Static";
    case 0x83: return "ListBox";
    case 0x84: return "ScrollBar";
    case 0x85: return "ComboBox";
  }
  return "#" + std::to_string(ordinal);
}

// Creates the dialog and its controls from a template; nullptr if a control's class is not
// registered.
Window* CreateFromTemplate(HINSTANCE instance, const std::vector<BYTE>& data) {
  DialogTemplate t = ParseDialogTemplate(data);
  Window* dialog = NewWindow();
  dialog->cls = "#32770";
  dialog->style = t.style;
  dialog->exStyle = t.exStyle;
  dialog->text = t.caption;
  for (const TemplateItem& item : t.items) {
    Window* c = NewWindow();
    c->parent = dialog->handle;
    c->id = item.id;
    c->cls = item.cls;
    c->text = item.text;
    c->style = item.style;
    c->exStyle = item.exStyle;
    c->enabled = !(c->style & WS_DISABLED);
    c->visible = (c->style & WS_VISIBLE) != 0;
    dialog->children.push_back(c->handle);
    if (SameText(c->cls, TRACKBAR_CLASSA) && !Desk().commonControls) {
      Destroy(dialog->handle);
      return nullptr;
    }
    if (SameText(c->cls, "Static") && (c->style & 0x1F) == SS_ICON && item.titleOrdinal)
      c->image = LoadIconA(instance, MAKEINTRESOURCEA(item.titleOrdinal));
  }
  return dialog;
}

// ---- the user's actions and the posted-message queue ----

void Pump() {
  while (!Desk().posted.empty()) {
    Posted p = Desk().posted.front();
    Desk().posted.pop_front();
    if (Win(p.window)) SendMessageA(p.window, p.message, p.wParam, p.lParam);
  }
}

void Notify(Window* control, WORD code) {
  SendMessageA(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control->handle));
}

void Scroll(Window* slider, WORD code, LONG pos) {
  UINT message = (slider->style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  SendMessageA(slider->parent, message, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(slider->handle));
}

LONG Clamp(const Window* s, LONG pos) { return std::max(s->rangeMin, std::min(s->rangeMax, pos)); }

Window* Control(HWND dialog, int id) {
  Window* w = Win(GetDlgItem(dialog, id));
  if (!w) throw std::logic_error("the dialog has no control " + std::to_string(id));
  return w;
}

HWND DefaultButton(Window* dialog) {
  for (HWND h : dialog->children) {
    Window* c = Win(h);
    if (IsButton(c) && ButtonType(c) == BS_DEFPUSHBUTTON) return h;
  }
  return nullptr;
}

// ---- message handling of each window class ----

LRESULT TextMessage(Window* w, UINT message, WPARAM wParam, LPARAM lParam, bool* handled) {
  *handled = true;
  switch (message) {
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam - 1));
      std::memcpy(reinterpret_cast<LPSTR>(lParam), w->text.data(), n);
      reinterpret_cast<LPSTR>(lParam)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->text.size());
  }
  *handled = false;
  return 0;
}

void CheckAutoRadio(Window* button) {
  // Unchecks the other automatic radio buttons of the button's group.
  Window* dialog = Win(button->parent);
  auto& kids = dialog->children;
  auto self = std::find(kids.begin(), kids.end(), button->handle);
  auto start = self;
  while (start != kids.begin() && !(Win(*start)->style & WS_GROUP)) --start;
  for (auto it = start; it != kids.end(); ++it) {
    Window* c = Win(*it);
    if (it != start && (c->style & WS_GROUP)) break;
    if (c != button && IsButton(c) && ButtonType(c) == BS_AUTORADIOBUTTON) c->check = BST_UNCHECKED;
  }
}

LRESULT ButtonProc(Window* w, UINT message, WPARAM wParam, LPARAM) {
  static const WPARAM maxState[16] = {0, 0, 1, 1, 1, 2, 2, 0, 0, 1, 0, 0, 0, 0, 0, 0};
  switch (message) {
    case BM_GETCHECK:
      return static_cast<LRESULT>(w->check);
    case BM_SETCHECK: {
      WPARAM state = std::min(wParam, maxState[ButtonType(w)]);
      w->check = state;
      if (ButtonType(w) == BS_AUTORADIOBUTTON && state == BST_CHECKED) CheckAutoRadio(w);
      return 0;
    }
    case BM_CLICK:
      switch (ButtonType(w)) {
        case BS_AUTOCHECKBOX:
          SendMessageA(w->handle, BM_SETCHECK, w->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
          break;
        case BS_AUTORADIOBUTTON:
          SendMessageA(w->handle, BM_SETCHECK, BST_CHECKED, 0);
          break;
        case BS_AUTO3STATE:
          SendMessageA(w->handle, BM_SETCHECK, (w->check + 1) % 3, 0);
          break;
      }
      if (ButtonType(w) != BS_GROUPBOX) Notify(w, BN_CLICKED);
      return 0;
  }
  return 0;
}

LRESULT ComboProc(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  int count = static_cast<int>(w->items.size());
  int index = static_cast<int>(wParam);
  switch (message) {
    case CB_ADDSTRING: {
      std::string item = reinterpret_cast<LPCSTR>(lParam);
      auto at = w->items.end();
      if (w->style & CBS_SORT)
        at = std::find_if(w->items.begin(), w->items.end(), [&](const std::string& s) { return Upper(item) < Upper(s); });
      return std::distance(w->items.begin(), w->items.insert(at, item));
    }
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return w->selection;
    case CB_SETCURSEL:
      // -1 clears the selection; an index past the end fails and, as under Wine, keeps it.
      if (index < 0 || index >= count) {
        if (index < 0) w->selection = -1;
        return CB_ERR;
      }
      w->selection = index;
      return index;
    case CB_GETLBTEXTLEN:
      return index >= 0 && index < count ? static_cast<LRESULT>(w->items[index].size()) : CB_ERR;
    case CB_GETLBTEXT:
      if (index < 0 || index >= count) return CB_ERR;
      std::memcpy(reinterpret_cast<LPSTR>(lParam), w->items[index].c_str(), w->items[index].size() + 1);
      return static_cast<LRESULT>(w->items[index].size());
    case CB_RESETCONTENT:
      w->items.clear();
      w->selection = -1;
      return 0;
  }
  return 0;
}

LRESULT TrackbarProc(Window* w, UINT message, WPARAM, LPARAM lParam) {
  LONG value = static_cast<LONG>(lParam);
  switch (message) {
    case TBM_GETPOS:
      return w->position;
    case TBM_GETRANGEMIN:
      return w->rangeMin;
    case TBM_GETRANGEMAX:
      return w->rangeMax;
    case TBM_SETPOS:
      w->position = Clamp(w, value);
      return 0;
    case TBM_SETRANGEMIN:
      w->rangeMin = value;
      if (w->position < w->rangeMin) w->position = w->rangeMin;
      return 0;
    case TBM_SETRANGEMAX:
      w->rangeMax = value;
      if (w->position > w->rangeMax) w->position = w->rangeMax;
      return 0;
    case TBM_SETRANGE:
      w->rangeMin = static_cast<short>(LOWORD(lParam));
      w->rangeMax = static_cast<short>(HIWORD(lParam));
      w->position = Clamp(w, w->position);
      return 0;
    case TBM_SETTIC:
      if (value < w->rangeMin || value > w->rangeMax) return FALSE;
      w->ticks.push_back(value);
      std::sort(w->ticks.begin(), w->ticks.end());
      return TRUE;
    case TBM_CLEARTICS:
      w->ticks.clear();
      return 0;
    case TBM_GETNUMTICS:
      return (w->style & TBS_NOTICKS) ? 0 : static_cast<LRESULT>(w->ticks.size() + 2);
    case TBM_GETTIC: {
      size_t i = static_cast<size_t>(value);
      return i < w->ticks.size() ? w->ticks[i] : -1;
    }
    case TBM_GETLINESIZE:
      return 1;
    case TBM_GETPAGESIZE:
      return std::max<LONG>(1, (w->rangeMax - w->rangeMin) / 5);
  }
  return 0;
}

// The dialog manager's processing of what the dialog procedure left unhandled.
LRESULT DefDialogProc(Window* w, UINT message, WPARAM wParam, LPARAM lParam) {
  bool handled;
  LRESULT text = TextMessage(w, message, wParam, lParam, &handled);
  if (handled) return text;
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(w->handle, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(w->handle, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        PostMessageA(w->handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_SETICON: {
      int which = wParam == ICON_BIG ? 1 : 0;
      HICON previous = w->icons[which];
      w->icons[which] = reinterpret_cast<HICON>(lParam);
      return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(w->icons[wParam == ICON_BIG ? 1 : 0]);
    case DM_GETDEFID:
      if (HWND def = DefaultButton(w)) return MAKELONG(GetDlgCtrlID(def), DC_HASDEFID);
      return 0;
  }
  return 0;
}

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

// Runs an already created dialog modally: owner disabled, scripted user, owner enabled again.
INT_PTR RunModal(Window* dialog, HWND owner, LPARAM initParam, bool messageBox) {
  Desktop& desk = Desk();
  HWND handle = dialog->handle;
  dialog->owner = owner;
  HWND previousFocus = desk.focus;
  bool disabledOwner = owner && IsWindowEnabled(owner);
  if (disabledOwner) EnableWindow(owner, FALSE);
  struct Cleanup {
    HWND handle, owner, previousFocus;
    bool disabledOwner;
    ~Cleanup() {
      Desktop& d = Desk();
      if (Window* w = Win(handle)) {
        if (w->proc) w->proc(handle, WM_DESTROY, 0, 0);
        auto it = std::find(d.modal.begin(), d.modal.end(), handle);
        if (it != d.modal.end()) d.modal.erase(it);
        Destroy(handle);
      }
      if (disabledOwner && Win(owner)) EnableWindow(owner, TRUE);
      d.posted.clear();
      d.focus = Win(previousFocus) ? previousFocus : nullptr;
    }
  } cleanup{handle, owner, previousFocus, disabledOwner};

  HWND firstTab = nullptr;
  for (HWND h : dialog->children) {
    Window* c = Win(h);
    if ((c->style & WS_TABSTOP) && c->enabled && (c->style & WS_VISIBLE)) {
      firstTab = h;
      break;
    }
  }
  desk.modal.push_back(handle);
  if (dialog->proc && dialog->proc(handle, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), initParam)) {
    if (Win(firstTab)) desk.focus = firstTab;
  }
  Pump();
  if (!Win(handle)->ended) {
    dialog->visible = true;
    RunScript(dialog, messageBox);
  }
  return Win(handle)->result;
}

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    int id = LOWORD(wParam);
    // Esc answers IDCANCEL only where the box has a way to cancel; a lone OK takes it as OK.
    if (GetDlgItem(dialog, id)) {
      EndDialog(dialog, id);
    } else if (id == IDCANCEL && GetDlgItem(dialog, IDOK) && !GetDlgItem(dialog, IDNO)) {
      EndDialog(dialog, IDOK);
    }
    return TRUE;
  }
  return FALSE;
}

}  // namespace

DialogTemplate ParseDialogTemplate(const std::vector<BYTE>& data) {
  Reader r(data);
  DialogTemplate t{};
  WORD first = r.Word(), second = r.Word();
  t.extended = first == 1 && second == 0xFFFF;
  if (t.extended) {
    r.Dword();  // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
  } else {
    t.style = first | (static_cast<DWORD>(second) << 16);
    t.exStyle = r.Dword();
  }
  WORD count = r.Word();
  t.x = r.Short(), t.y = r.Short(), t.cx = r.Short(), t.cy = r.Short();
  WORD ordinal;
  r.TextOrOrdinal(&ordinal);  // menu
  r.TextOrOrdinal(&ordinal);  // class
  t.caption = r.Text();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Word();
    if (t.extended) r.Word(), r.Word();  // weight; italic and character set
    t.font = r.Text();
  }
  for (WORD i = 0; i < count; ++i) {
    r.Align();
    TemplateItem item{};
    if (t.extended) {
      r.Dword();
      item.exStyle = r.Dword();
      item.style = r.Dword();
    } else {
      item.style = r.Dword();
      item.exStyle = r.Dword();
    }
    item.x = r.Short(), item.y = r.Short(), item.cx = r.Short(), item.cy = r.Short();
    item.id = t.extended ? static_cast<int>(r.Dword()) : static_cast<short>(r.Word());
    WORD classOrdinal;
    std::string cls = r.TextOrOrdinal(&classOrdinal);
    item.cls = classOrdinal ? ClassOfOrdinal(classOrdinal) : cls;
    item.text = r.TextOrOrdinal(&item.titleOrdinal);
    WORD extra = r.Word();
    r.Skip(extra);
    t.items.push_back(item);
  }
  return t;
}

DialogTemplate ReadDialogTemplate(HINSTANCE module, UINT id) {
  const std::vector<BYTE>* data = FindResourceData(module, RT_DIALOG, MAKEINTRESOURCEA(id));
  if (!data) throw std::runtime_error("no dialog template " + std::to_string(id));
  return ParseDialogTemplate(*data);
}

void ResetWindows() {
  Desktop& desk = Desk();
  desk.windows.clear();
  desk.modal.clear();
  desk.scripts.clear();
  desk.posted.clear();
  desk.boxes.clear();
  desk.focus = nullptr;
  desk.commonControls = false;
}

void OnDialog(const std::string& caption, std::function<void(DialogUser&)> script) {
  Desk().scripts.push_back(Script{false, caption, std::move(script)});
}
void OnMessageBox(const std::string& caption, std::function<void(DialogUser&)> script) {
  Desk().scripts.push_back(Script{true, caption, std::move(script)});
}
size_t PendingScripts() { return Desk().scripts.size(); }
const std::vector<MessageBoxRecord>& MessageBoxes() { return Desk().boxes; }

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

using memory::Desk;
using memory::Win;

void WINAPI InitCommonControls(void) { Desk().commonControls = true; }

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc, LPARAM initParam) {
  const std::vector<BYTE>* data = memory::FindResourceData(instance, RT_DIALOG, templateName);
  if (!data) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  memory::Window* dialog = memory::CreateFromTemplate(instance, *data);
  if (!dialog) {
    SetLastError(1407L);  // ERROR_CANNOT_FIND_WND_CLASS
    return -1;
  }
  dialog->proc = proc;
  return memory::RunModal(dialog, owner, initParam, false);
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  memory::Window* w = Win(dialog);
  if (!w || !memory::IsDialog(w)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  w->ended = true;
  w->result = result;
  w->visible = false;
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  memory::Window* w = Win(dialog);
  if (!w) return nullptr;
  for (HWND h : w->children)
    if (Win(h)->id == id) return h;
  SetLastError(1421L);  // ERROR_CONTROL_ID_NOT_FOUND
  return nullptr;
}

int WINAPI GetDlgCtrlID(HWND window) {
  memory::Window* w = Win(window);
  return w ? w->id : 0;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  memory::Window* w = Win(window);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (memory::IsDialog(w)) {
    INT_PTR handled = w->proc ? w->proc(window, message, wParam, lParam) : FALSE;
    if (message == WM_INITDIALOG) return handled;
    if (handled) return 0;
    w = Win(window);
    return w ? memory::DefDialogProc(w, message, wParam, lParam) : 0;
  }
  if (message == WM_ENABLE) return 0;
  bool handled;
  LRESULT text = memory::TextMessage(w, message, wParam, lParam, &handled);
  if (handled) return text;
  if (memory::IsButton(w)) return memory::ButtonProc(w, message, wParam, lParam);
  if (memory::SameText(w->cls, "ComboBox")) return memory::ComboProc(w, message, wParam, lParam);
  if (memory::SameText(w->cls, TRACKBAR_CLASSA)) return memory::TrackbarProc(w, message, wParam, lParam);
  return 0;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SendMessageA(item, message, wParam, lParam) : 0;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Win(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Desk().posted.push_back(memory::Posted{window, message, wParam, lParam});
  return TRUE;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND item = GetDlgItem(dialog, id);
  return item ? SetWindowTextA(item, text) : FALSE;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int max) {
  HWND item = GetDlgItem(dialog, id);
  if (!item) {
    if (max > 0) text[0] = 0;
    return 0;
  }
  return static_cast<UINT>(GetWindowTextA(item, text, max));
}

BOOL WINAPI SetWindowTextA(HWND window, LPCSTR text) {
  if (!Win(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return static_cast<BOOL>(SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextA(HWND window, LPSTR text, int max) {
  if (!Win(window)) {
    if (max > 0) text[0] = 0;
    return 0;
  }
  return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(max), reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextLengthA(HWND window) {
  return Win(window) ? static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0)) : 0;
}

BOOL WINAPI IsWindow(HWND window) { return Win(window) != nullptr; }
BOOL WINAPI IsWindowEnabled(HWND window) { return Win(window) && Win(window)->enabled; }
BOOL WINAPI IsWindowVisible(HWND window) {
  memory::Window* w = Win(window);
  if (!w || !w->visible) return FALSE;
  return w->parent ? IsWindowVisible(w->parent) : TRUE;
}

BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  memory::Window* w = Win(window);
  if (!w) return FALSE;
  BOOL wasDisabled = !w->enabled;
  w->enabled = enable != FALSE;
  if (!w->enabled && Desk().focus == window) Desk().focus = nullptr;
  SendMessageA(window, WM_ENABLE, static_cast<WPARAM>(enable), 0);
  return wasDisabled;
}

HWND WINAPI GetParent(HWND window) {
  memory::Window* w = Win(window);
  if (!w) return nullptr;
  return w->parent ? w->parent : w->owner;
}

HWND WINAPI GetWindow(HWND window, UINT command) {
  memory::Window* w = Win(window);
  if (!w || command != GW_OWNER) return nullptr;
  return w->owner;
}

HWND WINAPI SetFocus(HWND window) {
  HWND previous = Desk().focus;
  if (window && (!Win(window) || !Win(window)->enabled)) return nullptr;
  Desk().focus = window;
  return previous;
}

HWND WINAPI GetFocus(void) { return Desk().focus; }

HWND WINAPI GetActiveWindow(void) {
  auto& modal = Desk().modal;
  for (auto it = modal.rbegin(); it != modal.rend(); ++it)
    if (Win(*it) && Win(*it)->visible) return *it;
  return nullptr;
}

LONG WINAPI GetWindowLongA(HWND window, int index) {
  memory::Window* w = Win(window);
  if (!w) return 0;
  if (index == GWL_STYLE) return static_cast<LONG>(w->style);
  if (index == GWL_EXSTYLE) return static_cast<LONG>(w->exStyle);
  return 0;
}

// ---- menus: a system menu is addressed by its window's handle ----

HMENU WINAPI GetSystemMenu(HWND window, BOOL revert) {
  memory::Window* w = Win(window);
  if (!w || !(w->style & WS_SYSMENU)) return nullptr;
  if (revert) {
    w->hasSystemMenu = false;
    return nullptr;
  }
  if (!w->hasSystemMenu) {
    w->systemMenu = {{MF_STRING, SC_MOVE, "&Move"}, {MF_SEPARATOR, 0, ""}, {MF_STRING, SC_CLOSE, "&Close\tAlt+F4"}};
    w->hasSystemMenu = true;
  }
  return reinterpret_cast<HMENU>(window);
}

namespace {
std::vector<memory::MenuItem>* MenuItems(HMENU menu) {
  memory::Window* w = Win(reinterpret_cast<HWND>(menu));
  return w && w->hasSystemMenu ? &w->systemMenu : nullptr;
}
memory::MenuItem* FindItem(HMENU menu, UINT id, UINT flags) {
  auto* items = MenuItems(menu);
  if (!items) return nullptr;
  if (flags & MF_BYPOSITION) return id < items->size() ? &(*items)[id] : nullptr;
  for (auto& item : *items)
    if (!(item.flags & MF_SEPARATOR) && item.id == id) return &item;
  return nullptr;
}
}  // namespace

BOOL WINAPI AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR item) {
  auto* items = MenuItems(menu);
  if (!items) return FALSE;
  items->push_back(memory::MenuItem{flags, (flags & MF_SEPARATOR) ? 0 : id, item && !(flags & MF_SEPARATOR) ? item : ""});
  return TRUE;
}

int WINAPI GetMenuItemCount(HMENU menu) {
  auto* items = MenuItems(menu);
  return items ? static_cast<int>(items->size()) : -1;
}

UINT WINAPI GetMenuItemID(HMENU menu, int position) {
  memory::MenuItem* item = FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
  if (!item) return static_cast<UINT>(-1);
  return (item->flags & MF_SEPARATOR) ? 0 : static_cast<UINT>(item->id);
}

UINT WINAPI GetMenuState(HMENU menu, UINT id, UINT flags) {
  memory::MenuItem* item = FindItem(menu, id, flags);
  return item ? (item->flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) : static_cast<UINT>(-1);
}

int WINAPI GetMenuStringA(HMENU menu, UINT id, LPSTR text, int max, UINT flags) {
  memory::MenuItem* item = FindItem(menu, id, flags);
  if (!item) return 0;
  if (!text || max <= 0) return static_cast<int>(item->text.size());
  size_t n = std::min(item->text.size(), static_cast<size_t>(max - 1));
  std::memcpy(text, item->text.data(), n);
  text[n] = 0;
  return static_cast<int>(n);
}

// ---- message boxes: small dialogs with the text in static 0xFFFF, as the system builds them ----

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  memory::Window* box = memory::NewWindow();
  box->cls = "#32770";
  box->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  box->text = caption ? caption : "Error";
  box->proc = memory::MessageBoxProc;
  auto add = [&](int id, const char* label, DWORD style) {
    memory::Window* c = memory::NewWindow();
    c->parent = box->handle;
    c->id = id;
    c->cls = id == 0xFFFF ? "Static" : "Button";
    c->text = label;
    c->style = WS_CHILD | WS_VISIBLE | style;
    c->visible = true;
    box->children.push_back(c->handle);
  };
  add(0xFFFF, text ? text : "", SS_NOPREFIX);
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      add(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    case MB_YESNO:
      add(IDYES, "&Yes", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDNO, "&No", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    case MB_RETRYCANCEL:
      add(IDRETRY, "&Retry", BS_DEFPUSHBUTTON | WS_TABSTOP);
      add(IDCANCEL, "Cancel", BS_PUSHBUTTON | WS_TABSTOP);
      break;
    default:
      add(IDOK, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP);
  }
  memory::MessageBoxRecord record{owner, text ? text : "", box->text, type, 0};
  Desk().boxes.push_back(record);
  size_t index = Desk().boxes.size() - 1;
  int answer = static_cast<int>(memory::RunModal(box, owner, 0, true));
  Desk().boxes[index].answer = answer;
  return answer;
}
