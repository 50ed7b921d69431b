// The deliverables' own entry points, under Wine: entrydll.dll and entryprog.exe are built with
// the same entry points, options and runtime as norvo.cpl and norvoinst.exe.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace {
std::string BesideThisProgram(const char* name) {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string result(path, length);
  return result.substr(0, result.find_last_of("\\/") + 1) + name;
}

std::string EntryLog() {
  char log[512];
  DWORD length = GetEnvironmentVariableA("NORVO_ENTRY_LOG", log, sizeof log);
  return length < sizeof log ? std::string(log, length) : "(too long)";
}

DWORD WINAPI DoNothing(LPVOID) { return 0; }

TEST(DllEntry, ConstructsOnLoadAndDestroysNewestFirstBeforeFreeLibraryReturns) {
  SetEnvironmentVariableA("NORVO_ENTRY_LOG", "");
  HMODULE dll = LoadLibraryA(BesideThisProgram("entrydll.dll").c_str());
  ASSERT_NE(dll, nullptr);
  EXPECT_EQ(EntryLog(), "+first +second ");

  auto registerAtExit = reinterpret_cast<void (*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "RegisterAtExit")));
  auto useLocalStatic = reinterpret_cast<void (*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "UseLocalStatic")));
  ASSERT_NE(registerAtExit, nullptr);
  ASSERT_NE(useLocalStatic, nullptr);
  registerAtExit();
  useLocalStatic();
  useLocalStatic();
  EXPECT_EQ(EntryLog(), "+first +second +local ");

  // A thread's start and end construct and destroy nothing.
  HANDLE thread = CreateThread(nullptr, 0, DoNothing, nullptr, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(EntryLog(), "+first +second +local ");

  SetEnvironmentVariableA("NORVO_ENTRY_LOG", "");
  ASSERT_TRUE(FreeLibrary(dll));
  EXPECT_EQ(EntryLog(), "-local !atexit !late -second -first ");
}

TEST(DllEntry, ALoadAfterAnUnloadStartsAfresh) {
  for (int round = 0; round < 2; ++round) {
    SetEnvironmentVariableA("NORVO_ENTRY_LOG", "");
    HMODULE dll = LoadLibraryA(BesideThisProgram("entrydll.dll").c_str());
    ASSERT_NE(dll, nullptr);
    ASSERT_TRUE(FreeLibrary(dll));
    EXPECT_EQ(EntryLog(), "+first +second -second -first ") << "round " << round;
  }
}

struct ProgramRun {
  DWORD exitCode = 0;
  std::string output;
};

// Runs entryprog.exe with the given command line (the program name in it need not be the real
// path) and, unless show is -1, a show state in its startup information.
ProgramRun RunProgram(std::string commandLine, int show = -1) {
  ProgramRun run;
  std::string out = BesideThisProgram("entryprog.out");
  DeleteFileA(out.c_str());
  SetEnvironmentVariableA("NORVO_ENTRY_OUT", out.c_str());
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  if (show >= 0) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
  }
  PROCESS_INFORMATION process = {};
  std::string program = BesideThisProgram("entryprog.exe");
  if (!CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    run.output = "CreateProcessA failed";
    return run;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &run.exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  HANDLE file = CreateFileA(out.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    char buffer[1024];
    DWORD read = 0;
    ReadFile(file, buffer, sizeof buffer, &read, nullptr);
    run.output.assign(buffer, read);
    CloseHandle(file);
  }
  return run;
}

TEST(ProgramEntry, RunsStaticObjectsAroundWinMainAndExitsWithItsResult) {
  ProgramRun run = RunProgram("entryprog.exe one two");
  EXPECT_EQ(run.exitCode, 42u);
  EXPECT_EQ(run.output, "+static instance [one two] show=10 -static");
}

TEST(ProgramEntry, HandsWinMainTheCommandLineAfterTheProgramName) {
  const struct {
    const char* commandLine;
    const char* arguments;
  } cases[] = {
      {"entryprog.exe", ""},
      {"entryprog.exe   ", ""},
      {"entryprog.exe \t spaced  out ", "spaced  out "},
      {"entryprog.exe\tafter a tab", "after a tab"},
      {"\"C:\\a dir\\entry prog.exe\" \"quoted arg\" x", "\"quoted arg\" x"},
      {"C:\\\"a dir\"\\entryprog.exe arg", "arg"},
      {"\"unterminated quote", ""},
  };
  for (const auto& c : cases) {
    ProgramRun run = RunProgram(c.commandLine);
    EXPECT_EQ(run.output, std::string("+static instance [") + c.arguments + "] show=10 -static")
        << c.commandLine;
  }
}

TEST(ProgramEntry, TheCLibraryFunctionsItProvidesWork) {
  EXPECT_EQ(RunProgram("entryprog.exe crt").output, "+static instance [crt] show=10 crt ok-static");
}

TEST(ProgramEntry, HandsWinMainTheShowStateFromTheStartupInformation) {
  EXPECT_EQ(RunProgram("entryprog.exe", SW_SHOWMINNOACTIVE).output,
            "+static instance [] show=7 -static");
  EXPECT_EQ(RunProgram("entryprog.exe", SW_HIDE).output, "+static instance [] show=0 -static");
}
}  // namespace
