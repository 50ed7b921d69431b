// Dialog templates of the in-memory machine: DLGTEMPLATE and DLGTEMPLATEEX read from a resource
// module, and a dialog with its controls created from one.
#include <stdexcept>

#include "windowing.h"

namespace memory {
namespace {

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
    for (WORD c = Word(); c != 0; c = Word()) s += AnsiCharacter(c);
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

}  // namespace

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
    // The scroll bar style of a combo box is its list's; the box itself drops it.
    if (SameText(c->cls, "ComboBox")) c->style &= ~(WS_VSCROLL | WS_HSCROLL);
    if (SameText(c->cls, "Static") && (c->style & 0x1F) == SS_ICON && item.titleOrdinal)
      c->image = LoadIconA(instance, MAKEINTRESOURCEA(item.titleOrdinal));
  }
  return dialog;
}

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

DialogTemplate ReadDialogTemplate(HINSTANCE module, UINT id, LANGID language) {
  const std::vector<BYTE>* data = FindResourceData(module, RT_DIALOG, MAKEINTRESOURCEA(id), language);
  if (!data) throw std::runtime_error("no dialog template " + std::to_string(id));
  return ParseDialogTemplate(*data);
}

}  // namespace memory
