// A UI robot for the end-to-end runs under Wine: it plays a script of steps against the real
// dialogs of another process, the way a person would, and saves a screenshot where asked.
//
//   uirobot.exe <script> <screenshot folder> [<texts>]
//
// One step a line; blank lines and lines starting with # are skipped. In texts, \n is a line
// break and \\ a backslash. Control ids are decimal; 65535 is a message box's text.
// The scripts state English texts. For a Windows in another language, <texts> gives that
// language's text for each: one "<English> -> <text>" a line, in UTF-8, written as in the
// scripts; the robot then expects those captions and texts, and fails on an expected text with
// a letter in it that the file does not give.
//   wait <seconds> <caption>          a visible dialog with this caption becomes the current one
//   gone <seconds>                    the current dialog has closed
//   absent <seconds> <caption>        no dialog with this caption appears within the time
//   text <id> <text>                  a control shows exactly this text
//   until <seconds> <id> <text>       waits until a control shows this text
//   caption <text>                    the current dialog's caption
//   items <id> <a|b|c>                a drop-down list holds exactly these entries
//   selected <id> <index>             the list's selection
//   checked <id> <0|1>                a check box's state
//   enabled <id> <0|1>                whether a control takes input
//   position <id> <n>                 a trackbar's position
//   select <id> <index>               picks a list entry, as a user's choice notifies the dialog
//   slide <id> <n>                    moves a trackbar's thumb to n and lets go
//   click <id>                        clicks a button (posted, so a box it opens doesn't block)
//   key <enter|escape>                a key press on the current dialog
//   close                             the close box
//   menu <id>                         a command of the window menu (the one behind its icon)
//   shot <name>                       checks that every text of the current dialog fits its
//                                     control in the dialog's font, then saves
//                                     <folder>/<name>.bmp of the whole screen,
//                                     <folder>/<name>.rect, the current dialog's place, and
//                                     <folder>/<name>.fit, its text with the least width to spare
//   cut <a|b|c>                       these texts of the current dialog do not fit their
//                                     controls at the next shot (and it fails if one does)
//   pause <milliseconds>
//   hold <path>                       opens a file for reading without delete sharing, as a
//                                     loaded DLL is held, until the robot ends; says so on
//                                     its output
//   access <key> <read|full>          gives everyone only read access (and the right to change
//                                     that) to a key below HKEY_LOCAL_MACHINE, or full access;
//                                     the key's name may hold blanks
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

HWND current = nullptr;
std::string shotFolder;
// Texts of the current dialog that are expected not to fit their controls at the next shot.
std::vector<std::string> cuts;
int lineNumber = 0;
// The user's language's text for each English text of the scripts, when it is not English.
std::map<std::string, std::string> texts;
bool translating = false;

[[noreturn]] void Fail(const std::string& why);

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
      out += '\\';
      ++i;
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'r') {
      out += '\r';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
  return out;
}

// A text from one code page to another: the table's UTF-8 to the ANSI code page the dialogs'
// texts come in, and those to UTF-8 for the log.
std::string Recode(const std::string& text, UINT from, UINT to) {
  std::wstring wide(text.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(from, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size())));
  std::string out(wide.size() * 3 + 1, '\0');
  out.resize(WideCharToMultiByte(to, 0, wide.c_str(), -1, &out[0], static_cast<int>(out.size()), nullptr, nullptr));
  if (!out.empty()) out.pop_back();  // the terminating NUL
  return out;
}

std::string Log(const std::string& text) { return Recode(text, CP_ACP, CP_UTF8); }

void LoadTexts(const char* path) {
  std::ifstream file(path);
  if (!file) Fail(std::string("cannot read ") + path);
  translating = true;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    size_t arrow = line.find(" -> ");
    if (arrow == std::string::npos) Fail("no \" -> \" in the line of texts \"" + line + "\"");
    texts[Recode(Unescape(line.substr(0, arrow)), CP_UTF8, CP_ACP)] = Recode(Unescape(line.substr(arrow + 4)), CP_UTF8, CP_ACP);
  }
}

