// A search of the file system for one name, in the style of the class frameworks' file finder:
// FindFile starts it, FindNext steps to each result in turn.
#pragma once

#include <string>

#include "winapi.h"

class FileFinder {
 public:
  FileFinder() = default;
  ~FileFinder();
  FileFinder(const FileFinder&) = delete;
  FileFinder& operator=(const FileFinder&) = delete;

  bool FindFile(const std::string& name);
  // Steps to the next result; false when the current one is the last.
  bool FindNext();
  std::string GetFileName() const;  // as the file system spells it
  std::string GetFilePath() const;  // the searched directory, a backslash, and the name
  void Close();

 private:
  HANDLE search = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA found{};
  WIN32_FIND_DATAA next{};
  bool hasNext = false;
  std::string root;
};
