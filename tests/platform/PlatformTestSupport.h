// What the platform behaviour tests need from the machine they run on. The same tests run
// against the in-memory machine (Linux) and against Win32 (Windows build, under Wine).
#pragma once

#include <string>
#include <vector>

#include "winapi.h"

// A key under HKEY_LOCAL_MACHINE that the tests may fill; emptied before each test.
extern const char* const kScratchKey;

// Deletes a key and everything below it; missing keys are fine.
void DeleteKeyTree(HKEY root, const std::string& path);

// A file whose version resource has a U.S. English/Unicode string table (040904B0) with a
// FileVersion of kLongFileVersion ("us"), or only a German one, 040704B0 ("other").
std::string VersionedFile(const std::string& which);
extern const char* const kLongFileVersion;
// Makes a string value of a version block claim another length, in characters (a resource
// compiler that does not count the NUL writes such a block).
void SetVersionValueLength(std::vector<BYTE>& block, const std::string& name, WORD length);

// Puts the machine in the state the tests start from.
void PrepareMachine();

// A folder of the tests' own (the INFs they write), made on first use; no trailing backslash.
std::string TempFolder();
void WriteTextFile(const std::string& path, const std::string& text);
bool FileIsThere(const std::string& path);
void RemoveTestFile(const std::string& path);
// Another program opens the file for reading without delete sharing (as a loaded DLL is), or
// closes it again.
void HoldFile(const std::string& path, bool held);

// A copy of the system's cmd.exe in a folder of TempFolder() whose name has a blank.
std::string ProgramInFolderWithBlank();

// The folder that holds the stand-in kernel driver's image, norvo.sys; no trailing backslash.
std::string DriverFolder();

// Answers the next message box with this caption by pressing the button, as a user would; the
// box's text and whether one came are reported by the next AnsweredMessageBox().
void AnswerMessageBox(const std::string& caption, int button);
// Clicks a button of the next dialog with this caption once it is shown; the dialog procedure
// has to end the dialog on that click. Whether it came is reported by AnsweredMessageBox().
void ClickWhenShown(const std::string& caption, int button);
struct SeenMessageBox {
  bool came;
  std::string text;
};
SeenMessageBox AnsweredMessageBox();
