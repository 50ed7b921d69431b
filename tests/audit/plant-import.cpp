// Planted in a test image to show that the image audit finds an import that is not on the
// allow-list (GetTickCount64 came with Windows Vista).
#define _WIN32_WINNT 0x0600
#include <windows.h>

extern "C" __declspec(dllexport) ULONGLONG PlantedTicks() { return GetTickCount64(); }
