// What the platform behaviour tests need from the machine they run on. The same tests run
// against the in-memory machine (Linux) and against Win32 (Windows build, under Wine).
#pragma once

#include <string>

#include "winapi.h"

// A key under HKEY_LOCAL_MACHINE that the tests may fill; emptied before each test.
extern const char* const kScratchKey;

// Deletes a key and everything below it; missing keys are fine.
void DeleteKeyTree(HKEY root, const std::string& path);

// A file whose version resource has a U.S. English/Unicode string table (040904B0) with a
// FileVersion of kLongFileVersion ("us"), or only a German one, 040704B0 ("other").
std::string VersionedFile(const std::string& which);
extern const char* const kLongFileVersion;

// Puts the machine in the state the tests start from.
void PrepareMachine();
