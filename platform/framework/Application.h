// The application object of a program or DLL: one static instance per module.
#pragma once

#include "winapi.h"

class Application {
 public:
  explicit Application(LPCSTR name = nullptr);
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Start-up hook of a program; returning FALSE ends the program without a message loop.
  virtual BOOL InitInstance();

  static Application* Current();

  LPCSTR name;
  HWND mainWindow = nullptr;
};
