// A search of the file system for one name, in the style of the class frameworks' file finder:
// FindFile starts it, NextResult steps onto each result in turn, the first one included.
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
  // Steps onto the next result (the first, after FindFile); false when it is the last.
  bool NextResult();
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
