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

std::string Upper(std::string text);
bool SameText(const std::string& a, const std::string& b);  // case-insensitive, as file and key names

// A resource's bytes from a loaded module, or nullptr.
const std::vector<BYTE>* FindResourceData(HINSTANCE module, LPCSTR type, LPCSTR name);
}  // namespace memory
