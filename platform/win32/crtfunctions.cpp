// The few C library functions the compiler and the standard library headers call, so that the
// deliverables import nothing from the C runtime DLL (whose exports differ between the versions
// found on NT 4.0 machines). Built with -fno-builtin and without loop-pattern distribution, so
// that these loops are not turned back into calls to themselves.
#include <cstddef>

extern "C" {

void* memcpy(void* to, const void* from, size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  auto* s = static_cast<const unsigned char*>(from);
  while (n--) *d++ = *s++;
  return to;
}

void* memmove(void* to, const void* from, size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  auto* s = static_cast<const unsigned char*>(from);
  if (d <= s || d >= s + n) {
    while (n--) *d++ = *s++;
  } else {
    d += n;
    s += n;
    while (n--) *--d = *--s;
  }
  return to;
}

void* memset(void* to, int value, size_t n) {
  auto* d = static_cast<unsigned char*>(to);
  while (n--) *d++ = static_cast<unsigned char>(value);
  return to;
}

int memcmp(const void* a, const void* b, size_t n) {
  auto* x = static_cast<const unsigned char*>(a);
  auto* y = static_cast<const unsigned char*>(b);
  for (; n; --n, ++x, ++y)
    if (*x != *y) return *x < *y ? -1 : 1;
  return 0;
}

void* memchr(const void* from, int value, size_t n) {
  auto* s = static_cast<const unsigned char*>(from);
  for (; n; --n, ++s)
    if (*s == static_cast<unsigned char>(value)) return const_cast<unsigned char*>(s);
  return nullptr;
}

size_t strlen(const char* s) {
  const char* e = s;
  while (*e) ++e;
  return static_cast<size_t>(e - s);
}

char* strncpy(char* to, const char* from, size_t n) {
  char* d = to;
  for (; n && *from; --n) *d++ = *from++;
  for (; n; --n) *d++ = '\0';
  return to;
}

}  // extern "C"
