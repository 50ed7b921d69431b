#include "module.h"

// The linker's symbol for the start of this module's image: its instance handle.
extern "C" IMAGE_DOS_HEADER __ImageBase;

HINSTANCE CurrentModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }
