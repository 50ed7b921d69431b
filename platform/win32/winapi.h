// The Win32 subset the two programs use, taken from the real system headers. The in-memory
// Windows of the tests (tests/memory-windows/winapi.h) declares the same names for the Linux
// build.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#include <cpl.h>
#include <winver.h>
// The SetupAPI functions are the installer's own (systemsetupapi.cpp), which call the system
// folder's SETUPAPI.DLL: declared without dllimport, nothing imports them by name.
#define _SETUPAPI_
#include <setupapi.h>
