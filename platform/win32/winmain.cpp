// A program's entry point: its application object's start-up hook runs the program; the
// message loop follows only if the hook asks for one. SetupAPI, which the program calls, is
// loaded from the system folder first; when it cannot be, the program says why and ends.
#include "Application.h"
#include "systemsetupapi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!LoadSetupApi()) return 1;
  Application* app = Application::Current();
  if (app && app->InitInstance()) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return 0;
}
