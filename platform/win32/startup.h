// What the programs' own entry points (dllentry.cpp, programentry.cpp) share: running the
// static constructors, and the exit handlers that atexit collects (the compiler registers every
// static object's destructor there).
#pragma once

// Runs the static constructors of this module, in the order the C++ runtime would.
void RunStaticConstructors();
// Runs every handler registered with atexit, newest first, then the module's destructor list,
// and forgets them: a module loaded again registers afresh.
void RunExitHandlers();
