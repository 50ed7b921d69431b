// Registry, file-version and driver-service operations of the applet. Stateless: callers make
// a local instance where they need one.
//
// Each result says whether the operation succeeded. The operations whose callers report why
// they failed (the subkey enumeration, the key check, the string read, the writes, the snapshot
// and restore of a value, the service stop and start) leave that reason as the thread's last
// error, as each says below. The other reads (binary, file version) give no reason: after them
// the last error is whatever the system's calls left, and means nothing.
#pragma once

#include <string>
#include <vector>

#include "winapi.h"

// A registry value as it was: whether it existed, its type and its bytes, so that it can be put
// back exactly.
struct ValueSnapshot {
  bool present = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

class SystemTools {
 public:
  virtual ~SystemTools();

  // Names of all subkeys of a key, in the order the registry enumerates them, but for a name
  // longer than 255 characters, which is left out. Returns their count, or 0 with the list
  // untouched when the key can't be opened with full access; the thread's last error then holds
  // the registry's reason (ERROR_SUCCESS after an enumeration).
  int EnumRegistrySubkeys(HKEY root, std::string keyPath, std::vector<std::string>& names);
  // A string value of at most 256 bytes, terminating NUL included; 1 when read, otherwise 0
  // with the registry's reason as the thread's last error (ERROR_MORE_DATA for a longer value).
  int ReadRegistryString(HKEY root, std::string keyPath, std::string valueName, std::string& value);
  // At most size bytes of a value, whatever its stored type; 1 when read. A shorter value
  // leaves the rest of the buffer zero; a longer one fails and leaves the buffer alone.
  int ReadRegistryBinary(HKEY root, std::string keyPath, std::string valueName, void* buffer, DWORD size);
  // Stores size bytes as REG_BINARY, creating the key if needed; 1 when written, otherwise 0
  // with the registry's reason as the thread's last error.
  int WriteRegistryBinary(HKEY root, std::string keyPath, std::string valueName, const void* data, DWORD size);
  // 1 when an existing key can be opened with the given access; otherwise 0 with the registry's
  // reason as the thread's last error. Nothing is created or changed.
  int CheckRegistryKeyAccess(HKEY root, std::string keyPath, REGSAM access);
  // Reads a value whatever its type and size; a value that does not exist is read as absent.
  // 1 when read; otherwise 0 with the registry's reason as the thread's last error.
  int SnapshotRegistryValue(HKEY root, std::string keyPath, std::string valueName, ValueSnapshot& snapshot);
  // Puts a value back as a snapshot holds it, with its type and bytes, or deletes it when it was
  // absent. 1 when done; otherwise 0 with the registry's reason as the thread's last error.
  int RestoreRegistryValue(HKEY root, std::string keyPath, std::string valueName, const ValueSnapshot& snapshot);
  // The FileVersion text (U.S. English, Unicode block) of a file's version resource, cut to 31
  // characters, in a buffer that the next call overwrites; nullptr when there is none.
  const char* GetFileVersionString(std::string path);

  // Asks a service to stop and waits for it: 1 when it has stopped since the call (it is
  // stopped, or it stopped and another program has started it again), 0 on failure. A stop that
  // another program asked for serves as this one; a start under way is let finish first. After
  // 0 the thread's last error holds why: the Service Control Manager's reason, or
  // ERROR_SERVICE_REQUEST_TIMEOUT when the service did not stop in time.
  int StopDriverService(std::string serviceName);
  // Starts a service and waits for it: 1 started and running, 2 running without this call's
  // start (it ran already, or another program started it meanwhile), 0 failure. After 0 the
  // thread's last error holds why, as after a failed stop (ERROR_SERVICE_REQUEST_TIMEOUT when it
  // was still starting, ERROR_SERVICE_ALREADY_RUNNING when it was still stopping); after 1 or 2
  // it means nothing.
  int StartDriverService(std::string serviceName);
};