// The text the user's Windows shows where a script expects this English one.
std::string Said(const std::string& english) {
  if (!translating) return english;
  auto found = texts.find(english);
  if (found != texts.end()) return found->second;
  if (std::any_of(english.begin(), english.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
    Fail("the texts give none for \"" + Escape(english) + "\"");
  return english;
}

struct Search {
  std::string caption;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lParam) {
  Search* search = reinterpret_cast<Search*>(lParam);
  char cls[64], text[256];
  GetClassNameA(window, cls, sizeof cls);
  GetWindowTextA(window, text, sizeof text);
  if (std::string(cls) == "#32770" && search->caption == text && IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindVisibleDialog(const std::string& caption) {
  Search search{caption, nullptr};
  EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

BOOL CALLBACK AddChild(HWND child, LPARAM list);

void SaveScreenshot(const std::string& name) {
  // What the last steps changed is painted before the picture is taken: the dialog's windows
  // are painted anew, and the picture waits until none of them is left to paint and the
  // dialog's process has finished the paint it was in. (A process handles a sent message before
  // it paints, so an answer alone does not tell that the painting is done; a busy machine left
  // controls half drawn.) The painted surface then takes a moment to reach the screen.
  if (current && IsWindow(current)) {
    RedrawWindow(current, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    std::vector<HWND> windows{current};
    EnumChildWindows(current, AddChild, reinterpret_cast<LPARAM>(&windows));
    auto unpainted = [](HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; };
    for (int tries = 0; tries < 250 && std::any_of(windows.begin(), windows.end(), unpainted); ++tries) Sleep(20);
    DWORD_PTR answer;
    SendMessageTimeoutA(current, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
    Sleep(100);
  }
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD rowBytes = ((width * 3 + 3) / 4) * 4;
  DWORD imageBytes = rowBytes * height;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info.bmiHeader;
  file.bfSize = file.bfOffBits + imageBytes;
  std::string path = shotFolder + "\\" + name + ".bmp";
  std::ofstream out(path.c_str(), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), imageBytes);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  // The current dialog's place on the screen, as a crop geometry (WxH+X+Y), for pictures of
  // the window alone.
  RECT rect;
  if (current && IsWindow(current) && GetWindowRect(current, &rect)) {
    std::ofstream place((shotFolder + "\\" + name + ".rect").c_str());
    place << (rect.right - rect.left) << 'x' << (rect.bottom - rect.top) << '+' << rect.left << '+' << rect.top << '\n';
  }
}

// Replaces a registry key's access list by one entry for everyone: as a user who may only read
// the key meets it. WRITE_DAC stays with the read access, so that the list can be put back.
void SetKeyAccess(const std::string& path, bool readOnly) {
  HKEY key;
  LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key);
  if (result != ERROR_SUCCESS) Fail("cannot open " + path + " to change its access: error " + std::to_string(result));
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
  alignas(4) BYTE aclBuffer[256];
  ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
  InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION);
  AddAccessAllowedAce(acl, ACL_REVISION, readOnly ? (KEY_READ | WRITE_DAC) : KEY_ALL_ACCESS, everyone);
  SECURITY_DESCRIPTOR descriptor;
  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
  result = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor);
  FreeSid(everyone);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) Fail("cannot set the access of " + path + ": error " + std::to_string(result));
}

void Fail(const std::string& why) {
  std::printf("uirobot: line %d: %s\n", lineNumber, Log(why).c_str());
  if (!shotFolder.empty()) SaveScreenshot("failure");
  std::fflush(stdout);
  std::exit(1);
}

HWND Item(int id) {
  if (!current || !IsWindow(current)) Fail("no current dialog");
  HWND item = GetDlgItem(current, id);
  if (!item) Fail("the dialog has no control " + std::to_string(id));
  return item;
}

std::string TextOf(HWND window) {
  char text[1024];
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Entries of a drop-down list in another process: through the wide call, since the 8-bit one
// returns only the first character across processes under Wine.
std::vector<std::string> ItemsOf(HWND combo) {
  std::vector<std::string> items;
  LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    WCHAR wide[256] = {0};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide));
    char narrow[256];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    items.push_back(narrow);
  }
  return items;
}

void Expect(const std::string& what, const std::string& expected, const std::string& actual) {
  if (expected != actual) Fail(what + ": expected \"" + Escape(expected) + "\", found \"" + Escape(actual) + "\"");
}

bool WaitUntil(double seconds, HWND* found, const std::string& caption) {
  for (DWORD waited = 0; waited <= seconds * 1000; waited += 50) {
    *found = FindVisibleDialog(caption);
    if (*found) return true;
    Sleep(50);
  }
  return false;
}

// The font a dialog of another process asks for in its template, found among the dialog
// templates of the module that made the window by its caption; a dialog made from no template
// there (a message box) uses the system's message font. (Wine does not answer WM_GETFONT
// across processes, so the font is made again here as the dialog manager makes it.)
struct TemplateSearch {
  std::wstring caption;
  LOGFONTW font;
  bool found;
};

