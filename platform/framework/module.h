// The module (DLL or program) whose resources the programs load: dialog templates, icons and
// strings. Each platform implements it: platform/win32/module.cpp on Windows, and the in-memory
// platform beside its resource modules.
#pragma once

#include "winapi.h"

HINSTANCE CurrentModule();
