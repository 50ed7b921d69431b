#include <cstring>
#include <thread>

#include "PlatformTestSupport.h"

void PrepareMachine() { DeleteKeyTree(HKEY_LOCAL_MACHINE, kScratchKey); }

namespace {
std::string ModuleFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char* slash = std::strrchr(path, '\\');
  if (slash) slash[1] = 0;
  return path;
}
}  // namespace

// The resource-only DLLs built beside the test program.
std::string VersionedFile(const std::string& which) { return ModuleFolder() + "ver" + which + ".dll"; }

std::string TempFolder() {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  std::string folder = std::string(path) + "norvoplat";
  CreateDirectoryA(folder.c_str(), nullptr);
  return folder;
}

void WriteTextFile(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

bool FileIsThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
void RemoveTestFile(const std::string& path) { DeleteFileA(path.c_str()); }

void HoldFile(const std::string& path, bool held) {
  static HANDLE holder = INVALID_HANDLE_VALUE;
  if (holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
  holder = held ? CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)
                : INVALID_HANDLE_VALUE;
}

std::string ProgramInFolderWithBlank() {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string folder = TempFolder() + "\\with blank";
  CreateDirectoryA(folder.c_str(), nullptr);
  CopyFileA((std::string(system) + "\\cmd.exe").c_str(), (folder + "\\cmd.exe").c_str(), FALSE);
  return folder + "\\cmd.exe";
}

// The build puts the stand-in driver in driver/ beside the test program.
std::string DriverFolder() { return ModuleFolder() + "driver"; }

namespace {
std::thread answerer;
SeenMessageBox seen;
}  // namespace

// A second thread finds the window by its caption once it is shown, reads its text (a message
// box's is static 0xFFFF) and presses the button.
void AnswerMessageBox(const std::string& caption, int button) {
  if (answerer.joinable()) answerer.join();
  seen = SeenMessageBox{false, std::string()};
  answerer = std::thread([caption, button] {
    for (int i = 0; i < 500; ++i) {
      HWND box = FindWindowA("#32770", caption.c_str());
      if (box && IsWindowVisible(box)) {
        char text[512] = "";
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        seen = SeenMessageBox{true, text};
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
        return;
      }
      Sleep(10);
    }
  });
}

void ClickWhenShown(const std::string& caption, int button) { AnswerMessageBox(caption, button); }

SeenMessageBox AnsweredMessageBox() {
  if (answerer.joinable()) answerer.join();
  return seen;
}