// The wide string or ordinal at *p in a dialog template; moves *p past it.
std::wstring TemplateString(const WORD** p) {
  std::wstring text;
  if (**p == 0xFFFF) {
    *p += 2;
  } else {
    while (**p) text += static_cast<wchar_t>(*(*p)++);
    ++*p;
  }
  return text;
}

BOOL CALLBACK FindTemplate(HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR lParam) {
  auto* search = reinterpret_cast<TemplateSearch*>(lParam);
  HRSRC resource = FindResourceW(module, name, MAKEINTRESOURCEW(5));  // RT_DIALOG
  const WORD* p = resource ? static_cast<const WORD*>(LockResource(LoadResource(module, resource))) : nullptr;
  if (!p) return TRUE;
  bool extended = p[0] == 1 && p[1] == 0xFFFF;
  DWORD style = extended ? *reinterpret_cast<const DWORD*>(p + 6) : *reinterpret_cast<const DWORD*>(p);
  p += extended ? 13 : 9;  // past the header up to the menu
  TemplateString(&p);      // menu
  TemplateString(&p);      // window class
  if (TemplateString(&p) != search->caption || !(style & DS_SETFONT)) return TRUE;
  HDC screen = GetDC(nullptr);
  search->font.lfHeight = -MulDiv(*p++, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  if (extended) {
    search->font.lfWeight = *p++;
    search->font.lfItalic = LOBYTE(*p++);
  }
  std::wstring face = TemplateString(&p);
  lstrcpynW(search->font.lfFaceName, face.c_str(), LF_FACESIZE);
  search->font.lfCharSet = DEFAULT_CHARSET;
  search->font.lfQuality = PROOF_QUALITY;
  search->found = true;
  return FALSE;
}

HFONT DialogFont(HWND dialog) {
  TemplateSearch search{std::wstring(), {}, false};
  WCHAR caption[256];
  GetWindowTextW(dialog, caption, 256);
  search.caption = caption;
  DWORD processId = 0;
  GetWindowThreadProcessId(dialog, &processId);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  char path[MAX_PATH] = "";
  if (process) {
    HMODULE owner = reinterpret_cast<HMODULE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    GetModuleFileNameExA(process, owner, path, MAX_PATH);
    CloseHandle(process);
  }
  if (HMODULE module = path[0] ? LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE) : nullptr) {
    EnumResourceNamesW(module, MAKEINTRESOURCEW(5), FindTemplate, reinterpret_cast<LONG_PTR>(&search));
    FreeLibrary(module);
  }
  if (search.found) return CreateFontIndirectW(&search.font);
  NONCLIENTMETRICSA metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return CreateFontIndirectA(&metrics.lfMessageFont);
}

BOOL CALLBACK AddChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

