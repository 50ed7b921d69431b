// The INF files of the in-memory machine as SetupAPI reads them: sections of lines, each with an
// optional key and its comma-separated values (inf.cpp).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "internal.h"

namespace memory {

struct Line {
  std::string key;  // before '=', empty when the line has none
  std::vector<std::string> values;
};

struct Inf {
  std::map<std::string, std::vector<Line>> sections;  // by upper-case name
  const std::vector<Line>* Section(const std::string& name) const {
    auto it = sections.find(Upper(name));
    return it == sections.end() ? nullptr : &it->second;
  }
};

// Reads an INF's text; ERROR_SUCCESS, or the error SetupOpenInfFileA reports with the number of
// the line at fault (0 when no line is).
DWORD Parse(const std::string& text, Inf* inf, UINT* errorLine);
// %name% from [Strings], and the directory ids the driver INFs use.
std::string Substitute(const Inf& inf, const std::string& text);
// The substituted values of every line of the section with the key.
std::vector<std::string> Directive(const Inf& inf, const std::vector<Line>& section, const char* key);
// The target directory of a file section, from [DestinationDirs].
std::string DirectoryOf(const Inf& inf, const std::string& fileSection);

// Deletes and copies the files a section names, telling the callback (setup_files.cpp); false
// when the callback aborts.
bool Files(const Inf& inf, const std::vector<Line>& section, const std::string& sourceRoot, DWORD copyStyle,
           PSP_FILE_CALLBACK_A callback,
           PVOID context);

}  // namespace memory
