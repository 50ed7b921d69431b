// The small functions the operation relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>

#include "InstallerTestSupport.h"
#include "FileCallback.h"
#include "OperationHelpers.h"

using memory::DialogUser;

namespace {

// The file callback, situation by situation. A row lays out the system folder ("a=old": file a
// holding "old"; a "*" after the name: held open by another program, a "^": read-only) and the
// restart's list ("a>" deletes a, "a.new>!a" replaces a; "#" the list cannot be written, "#quiet"
// neither, and the system says nothing why, as Wine), then sends the notifications a queue sends,
// each with the answer it must get. After an abort the last error is the note's error. An end-copy
// or end-delete without an error first does what the queue did (the disk holds "new" for every
// file). Succeeded and Failed end the operation (Discard, PutBack); notes after them belong to the
// next run. A prompt for a missing file offers Skip only where the note expects a skip.
enum : UINT { StartDelete = SPFILENOTIFY_STARTDELETE, EndDelete, DeleteError, StartCopy = SPFILENOTIFY_STARTCOPY,
              EndCopy, CopyError, NeedMedia, Delayed = SPFILENOTIFY_FILEOPDELAYED,
              Succeeded = 100, Failed, Hold, Click, FoundIn };
struct Note {
  UINT code;
  const char* file = nullptr;  // for Click the caption, for FoundIn the folder
  DWORD error = 0;             // for Click the button
  UINT answer = 0;
  int times = 1;
};
const UINT Do = FILEOP_DOIT, Skip = FILEOP_SKIP, Abort = FILEOP_ABORT;
const DWORD InUse = ERROR_SHARING_VIOLATION, Mapped = ERROR_USER_MAPPED_FILE, Gone = ERROR_FILE_NOT_FOUND;

TEST(InstallQueueCallback, DecidesEachFileAsTheSituationDemands) {
  const struct Row {
    const char *situation, *folder, *list;
    std::vector<Note> notes;
    bool restart;
    const char *staying, *after, *pending;
    size_t prompts;
  } rows[] = {
      {"gone, as file or as path: skipped, nothing for the restart", "", "",
       {{StartDelete, "a", 0, Do}, {DeleteError, "a", Gone, Skip}, {DeleteError, "b", ERROR_PATH_NOT_FOUND, Skip}},
       false, "", "", "", 0},
      {"in use or put off by the system: deleted at the restart", "a*=old", "",
       {{DeleteError, "a", InUse, Skip}, {Delayed, "b", 0, 0}}, true, "", "a=old", "a>", 0},
      {"neither deleted nor scheduled: the first such file is named", "a=old b=old", "#",
       {{DeleteError, "a", InUse, Skip}, {DeleteError, "b", ERROR_ACCESS_DENIED, Skip}}, false, "a", "a=old b=old", "", 0},
      {"in use by sharing or mapping: replaced at the restart; the queue's end-copy keeps the waiting copy",
       "a*=old b*=old", "",
       {{StartCopy, "a", 0, Do}, {CopyError, "a", InUse, Skip}, {EndCopy, "a", 0, 0}, {StartCopy, "b", 0, Do},
        {CopyError, "b", Mapped, Skip}, {Succeeded}},
       true, "", "a=old a.new=new b=old b.new=new", "a.new>!a b.new>!b", 0},
      {"two files held in a removal, then an install before the restart: both come back after it", "a=old b=old", "",
       {{DeleteError, "a", InUse, Skip}, {DeleteError, "b", InUse, Skip}, {Succeeded}, {StartCopy, "a", 0, Do},
        {EndCopy, "a", 0, 0}, {StartCopy, "b", 0, Do}, {EndCopy, "b", 0, 0}, {Succeeded}},
       true, "", "a=new a.new=new b=new b.new=new", "a> b> a.new>!a b.new>!b", 0},
      {"new contents an earlier install left for the restart go when the file is copied or deleted now",
       "a=old a.new=new b=old b.new=new", "a.new>!a b.new>!b",
       {{StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {Succeeded}, {StartDelete, "b", 0, Do}, {EndDelete, "b", 0, 0}},
       false, "", "a=new", "a.new>!a b.new>!b", 0},
      {"a list that renames, not deletes, the file leaves it alone", "a=old", "z>a",
       {{StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {Succeeded}}, false, "", "a=new", "z>a", 0},
      {"a copy the system put off, then a failure: the old file comes back at the restart too", "a=old", "",
       {{StartCopy, "a", 0, Do}, {Delayed, "a", 0, 0}, {Failed}}, true, "", "a=old a.old=old", "a.old>!a", 0},
      {"the same file copied twice: its first old copy comes back", "a=old", "",
       {{StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {Failed}},
       false, "", "a=old", "", 0},
      {"in use where the list cannot be written: fails as in use, nothing left beside it", "a*=old", "#quiet",
       {{StartCopy, "a", 0, Do}, {CopyError, "a", InUse, Abort}, {Failed}}, false, "", "a=old", "", 0},
      {"an old copy that cannot be deleted after success goes at the restart", "a=old", "",
       {{StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {Hold, "a.old"}, {Succeeded}}, false, "", "a=new a.old=old",
       "a.old>", 0},
      {"an old copy a run that did not end left is the one put back, and a removal deletes it",
       "a=mid a.old=old b=mid b.old=old", "",
       {{StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {Failed}, {StartDelete, "b", 0, Do}, {EndDelete, "b", 0, 0}},
       false, "", "a=old", "", 0},
      {"read-only files and their old copies are made writable before they are replaced or deleted",
       "a^=old b^=old", "", {{StartCopy, "a", 0, Do}, {EndCopy, "a", 0, 0}, {Succeeded}, {StartDelete, "b", 0, Do},
       {EndDelete, "b", 0, 0}}, false, "", "a=new", "", 0},
      {"a copy that failed otherwise is not skipped, whatever the user answers", "a=old", "",
       {{Click, "File Operation Error", IDIGNORE}, {CopyError, "a", ERROR_ACCESS_DENIED, Abort}}, false, "", "a=old",
       "", 1},
      {"a missing file is asked for five times in a row; a copy, a skip, a cancel or another folder starts again",
       "", "",
       {{NeedMedia, "m", 0, Do, 4}, {EndCopy, "m", 0, 0}, {NeedMedia, "m", 0, Do, 5}, {NeedMedia, "m", Gone, Abort},
        {NeedMedia, "m", 0, Do}, {Click, "Files Needed", IDCANCEL}, {NeedMedia, "m", ERROR_CANCELLED, Abort},
        {NeedMedia, "m", 0, Do, 3}, {Click, "Files Needed", IDIGNORE}, {NeedMedia, "m", 0, Skip},
        {NeedMedia, "m", 0, Do, 4}, {FoundIn, "C:\\elsewhere"}, {NeedMedia, "m", 0, FILEOP_NEWPATH},
        {NeedMedia, "m", 0, Do, 5}, {NeedMedia, "m", Gone, Abort}},
       false, "", "", "", 24},
  };
  const std::string dir = std::string(memory::kSystemDirectory) + "\\", disk = "C:\\disk\\";
  for (const Row& row : rows) {
    SCOPED_TRACE(row.situation);
    memory::Reset();
    std::istringstream folder(row.folder), list(row.list);
    for (std::string word; folder >> word;) {
      std::string name = word.substr(0, word.find('='));
      bool held = name.back() == '*', readOnly = name.back() == '^';
      if (held || readOnly) name.pop_back();
      memory::PutTextFile(dir + name, word.substr(word.find('=') + 1));
      memory::LockFile(dir + name, held);
      if (readOnly) SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_READONLY);
    }
    for (std::string entry; list >> entry && entry[0] != '#';) {
      std::string to = entry.substr(entry.find('>') + 1);
      MoveFileExA((dir + entry.substr(0, entry.find('>'))).c_str(), to.empty() ? nullptr : (dir + to.substr(to[0] == '!')).c_str(),
                  MOVEFILE_DELAY_UNTIL_REBOOT | (to[0] == '!' ? MOVEFILE_REPLACE_EXISTING : 0));
    }
    memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kSessionManager, row.list[0] == '#');
    memory::DelayedMovesFailSilently(std::string(row.list) == "#quiet");
    for (const char* name : {"a", "b"}) memory::PutTextFile(disk + name, "new");
    PVOID system = SetupInitDefaultQueueCallbackEx(nullptr, nullptr, 0, 0, nullptr);
    auto files = std::make_unique<FileCallbackContext>(system);
    bool restart = false;  // in any of the runs
    for (const Note& note : row.notes) {
      std::string target = dir + (note.file ? note.file : ""), source = disk + (note.file ? note.file : "");
      if (note.code == Succeeded || note.code == Failed) {
        note.code == Succeeded ? files->Discard() : files->PutBack();
        restart |= files->restartNeeded;
        files = std::make_unique<FileCallbackContext>(system);
      } else if (note.code == Hold) {
        memory::LockFile(target, true);
      } else if (note.code == Click) {
        memory::OnMessageBox(note.file, [=](DialogUser& prompt) { prompt.Click(static_cast<int>(note.error)); });
      } else if (note.code == FoundIn) {
        memory::MediaFoundIn(note.file);
      }
      if (note.code >= Succeeded) continue;
      if (note.code == EndCopy && !note.error) CopyFileA(source.c_str(), target.c_str(), FALSE);
      if (note.code == EndDelete && !note.error) DeleteFileA(target.c_str());
      FILEPATHS_A paths{target.c_str(), source.c_str(), note.error, 0};
      SOURCE_MEDIA_A media{nullptr, nullptr, "the driver disk", "C:\\disk", note.file,
                           static_cast<DWORD>(note.answer == Skip ? 0 : SP_COPY_NOSKIP)};
      char newPath[MAX_PATH] = "";
      for (int i = 0; i < note.times; ++i) {
        SetLastError(0xDEADBEEF);
        UINT answer = note.code == NeedMedia
                          ? InstallQueueCallback(files.get(), note.code, reinterpret_cast<UINT_PTR>(&media), reinterpret_cast<UINT_PTR>(newPath))
                          : InstallQueueCallback(files.get(), note.code, reinterpret_cast<UINT_PTR>(&paths), 0);
        EXPECT_EQ(note.answer, answer) << note.code << " " << target << " #" << i;
        if (answer == Abort && note.error) {
          EXPECT_EQ(note.error, GetLastError()) << note.code << " " << target;
        }
      }
    }
    EXPECT_EQ(row.restart, restart || files->restartNeeded);
    EXPECT_EQ(*row.staying ? dir + row.staying : "", files->stayingFile);
    EXPECT_EQ(static_cast<DWORD>(*row.staying ? InUse : 0), files->stayingError);
    std::string after;
    for (const char* name : {"a", "a.new", "a.old", "b", "b.new", "b.old"})
      if (memory::FileExists(dir + name)) after += std::string(after.empty() ? "" : " ") + name + "=" + memory::FileText(dir + name);
    EXPECT_EQ(row.after, after);
    // The restart's list as pairs "from>to", the system folder left out of every path.
    std::string pending, raw = PendingRenames() == "<no value>" ? "" : PendingRenames(), native = "\\??\\" + dir;
    for (size_t at; (at = raw.find(native)) != std::string::npos;) raw.erase(at, native.size());
    for (size_t at = 0, i = 0; at < raw.size() && (i % 2 || raw[at]); at = raw.find('\0', at) + 1, ++i)
      pending += (i % 2 ? ">" : pending.empty() ? "" : " ") + std::string(raw.c_str() + at);
    EXPECT_EQ(row.pending, pending);
    EXPECT_EQ(row.prompts, memory::MessageBoxes().size());
    EXPECT_EQ(0u, memory::PendingScripts());
    SetupTermDefaultQueueCallback(system);
  }
}

// The system's text (one with an insert stays as it is), every INF problem SetupAPI reports by
// code in plain words with the code as eight digits, the code alone where there is no text at
// all; nothing for a cancel.
TEST(ReportLastError, ShowsTheSystemsTextPlainWordsOrTheCodeAndNothingForACancel) {
  const struct {
    DWORD code;
    const char* text;
  } cases[] = {
      {ERROR_CANCELLED, nullptr},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application."},
      {0x20001234, "Error 0x20001234"},
      {ERROR_EXPECTED_SECTION_NAME, "The INF file does not begin with a section name. (Error 0xE0000000)"},
      {ERROR_BAD_SECTION_NAME_LINE, "The INF file has a malformed section name. (Error 0xE0000001)"},
      {ERROR_SECTION_NAME_TOO_LONG, "A section name in the INF file is too long. (Error 0xE0000002)"},
      {ERROR_GENERAL_SYNTAX, "The INF file has a syntax error. (Error 0xE0000003)"},
      {ERROR_WRONG_INF_STYLE, "The INF file is not a Windows 4 style INF file. (Error 0xE0000100)"},
      {ERROR_SECTION_NOT_FOUND, "The INF file lacks a section that this operation needs. (Error 0xE0000101)"},
      {ERROR_LINE_NOT_FOUND, "The INF file lacks a line that this operation needs. (Error 0xE0000102)"},
      {ERROR_BAD_SERVICE_INSTALLSECT, "The INF file's service installation section is not valid. (Error 0xE0000217)"},
      {0xABCD, "Error 0x0000ABCD"},
  };
  std::vector<std::string> texts;
  for (const auto& c : cases) {
    SetLastError(c.code);
    ReportLastError(nullptr);
    if (c.text) texts.push_back(c.text);
  }
  ASSERT_EQ(texts.size(), memory::MessageBoxes().size());
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i], memory::MessageBoxes()[i].text);
    EXPECT_EQ("Windows NT4 Device Installation", memory::MessageBoxes()[i].caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), memory::MessageBoxes()[i].type);
  }
  EXPECT_EQ(texts, memory::DebugOutput());
  EXPECT_EQ(0, memory::LiveLocalBlocks());
}

TEST(ServiceRequests, SendOneRequestWithoutWaitingAndKeepTheReasonOfAFailure) {
  memory::ServiceHandleClosesSetError(true);
  memory::ServiceBehaviour driver;
  driver.queriesToStart = 5;
  memory::AddService("norvo", driver);
  EXPECT_TRUE(StartServiceByName("norvo"));
  EXPECT_EQ((std::vector<std::string>{"OpenSCManagerA", "OpenServiceA norvo", "StartServiceA norvo",
                                      "CloseServiceHandle norvo", "CloseServiceHandle manager"}),
            memory::ServiceCalls());
  EXPECT_FALSE(StartServiceByName("norvo"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING), GetLastError());
  EXPECT_TRUE(StopServiceByName("norvo"));
  EXPECT_FALSE(StartServiceByName("other"));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), GetLastError());
  EXPECT_EQ(0u, memory::Clock());
  EXPECT_EQ(0, memory::OpenServiceHandles());
}

}  // namespace