// Every fixed text of the current dialog (labels, check boxes, radio buttons, push buttons and
// group boxes) measured in the dialog's font against the room its control gives it when it
// paints: a label its whole rectangle, a check box or radio button what is right of its box and
// gap, a push button what is inside its frame, a group box what is between the frame's corners.
// Each text that does not fit is printed with its widths; one that is not among the expected
// cuts fails the script, and so does an expected cut that fits. Returns the measure of the text
// with the least width to spare, as "<dialog>: <id> <text> <width>x<height> in <room> at <dpi>".
std::string CheckTextsFit(std::vector<std::string> cuts) {
  std::vector<HWND> children;
  EnumChildWindows(current, AddChild, reinterpret_cast<LPARAM>(&children));
  HDC dc = GetDC(current);
  HFONT font = DialogFont(current);
  HGDIOBJ oldFont = SelectObject(dc, font);
  int dpi = GetDeviceCaps(dc, LOGPIXELSX);
  std::string unexpected, tightest;
  int leastSpare = 0x7FFFFFFF;
  for (HWND child : children) {
    char cls[64];
    GetClassNameA(child, cls, sizeof cls);
    std::string text = TextOf(child);
    LONG style = GetWindowLongA(child, GWL_STYLE);
    RECT room;
    GetClientRect(child, &room);
    UINT flags = DT_CALCRECT | DT_EXPANDTABS;
    if (lstrcmpiA(cls, "Static") == 0) {
      LONG type = style & SS_TYPEMASK;
      if (type > SS_RIGHT && type != SS_SIMPLE && type != SS_LEFTNOWORDWRAP) continue;
      flags |= type <= SS_RIGHT ? DT_WORDBREAK : DT_SINGLELINE;
      if (style & SS_NOPREFIX) flags |= DT_NOPREFIX;
    } else if (lstrcmpiA(cls, "Button") == 0) {
      LONG type = style & BS_TYPEMASK;
      flags |= (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        InflateRect(&room, -3, -3);
      } else if (type == BS_GROUPBOX) {
        InflateRect(&room, -7, 0);
      } else {
        // The box grows with the dpi (12 pixels and its frame at 96); the text keeps half a
        // digit's width from it.
        INT digit = 0;
        GetCharWidthA(dc, '0', '0', &digit);
        room.left += 12 * dpi / 96 + 1 + digit / 2;
      }
    } else {
      continue;
    }
    if (text.empty()) continue;
    RECT line = {}, need = {0, 0, room.right - room.left, 0};
    DrawTextA(dc, text.c_str(), -1, &line, (flags & ~DT_WORDBREAK) | DT_SINGLELINE);
    DrawTextA(dc, text.c_str(), -1, &need, flags);
    int roomWidth = room.right - room.left, roomHeight = room.bottom - room.top;
    char measure[2048];
    std::snprintf(measure, sizeof measure, "\"%s\": %d \"%s\" %ldx%ld in %dx%d at %d dpi", Log(TextOf(current)).c_str(),
                  GetDlgCtrlID(child), Log(Escape(text)).c_str(), need.right - need.left, need.bottom - need.top,
                  roomWidth, roomHeight, dpi);
    if (roomWidth - (need.right - need.left) < leastSpare) {
      leastSpare = roomWidth - (need.right - need.left);
      tightest = measure;
    }
    auto cut = std::find(cuts.begin(), cuts.end(), text);
    if (need.right - need.left <= roomWidth && need.bottom - need.top <= roomHeight) {
      if (cut != cuts.end()) Fail("\"" + Escape(text) + "\" fits its control");
      continue;
    }
    std::printf("does not fit in %s (one line %ld px wide)\n", measure, line.right - line.left);
    if (cut != cuts.end()) cuts.erase(cut);
    else unexpected += " \"" + Escape(text) + "\"";
  }
  SelectObject(dc, oldFont);
  DeleteObject(font);
  ReleaseDC(current, dc);
  if (!unexpected.empty()) Fail("texts that do not fit their controls:" + unexpected);
  return tightest;
}

