// A program's entry point: its application object's start-up hook runs the program; the
// message loop follows only if the hook asks for one.
#include "Application.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
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
