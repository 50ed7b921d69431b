// The file callback given to SetupAPI, and the context it keeps for one operation: the system's
// default callback, the files an install replaces (copied aside first, so that a failed install
// can put them back), and what is left for the next start of the computer.
#pragma once

#include <string>
#include <vector>

#include "winapi.h"

class FileCallbackContext {
 public:
  // defaultContext: the system's default callback context, to which every notification not
  // handled here goes.
  explicit FileCallbackContext(PVOID defaultContext);
  FileCallbackContext(const FileCallbackContext&) = delete;
  FileCallbackContext& operator=(const FileCallbackContext&) = delete;

  UINT Notify(UINT notification, UINT_PTR param1, UINT_PTR param2);

  // After a failed install: every replaced file gets its old copy back, newest first. A file
  // whose replacement waits for the restart gets its old copy back at that same restart, after
  // the new one.
  void PutBack();
  // After a successful install: the old copies go.
  void Discard();

  // Some file is deleted or replaced only when the computer next starts.
  bool restartNeeded = false;
  // The first file that could be neither deleted now nor marked for deletion at the restart,
  // and why it could not be deleted (the system's error code).
  std::string stayingFile;
  DWORD stayingError = ERROR_SUCCESS;
  // A copy beside a file that could not be made (its old contents before it is replaced, or its
  // new ones waiting for the restart), which stopped the operation: from where, to where, why.
  std::string blockedSource, blockedCopy;
  DWORD blockedError = ERROR_SUCCESS;

 private:
  struct Replaced {
    std::string file;  // the installed file
    std::string copy;  // its old contents, beside it
    bool atRestart;    // the new contents replace it only at the restart
    bool replacedNow;  // it no longer holds its old contents (this run's or an earlier one's copy)
  };
  bool KeepOldCopy(const std::string& file);
  bool ReplaceAtRestart(const std::string& source, const std::string& file, DWORD inUseError);
  void ReplacedAtRestart(const std::string& file);
  void PlacedNow(const std::string& file);
  void DropWaitingCopy(const std::string& file);
  bool CopyBeside(const std::string& source, const std::string& copy);
  bool AskForMedia(const SOURCE_MEDIA_A& media);

  PVOID defaultContext;
  std::vector<Replaced> replaced;
  // The files whose new contents this operation left to the restart.
  std::vector<std::string> waiting;
  // A source file that is missing, and how often in a row it was asked for.
  std::string missingFile;
  int mediaPrompts = 0;
};

// The file callback given to SetupAPI; its context is a FileCallbackContext. A file that cannot
// be deleted now (one already gone is skipped silently) is deleted at the next start; a file in
// use that cannot be replaced now is replaced then; a file copied or deleted now loses new
// contents an earlier install left beside it for the restart, and an old copy that a run which
// did not end left there; a read-only file is made writable before it is replaced or deleted; a
// copy is never skipped; a missing source file is asked for at most five times in a row.
// Everything else goes to the system's default callback.
UINT CALLBACK InstallQueueCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