void Step(const std::string& line) {
  std::istringstream in(line);
  std::string verb;
  in >> verb;
  std::string rest;
  if (in.peek() == ' ') in.get();
  std::getline(in, rest);
  std::istringstream args(rest);
  auto idAndText = [&](int* id, std::string* text) {
    args >> *id;
    std::getline(args >> std::ws, *text);
    *text = Unescape(*text);
  };

  // A caption follows its number after exactly one space: it may itself start with a space.
  auto readCaption = [&](double* seconds) {
    args >> *seconds;
    if (args.peek() == ' ') args.get();
    std::string text;
    std::getline(args, text);
    return text;
  };

  if (verb == "wait") {
    double seconds;
    std::string caption = Said(Unescape(readCaption(&seconds)));
    if (!WaitUntil(seconds, &current, caption)) Fail("no dialog \"" + Escape(caption) + "\" appeared");
    Sleep(150);  // let it finish painting
  } else if (verb == "absent") {
    double seconds;
    std::string caption = Said(Unescape(readCaption(&seconds)));
    HWND found;
    if (WaitUntil(seconds, &found, caption)) Fail("a dialog \"" + Escape(caption) + "\" appeared");
  } else if (verb == "gone") {
    double seconds;
    args >> seconds;
    for (DWORD waited = 0; IsWindow(current) && IsWindowVisible(current); waited += 50) {
      if (waited > seconds * 1000) Fail("the dialog \"" + TextOf(current) + "\" is still open");
      Sleep(50);
    }
  } else if (verb == "text") {
    int id;
    std::string text;
    idAndText(&id, &text);
    Expect("text of " + std::to_string(id), Said(text), TextOf(Item(id)));
  } else if (verb == "until") {
    double seconds;
    int id;
    args >> seconds >> id;
    std::string text;
    std::getline(args >> std::ws, text);
    text = Said(Unescape(text));
    for (DWORD waited = 0; TextOf(Item(id)) != text; waited += 50) {
      if (waited > seconds * 1000) Expect("text of " + std::to_string(id), text, TextOf(Item(id)));
      Sleep(50);
    }
  } else if (verb == "caption") {
    Expect("caption", Said(Unescape(rest)), TextOf(current));
  } else if (verb == "items") {
    int id;
    std::string list;
    idAndText(&id, &list);
    std::string actual;
    for (const std::string& item : ItemsOf(Item(id))) actual += (actual.empty() ? "" : "|") + item;
    Expect("entries of " + std::to_string(id), list, actual);
  } else if (verb == "selected" || verb == "checked" || verb == "enabled" || verb == "position") {
    int id;
    long expected;
    args >> id >> expected;
    HWND item = Item(id);
    long actual = verb == "selected"  ? static_cast<long>(SendMessageA(item, CB_GETCURSEL, 0, 0))
                  : verb == "checked" ? static_cast<long>(SendMessageA(item, BM_GETCHECK, 0, 0))
                  : verb == "enabled" ? static_cast<long>(IsWindowEnabled(item) ? 1 : 0)
                                      : static_cast<long>(SendMessageA(item, TBM_GETPOS, 0, 0));
    Expect(verb + " " + std::to_string(id), std::to_string(expected), std::to_string(actual));
  } else if (verb == "select") {
    int id, index;
    args >> id >> index;
    HWND combo = Item(id);
    SendMessageA(combo, CB_SETCURSEL, index, 0);
    SendMessageA(current, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  } else if (verb == "slide") {
    int id, position;
    args >> id >> position;
    HWND slider = Item(id);
    SendMessageA(slider, TBM_SETPOS, TRUE, position);
    LRESULT at = SendMessageA(slider, TBM_GETPOS, 0, 0);
    SendMessageA(current, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, at), reinterpret_cast<LPARAM>(slider));
    SendMessageA(current, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
  } else if (verb == "click") {
    int id;
    args >> id;
    HWND button = Item(id);
    if (!IsWindowEnabled(button)) Fail("button " + std::to_string(id) + " is disabled");
    PostMessageA(button, BM_CLICK, 0, 0);
    Sleep(100);
  } else if (verb == "key") {
    std::string key;
    args >> key;
    WPARAM vk = key == "enter" ? VK_RETURN : VK_ESCAPE;
    SetForegroundWindow(current);
    PostMessageA(current, WM_KEYDOWN, vk, 0);
    Sleep(100);
  } else if (verb == "close" || verb == "menu") {
    int command = SC_CLOSE;
    if (verb == "menu") args >> command;
    PostMessageA(current, WM_SYSCOMMAND, command, 0);
    Sleep(100);
  } else if (verb == "shot") {
    if (current && IsWindow(current)) {
      std::string tightest = CheckTextsFit(cuts);
      std::printf("tightest in %s\n", tightest.c_str());
      std::ofstream((shotFolder + "\\" + rest + ".fit").c_str()) << tightest << '\n';
    }
    cuts.clear();
    SaveScreenshot(rest);
  } else if (verb == "cut") {
    std::istringstream list(Unescape(rest));
    for (std::string text; std::getline(list, text, '|');) cuts.push_back(Said(text));
  } else if (verb == "access") {
    // The key's name may hold blanks ("Session Manager"): the mode is the last word.
    size_t blank = rest.find_last_of(' ');
    std::string path = rest.substr(0, blank), mode = blank == std::string::npos ? "" : rest.substr(blank + 1);
    if (mode != "read" && mode != "full") Fail("access must be read or full");
    SetKeyAccess(path, mode == "read");
  } else if (verb == "hold") {
    if (CreateFileA(rest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr) ==
        INVALID_HANDLE_VALUE)
      Fail("cannot open " + rest);
    std::printf("uirobot: holding %s\n", rest.c_str());
    std::fflush(stdout);
  } else if (verb == "pause") {
    Sleep(static_cast<DWORD>(std::atoi(rest.c_str())));
  } else {
    Fail("unknown step \"" + verb + "\"");
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::printf("usage: uirobot <script> [screenshot folder [texts]]\n");
    return 2;
  }
  if (argc > 2) shotFolder = argv[2];
  if (argc > 3) LoadTexts(argv[3]);
  InitCommonControls();
  std::ifstream script(argv[1]);
  if (!script) {
    std::printf("uirobot: cannot read %s\n", argv[1]);
    return 2;
  }
  std::string line;
  while (std::getline(script, line)) {
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    Step(line.substr(start));
  }
  std::printf("uirobot: %d lines played\n", lineNumber);
  return 0;
}
