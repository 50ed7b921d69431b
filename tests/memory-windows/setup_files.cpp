// SetupAPI's file operations on the in-memory machine: a section's deletions and copies, in
// the order a queue is committed, with the notifications the file callback receives.
#include <stdexcept>
#include <utility>

#include "inf.h"

namespace memory {
namespace {

// One file operation with its notifications; false when the callback aborts it. The source
// media is asked for before the first copy, and again while a file is not there.
bool CopyOne(PSP_FILE_CALLBACK_A callback, PVOID context, std::string sourceDir, const std::string& sourceName,
             const std::string& target, DWORD copyStyle, bool* mediaAsked) {
  std::string source = sourceDir + "\\" + sourceName;
  UINT answer;
  for (int attempt = 0; !*mediaAsked || !FileExists(source); ++attempt) {
    if (attempt > 10) throw std::logic_error("a file operation was retried more than ten times: " + target);
    *mediaAsked = true;
    SOURCE_MEDIA_A media{nullptr, nullptr, "Norvo driver files", sourceDir.c_str(), sourceName.c_str(), copyStyle};
    char newPath[MAX_PATH] = "";
    answer = callback(context, SPFILENOTIFY_NEEDMEDIA, reinterpret_cast<UINT_PTR>(&media), reinterpret_cast<UINT_PTR>(newPath));
    if (answer == FILEOP_ABORT) return false;
    if (answer == FILEOP_SKIP) return true;
    if (answer == FILEOP_NEWPATH) {
      sourceDir = newPath;
      source = sourceDir + "\\" + sourceName;
    }
  }
  FILEPATHS_A paths{target.c_str(), source.c_str(), 0, 0};
  answer = callback(context, SPFILENOTIFY_STARTCOPY, reinterpret_cast<UINT_PTR>(&paths), FILEOP_COPY);
  if (answer == FILEOP_ABORT) return false;
  if (answer == FILEOP_SKIP) return true;
  for (int attempt = 0;; ++attempt) {
    if (attempt > 10) throw std::logic_error("a file operation was retried more than ten times: " + target);
    DWORD error;
    if (CopyMemoryFile(source, target, &error)) break;
    paths.Win32Error = error;
    paths.Flags = copyStyle;  // what the error prompt may offer, as for a missing source
    answer = callback(context, SPFILENOTIFY_COPYERROR, reinterpret_cast<UINT_PTR>(&paths), 0);
    if (answer == FILEOP_ABORT) return false;
    if (answer == FILEOP_SKIP) return true;
  }
  paths.Win32Error = 0;
  callback(context, SPFILENOTIFY_ENDCOPY, reinterpret_cast<UINT_PTR>(&paths), 0);
  return true;
}

bool DeleteOne(PSP_FILE_CALLBACK_A callback, PVOID context, const std::string& target) {
  FILEPATHS_A paths{target.c_str(), nullptr, 0, 0};
  UINT answer = callback(context, SPFILENOTIFY_STARTDELETE, reinterpret_cast<UINT_PTR>(&paths), FILEOP_DELETE);
  if (answer == FILEOP_ABORT) return false;
  if (answer == FILEOP_SKIP) return true;
  for (int attempt = 0;; ++attempt) {
    if (attempt > 10) throw std::logic_error("a file operation was retried more than ten times: " + target);
    DWORD error;
    if (DeleteMemoryFile(target, &error)) break;
    paths.Win32Error = error;
    answer = callback(context, SPFILENOTIFY_DELETEERROR, reinterpret_cast<UINT_PTR>(&paths), 0);
    if (answer == FILEOP_ABORT) return false;
    if (answer == FILEOP_SKIP) break;  // the end still comes, with the error, as under Wine
    paths.Win32Error = 0;
  }
  callback(context, SPFILENOTIFY_ENDDELETE, reinterpret_cast<UINT_PTR>(&paths), 0);
  return true;
}

}  // namespace

// The section's files in the order the system commits a queue: deletions, then copies, each
// kind in a subqueue of its own.
bool Files(const Inf& inf, const std::vector<Line>& section, const std::string& sourceRoot, DWORD copyStyle,
           PSP_FILE_CALLBACK_A callback, PVOID context) {
  std::string sourceDir = sourceRoot;
  while (!sourceDir.empty() && sourceDir.back() == '\\') sourceDir.pop_back();
  std::vector<std::string> deletions;
  for (const std::string& del : Directive(inf, section, "DelFiles")) {
    const std::vector<Line>* files = inf.Section(del);
    if (!files) continue;
    for (const Line& line : *files) deletions.push_back(DirectoryOf(inf, del) + "\\" + Substitute(inf, line.values[0]));
  }
  std::vector<std::pair<std::string, std::string>> copies;  // source name, target path
  for (const std::string& copy : Directive(inf, section, "CopyFiles")) {
    if (copy[0] == '@') {
      copies.emplace_back(copy.substr(1), DirectoryOf(inf, "") + "\\" + copy.substr(1));
      continue;
    }
    const std::vector<Line>* files = inf.Section(copy);
    if (!files) continue;
    for (const Line& line : *files) {
      std::string target = Substitute(inf, line.values[0]);
      std::string source = line.values.size() > 1 && !line.values[1].empty() ? Substitute(inf, line.values[1]) : target;
      copies.emplace_back(source, DirectoryOf(inf, copy) + "\\" + target);
    }
  }
  if (!deletions.empty()) {
    callback(context, SPFILENOTIFY_STARTSUBQUEUE, FILEOP_DELETE, deletions.size());
    for (const std::string& target : deletions)
      if (!DeleteOne(callback, context, target)) return false;
    callback(context, SPFILENOTIFY_ENDSUBQUEUE, FILEOP_DELETE, 0);
  }
  if (!copies.empty()) {
    callback(context, SPFILENOTIFY_STARTSUBQUEUE, FILEOP_COPY, copies.size());
    bool mediaAsked = false;
    for (const auto& copy : copies)
      if (!CopyOne(callback, context, sourceDir, copy.first, copy.second, copyStyle, &mediaAsked)) return false;
    callback(context, SPFILENOTIFY_ENDSUBQUEUE, FILEOP_COPY, 0);
  }
  return true;
}

}  // namespace memory
