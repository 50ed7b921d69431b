#include "Application.h"

namespace {
Application* current = nullptr;
}

Application::Application(LPCSTR appName) : name(appName) { current = this; }

Application::~Application() {
  if (current == this) current = nullptr;
}

BOOL Application::InitInstance() { return TRUE; }

Application* Application::Current() { return current; }
