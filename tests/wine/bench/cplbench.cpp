// Measures, under Wine, how long the applet takes from CPL_DBLCLK to its dialog on the screen
// with many published ports, against the registry reads that opening it needs, done alone.
//   cplbench.exe <norvo.cpl> <ports> <runs>
// The driver image must already be in place; the port keys and device map values are made
// here and removed at the end.
#include <windows.h>
#include <cpl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char kParameters[] = "SYSTEM\\CurrentControlSet\\Services\\norvo\\Parameters";
const char kDeviceMap[] = "HARDWARE\\DEVICEMAP\\SerialComm";
typedef LONG(APIENTRY* CplEntry)(HWND, UINT, LPARAM, LPARAM);

double Now() {
  LARGE_INTEGER count, frequency;
  QueryPerformanceCounter(&count);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string PortName(int i) { return "NorvoP" + std::to_string(i + 1); }

void Prepare(int ports) {
  HKEY map;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceMap, 0, KEY_ALL_ACCESS, &map);
  for (int i = 0; i < ports; ++i) {
    std::string key = std::string(kParameters) + "\\" + PortName(i);
    HKEY port;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &port, nullptr);
    DWORD values[3] = {0, 64, 32};
    const char* names[3] = {"RS485Mode", "TxFIFO", "RxFIFO"};
    for (int v = 0; v < 3; ++v) RegSetValueExA(port, names[v], 0, REG_BINARY, reinterpret_cast<BYTE*>(&values[v]), 4);
    RegCloseKey(port);
    std::string device = "COM" + std::to_string(100 + i);
    RegSetValueExA(map, PortName(i).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(device.c_str()),
                   static_cast<DWORD>(device.size() + 1));
  }
  RegCloseKey(map);
}

void Remove(int ports) {
  HKEY map;
  RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceMap, 0, KEY_ALL_ACCESS, &map);
  for (int i = 0; i < ports; ++i) {
    RegDeleteValueA(map, PortName(i).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kParameters) + "\\" + PortName(i)).c_str());
  }
  RegCloseKey(map);
}

// The reads the dialog makes when it opens, one key open per read as it does them.
void ReadsAlone() {
  HKEY parameters;
  std::vector<std::string> names;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kParameters, 0, KEY_ALL_ACCESS, &parameters) == ERROR_SUCCESS) {
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      FILETIME written;
      if (RegEnumKeyExA(parameters, i, name, &length, nullptr, nullptr, nullptr, &written) != ERROR_SUCCESS) break;
      names.push_back(name);
    }
    RegCloseKey(parameters);
  }
  for (const std::string& name : names) {
    HKEY key;
    char text[257];
    DWORD bytes = 256;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDeviceMap, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
      RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes);
      RegCloseKey(key);
    }
    for (const char* value : {"RS485Mode", "TxFIFO", "RxFIFO"}) {
      std::string path = std::string(kParameters) + "\\" + name;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD data, size = 4;
        RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size);
        RegCloseKey(key);
      }
    }
  }
}

double shownAt;

DWORD WINAPI Watch(LPVOID) {
  for (;;) {
    HWND dialog = FindWindowA("#32770", "Norvo Configuration");
    if (dialog && IsWindowVisible(dialog)) {
      shownAt = Now();
      PostMessageA(GetDlgItem(dialog, 1048), BM_CLICK, 0, 0);
      return 0;
    }
    Sleep(1);
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::printf("usage: cplbench <norvo.cpl> <ports> <runs>\n");
    return 2;
  }
  int ports = std::atoi(argv[2]), runs = std::atoi(argv[3]);
  HMODULE module = LoadLibraryA(argv[1]);
  // GetProcAddress gives a generic function pointer; the detour through void (*)() tells the
  // compiler that the entry's real type is known.
  CplEntry entry =
      module ? reinterpret_cast<CplEntry>(reinterpret_cast<void (*)()>(GetProcAddress(module, "CPlApplet"))) : nullptr;
  if (!entry) {
    std::printf("cplbench: cannot load %s\n", argv[1]);
    return 1;
  }
  Prepare(ports);
  entry(nullptr, CPL_INIT, 0, 0);
  std::vector<double> dialog, reads;
  for (int run = 0; run < runs; ++run) {
    HANDLE watcher = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
    double start = Now();
    entry(nullptr, CPL_DBLCLK, 0, 0);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    dialog.push_back(shownAt - start);
    start = Now();
    ReadsAlone();
    reads.push_back(Now() - start);
  }
  entry(nullptr, CPL_EXIT, 0, 0);
  Remove(ports);
  std::printf("ports: %d, runs: %d\n", ports, runs);
  std::printf("CPL_DBLCLK to dialog shown: median %.1f ms (min %.1f, max %.1f)\n", Median(dialog),
              *std::min_element(dialog.begin(), dialog.end()), *std::max_element(dialog.begin(), dialog.end()));
  std::printf("the same registry reads alone: median %.1f ms (min %.1f, max %.1f)\n", Median(reads),
              *std::min_element(reads.begin(), reads.end()), *std::max_element(reads.begin(), reads.end()));
  return 0;
}
