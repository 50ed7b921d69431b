#include "FileFinder.h"

FileFinder::~FileFinder() { Close(); }

bool FileFinder::FindFile(const std::string& name) {
  Close();
  search = FindFirstFileA(name.c_str(), &next);
  if (search == INVALID_HANDLE_VALUE) return false;
  hasNext = true;
  size_t slash = name.find_last_of('\\');
  root = slash == std::string::npos ? std::string() : name.substr(0, slash);
  return true;
}

bool FileFinder::NextResult() {
  if (!hasNext) return false;
  found = next;
  hasNext = FindNextFileA(search, &next) != FALSE;
  return hasNext;
}

std::string FileFinder::GetFileName() const { return found.cFileName; }

std::string FileFinder::GetFilePath() const { return root + "\\" + found.cFileName; }

void FileFinder::Close() {
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
  search = INVALID_HANDLE_VALUE;
  hasNext = false;
}
