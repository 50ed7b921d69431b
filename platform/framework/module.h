// The module (DLL or program) whose resources the programs load: dialog templates, icons and
// strings.
#pragma once

#include "winapi.h"

HINSTANCE CurrentModule();
