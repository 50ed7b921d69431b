#include "FileCallback.h"

namespace {

// Where the system asks for a missing source file, the answer "try again at the same place"
// means "the disk is in now"; some SetupAPI implementations give that answer without asking
// anyone, so that the copy would be retried for ever. A file is asked for at most this many times
// in a row; then the copy is given up.
const int kMaxMediaPrompts = 5;

// Beside an installed file: its old contents while an install may still fail, and its new
// contents while they wait for the restart to replace it.
const char kOldCopy[] = ".old";
const char kNewCopy[] = ".new";

// The errors of a file that another program holds open, as a loaded DLL or a running driver's
// image is.
bool InUse(DWORD error) { return error == ERROR_SHARING_VIOLATION || error == ERROR_USER_MAPPED_FILE; }

bool Gone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// A file of ours that is read-only (copied from a CD-ROM, say) is made writable before it is
// replaced or deleted: read-only, it would be refused as if it were in use, and stay for good.
void MakeWritable(const std::string& file) {
  DWORD attributes = GetFileAttributesA(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesA(file.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

// Deletes a file of ours, read-only or not; the last error stays the file operation's own.
BOOL DeleteOwnFile(const std::string& file) {
  DWORD error = GetLastError();
  MakeWritable(file);
  BOOL deleted = DeleteFileA(file.c_str());
  SetLastError(error);
  return deleted;
}

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the system's list of what the next start does deletes the file, as this installer
// wrote it there for a removal that found the file in use: pairs of texts, a source as a native
// path ("\??\" and the path) and its target, empty for a deletion.
bool DeletedAtRestart(const std::string& file) {
  const char kList[] = "PendingFileRenameOperations";
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                    &key) != ERROR_SUCCESS)
    return false;
  DWORD size = 0;
  std::vector<char> list;
  if (RegQueryValueExA(key, kList, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    list.assign(size + 2, '\0');  // room for closing NULs a value may lack
    if (RegQueryValueExA(key, kList, nullptr, nullptr, reinterpret_cast<BYTE*>(list.data()), &size) != ERROR_SUCCESS)
      list.clear();
  }
  RegCloseKey(key);
  const std::string source = "\\??\\" + file;
  for (size_t at = 0; at + 1 < list.size() && list[at];) {
    if (source == &list[at] && !list[at + source.size() + 1]) return true;
    at += std::string(&list[at]).size() + 1;
    at += std::string(&list[at]).size() + 1;
  }
  return false;
}

}  // namespace

FileCallbackContext::FileCallbackContext(PVOID context) : defaultContext(context) {}

UINT FileCallbackContext::Notify(UINT notification, UINT_PTR param1, UINT_PTR param2) {
  const auto* paths = reinterpret_cast<const FILEPATHS_A*>(param1);
  switch (notification) {
    case SPFILENOTIFY_STARTCOPY:
      if (!KeepOldCopy(paths->Target)) return FILEOP_ABORT;
      MakeWritable(paths->Target);
      break;
    case SPFILENOTIFY_STARTDELETE:
      // An old copy that a run which did not end left beside the file goes with it.
      MakeWritable(paths->Target);
      DeleteOwnFile(std::string(paths->Target) + kOldCopy);
      break;
    case SPFILENOTIFY_ENDCOPY:
      missingFile.clear();
      if (paths->Win32Error == NO_ERROR) PlacedNow(paths->Target);
      break;
    case SPFILENOTIFY_ENDDELETE:
      // Deleted now or at the restart: new contents an earlier install left waiting for the
      // restart must not bring the file back then.
      DropWaitingCopy(paths->Target);
      break;
    case SPFILENOTIFY_COPYERROR: {
      if (InUse(paths->Win32Error))
        return ReplaceAtRestart(paths->Source, paths->Target, paths->Win32Error) ? FILEOP_SKIP : FILEOP_ABORT;
      // A copy left out would leave an install that looks finished without its file.
      UINT answer = SetupDefaultQueueCallbackA(defaultContext, notification, param1, param2);
      if (answer != FILEOP_SKIP) return answer;
      SetLastError(paths->Win32Error);
      return FILEOP_ABORT;
    }
    case SPFILENOTIFY_DELETEERROR:
      if (!Gone(paths->Win32Error) && MoveFileExA(paths->Target, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        restartNeeded = true;
      } else if (!Gone(paths->Win32Error) && stayingFile.empty()) {
        stayingError = paths->Win32Error;
        stayingFile = paths->Target;
      }
      return FILEOP_SKIP;
    case SPFILENOTIFY_FILEOPDELAYED:
      // The system put off the operation itself: the file is in use.
      restartNeeded = true;
      ReplacedAtRestart(paths->Target);
      break;
    case SPFILENOTIFY_NEEDMEDIA:
      if (!AskForMedia(*reinterpret_cast<const SOURCE_MEDIA_A*>(param1))) return FILEOP_ABORT;
      break;
  }
  UINT answer = SetupDefaultQueueCallbackA(defaultContext, notification, param1, param2);
  // Skipped, cancelled or found elsewhere: the next request for the file is a new one.
  if (notification == SPFILENOTIFY_NEEDMEDIA && answer != FILEOP_DOIT) missingFile.clear();
  return answer;
}

// Counts a request for a missing file; false, with the reason as the last error, when it was
// asked for often enough: the operation fails for that reason, not in an endless loop.
bool FileCallbackContext::AskForMedia(const SOURCE_MEDIA_A& media) {
  std::string file = std::string(media.SourcePath ? media.SourcePath : "") + "\\" + (media.SourceFile ? media.SourceFile : "");
  if (file != missingFile) {
    missingFile = file;
    mediaPrompts = 0;
  }
  if (mediaPrompts++ < kMaxMediaPrompts) return true;
  missingFile.clear();
  SetLastError(ERROR_FILE_NOT_FOUND);
  return false;
}

// Before a file is replaced, its old contents are copied beside it. A file that is not there
// yet needs no copy; one that cannot be copied stops the install before anything is replaced,
// with the reason as the last error. An old copy that is there already was left by a run that
// did not end (ended by force, or by a power cut) after it had replaced the file: it holds what
// was there before that run, and stays the copy to put back.
bool FileCallbackContext::KeepOldCopy(const std::string& file) {
  for (const Replaced& entry : replaced)
    if (entry.file == file) return true;
  std::string copy = file + kOldCopy;
  if (IsFile(copy)) {
    replaced.push_back({file, copy, false, true});
    return true;
  }
  if (CopyBeside(file, copy)) {
    replaced.push_back({file, copy, false, false});
    return true;
  }
  if (!Gone(blockedError)) return false;
  // Not there yet (new to this install): nothing to keep, nothing in the way.
  blockedSource.clear();
  blockedCopy.clear();
  return true;
}

// Copies a file beside the one it belongs to; false, with the reason as the last error and the
// copy named as the one that stopped the operation, when it cannot be made.
bool FileCallbackContext::CopyBeside(const std::string& source, const std::string& copy) {
  if (CopyFileA(source.c_str(), copy.c_str(), FALSE)) return true;
  blockedError = GetLastError();
  blockedSource = source;
  blockedCopy = copy;
  return false;
}

// A file in use gets its new contents at the next start: they wait beside it until then. False,
// with the reason as the last error, when that cannot be arranged.
bool FileCallbackContext::ReplaceAtRestart(const std::string& source, const std::string& file, DWORD inUseError) {
  std::string newCopy = file + kNewCopy;
  if (!CopyBeside(source, newCopy)) return false;
  // A system that cannot write the restart's list without saying why (Wine leaves the last
  // error as it was) leaves the file's own reason: it is in use.
  SetLastError(inUseError);
  if (MoveFileExA(newCopy.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
    restartNeeded = true;
    waiting.push_back(file);
    ReplacedAtRestart(file);
    return true;
  }
  DeleteOwnFile(newCopy);
  return false;
}

void FileCallbackContext::ReplacedAtRestart(const std::string& file) {
  for (Replaced& entry : replaced)
    if (entry.file == file) entry.atRestart = true;
}

// A file copied now. New contents an earlier install left waiting for the restart would undo
// this copy then: they go (the restart's rename then finds nothing to do).
void FileCallbackContext::PlacedNow(const std::string& file) {
  for (Replaced& entry : replaced)
    if (entry.file == file) entry.replacedNow = true;
  for (const std::string& mine : waiting)
    if (mine == file) return;
  DropWaitingCopy(file);
  // A removal that found the file in use left its deletion to the restart: the new contents go
  // back in place after it then.
  std::string newCopy = file + kNewCopy;
  if (DeletedAtRestart(file) && CopyFileA(file.c_str(), newCopy.c_str(), FALSE))
    MoveFileExA(newCopy.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
}

void FileCallbackContext::DropWaitingCopy(const std::string& file) { DeleteOwnFile(file + kNewCopy); }

void FileCallbackContext::PutBack() {
  for (auto entry = replaced.rbegin(); entry != replaced.rend(); ++entry) {
    const char* copy = entry->copy.c_str();
    const char* file = entry->file.c_str();
    // A file whose copy failed is as it was: only its old copy goes.
    if (!entry->atRestart && !entry->replacedNow) {
      DeleteOwnFile(copy);
      continue;
    }
    // A file that cannot be put back now (in use) is put back at the restart.
    if (entry->atRestart || !MoveFileExA(copy, file, MOVEFILE_REPLACE_EXISTING))
      MoveFileExA(copy, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT);
  }
  replaced.clear();
}

void FileCallbackContext::Discard() {
  for (const Replaced& entry : replaced)
    if (!DeleteOwnFile(entry.copy)) MoveFileExA(entry.copy.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  replaced.clear();
}

UINT CALLBACK InstallQueueCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2) {
  return static_cast<FileCallbackContext*>(context)->Notify(notification, param1, param2);
}
