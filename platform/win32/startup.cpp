// Static construction and destruction for the programs' own entry points, without the C
// runtime's start-up objects. The linker script brackets the module's .ctors and .dtors
// sections with __CTOR_LIST__ and __DTOR_LIST__: a -1 first, the function pointers, a 0 last.
// The compiler makes each static object's constructor call atexit with its destructor, so
// atexit must be this module's own list: the C runtime DLL's would run the destructors at
// process exit, after a DLL that registered them is gone.
#include "startup.h"

#include "winapi.h"

using Handler = void (*)();

extern "C" {
extern Handler __CTOR_LIST__[];
extern Handler __DTOR_LIST__[];
int atexit(Handler handler);
}

namespace {
struct ExitHandler {
  Handler handler;
  ExitHandler* older;
};
ExitHandler* newestHandler = nullptr;
}  // namespace

extern "C" int atexit(Handler handler) {
  auto* entry = static_cast<ExitHandler*>(HeapAlloc(GetProcessHeap(), 0, sizeof(ExitHandler)));
  if (!entry) return -1;
  entry->handler = handler;
  entry->older = newestHandler;
  newestHandler = entry;
  return 0;
}

void RunStaticConstructors() {
  // Constructors run from the end of the list to its start, as the runtime's own start-up does.
  Handler* last = __CTOR_LIST__ + 1;
  while (*last) ++last;
  while (--last > __CTOR_LIST__) (*last)();
}

void RunExitHandlers() {
  // A handler may register another (a local static first used in a destructor): take them one
  // at a time from the head.
  while (ExitHandler* entry = newestHandler) {
    newestHandler = entry->older;
    Handler handler = entry->handler;
    HeapFree(GetProcessHeap(), 0, entry);
    handler();
  }
  for (Handler* d = __DTOR_LIST__ + 1; *d; ++d) (*d)();
}
