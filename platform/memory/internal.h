// Shared between the in-memory platform's own files; tests use machine.h.
#pragma once

#include <string>

#include "machine.h"

namespace memory {
void ResetRegistry();
void ResetSystem();
void ResetResources();
void ResetWindows();
void ResetServices();
void ResetDevices();
void ResetErrors();
void ResetPrivileges();

std::string Upper(std::string text);
bool SameText(const std::string& a, const std::string& b);  // case-insensitive, as file and key names

// File operations of the in-memory file system; false with a Win32 error code on failure.
bool CopyMemoryFile(const std::string& source, const std::string& target, DWORD* error);
bool DeleteMemoryFile(const std::string& path, DWORD* error);
const ServiceBehaviour* ServiceDefaultsFor(const std::string& name);
void ResetSetup();

// A resource's bytes from a loaded module, or nullptr: in the language asked for, or without one
// (LANG_NEUTRAL) in the one the thread's locale chooses.
const std::vector<BYTE>* FindResourceData(HINSTANCE module, LPCSTR type, LPCSTR name,
                                          LANGID language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));

// A character of a resource's text (UTF-16) as the system gives it to an ANSI program, in code
// page 1252: ASCII and U+00A0 to U+00FF as themselves, every other character as "?".
inline char AnsiCharacter(WORD c) { return c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?'; }

// The process token's handle, which CloseHandle accepts (privileges.cpp).
extern HANDLE const kToken;
}  // namespace memory
