// The deliverables are built without C++ exceptions. These replace the library's allocation
// and error paths, which would otherwise bring the whole exception runtime (and its demangler)
// into a small DLL: running out of memory or breaking a container's bounds ends the process.
// Memory comes from the process heap, so nothing here needs the C runtime DLL.
#include <new>

#include "winapi.h"

namespace {
[[noreturn]] void Fail() {
  FatalAppExitA(0, "Out of memory or internal error.");
  ExitProcess(3);
}
}  // namespace

void* operator new(size_t size) {
  void* p = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
  if (!p) Fail();
  return p;
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept {
  if (p) HeapFree(GetProcessHeap(), 0, p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace std {
void __throw_length_error(const char*) { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { Fail(); }
}  // namespace std
