/* A stand-in for the Norvo kernel driver, for the end-to-end runs under Wine. It keeps the
 * driver's side of the contract with the two programs:
 *  - at start it publishes each port key "Norvo..." of its Parameters key in the serial device
 *    map HARDWARE\DEVICEMAP\SerialComm: value name = key name, data = the port's device name,
 *    PortNamePrefix followed by 10 + the key's number (NorvoP1 -> COM11);
 *  - it reads each port's RS485Mode, TxFIFO and RxFIFO (4 bytes each, 0/127/100 when missing)
 *    and shows what it loaded in the volatile key HARDWARE\DEVICEMAP\NorvoLoaded, so that a
 *    test can prove a restart picked up new values;
 *  - its unload removes what it published.
 * Ports "held open by another program" come from the Wine prefix's dosdevices links. A nonzero
 * "RefuseStop" value in Parameters makes it a driver that cannot be stopped (no unload routine),
 * like one whose ports are in use; a nonzero "FailStart" makes its start fail, as a driver's does
 * when it finds no board, before it publishes anything. "SlowStart" and "SlowStop" (seconds)
 * make its start or its unload take that long, as a driver's does that waits for its hardware. */
#include <ntddk.h>

#define MAX_PORTS 32
#define NAME_CHARS 64

static WCHAR parametersPath[512];
static WCHAR published[MAX_PORTS][NAME_CHARS];
static ULONG publishedCount;
static LONG slowStop;

static const WCHAR kDeviceMap[] = L"\\Registry\\Machine\\HARDWARE\\DEVICEMAP\\SerialComm";
static const WCHAR kLoaded[] = L"\\Registry\\Machine\\HARDWARE\\DEVICEMAP\\NorvoLoaded";

static NTSTATUS OpenKey(PHANDLE key, HANDLE root, const WCHAR* path, ULONG path_bytes, BOOLEAN create, ULONG options) {
  UNICODE_STRING name;
  OBJECT_ATTRIBUTES attributes;
  name.Buffer = (PWSTR)path;
  name.Length = (USHORT)path_bytes;
  name.MaximumLength = (USHORT)path_bytes;
  InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, root, NULL);
  if (create) return ZwCreateKey(key, KEY_ALL_ACCESS, &attributes, 0, NULL, options, NULL);
  return ZwOpenKey(key, KEY_ALL_ACCESS, &attributes);
}

static ULONG Length(const WCHAR* text) {
  ULONG n = 0;
  while (text[n]) n++;
  return n;
}

static void SetString(HANDLE key, const WCHAR* name, ULONG name_chars, const WCHAR* text) {
  UNICODE_STRING value;
  value.Buffer = (PWSTR)name;
  value.Length = value.MaximumLength = (USHORT)(name_chars * sizeof(WCHAR));
  ZwSetValueKey(key, &value, 0, REG_SZ, (PVOID)text, (Length(text) + 1) * sizeof(WCHAR));
}

static void DeleteValue(HANDLE key, const WCHAR* name) {
  UNICODE_STRING value;
  value.Buffer = (PWSTR)name;
  value.Length = value.MaximumLength = (USHORT)(Length(name) * sizeof(WCHAR));
  ZwDeleteValueKey(key, &value);
}

/* The first bytes of a value, or fallback when it is missing or longer than 4 bytes. */
static LONG ReadLevel(HANDLE key, const WCHAR* name, LONG fallback) {
  UCHAR buffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 16];
  PKEY_VALUE_PARTIAL_INFORMATION info = (PKEY_VALUE_PARTIAL_INFORMATION)buffer;
  UNICODE_STRING value;
  ULONG got = 0;
  LONG result = 0;
  value.Buffer = (PWSTR)name;
  value.Length = value.MaximumLength = (USHORT)(Length(name) * sizeof(WCHAR));
  if (!NT_SUCCESS(ZwQueryValueKey(key, &value, KeyValuePartialInformation, info, sizeof buffer, &got))) return fallback;
  if (info->DataLength > 4) return fallback;
  RtlCopyMemory(&result, info->Data, info->DataLength);
  return result;
}

static WCHAR* Append(WCHAR* out, const WCHAR* text) {
  while (*text) *out++ = *text++;
  *out = 0;
  return out;
}

static WCHAR* AppendNumber(WCHAR* out, LONG number) {
  WCHAR digits[16];
  int n = 0;
  ULONG value = number < 0 ? (ULONG)-number : (ULONG)number;
  if (number < 0) *out++ = L'-';
  do {
    digits[n++] = (WCHAR)(L'0' + value % 10);
    value /= 10;
  } while (value);
  while (n) *out++ = digits[--n];
  *out = 0;
  return out;
}

static LONG KeyNumber(const WCHAR* name, ULONG chars) {
  LONG number = 0;
  ULONG i;
  for (i = 6; i < chars && name[i] >= L'0' && name[i] <= L'9'; i++) number = number * 10 + (name[i] - L'0');
  return number;
}

static void Pause(LONG seconds) {
  LARGE_INTEGER interval;
  if (seconds <= 0) return;
  interval.QuadPart = -10000000LL * seconds;
  KeDelayExecutionThread(KernelMode, FALSE, &interval);
}

static void NTAPI Unload(PDRIVER_OBJECT driver) {
  HANDLE map, loaded;
  ULONG i;
  (void)driver;
  Pause(slowStop);
  if (NT_SUCCESS(OpenKey(&map, NULL, kDeviceMap, sizeof kDeviceMap - sizeof(WCHAR), FALSE, 0))) {
    for (i = 0; i < publishedCount; i++) DeleteValue(map, published[i]);
    ZwClose(map);
  }
  if (NT_SUCCESS(OpenKey(&loaded, NULL, kLoaded, sizeof kLoaded - sizeof(WCHAR), FALSE, 0))) {
    ZwDeleteKey(loaded);
    ZwClose(loaded);
  }
  publishedCount = 0;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  HANDLE parameters, map, loaded = NULL;
  WCHAR prefix[32] = L"COM";
  ULONG index, chars;
  UCHAR buffer[sizeof(KEY_BASIC_INFORMATION) + NAME_CHARS * sizeof(WCHAR)];
  UCHAR prefixBuffer[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof prefix];

  chars = registryPath->Length / sizeof(WCHAR);
  if (chars > 400) return STATUS_UNSUCCESSFUL;
  RtlCopyMemory(parametersPath, registryPath->Buffer, registryPath->Length);
  Append(parametersPath + chars, L"\\Parameters");
  if (!NT_SUCCESS(OpenKey(&parameters, NULL, parametersPath, Length(parametersPath) * sizeof(WCHAR), FALSE, 0))) {
    driver->DriverUnload = Unload;
    return STATUS_SUCCESS;  /* nothing configured: nothing to publish */
  }
  if (ReadLevel(parameters, L"FailStart", 0)) {
    ZwClose(parameters);
    return STATUS_DEVICE_NOT_CONNECTED;
  }
  driver->DriverUnload = ReadLevel(parameters, L"RefuseStop", 0) ? NULL : Unload;
  slowStop = ReadLevel(parameters, L"SlowStop", 0);
  Pause(ReadLevel(parameters, L"SlowStart", 0));

  {
    PKEY_VALUE_PARTIAL_INFORMATION info = (PKEY_VALUE_PARTIAL_INFORMATION)prefixBuffer;
    UNICODE_STRING value;
    ULONG got;
    RtlInitUnicodeString(&value, L"PortNamePrefix");
    if (NT_SUCCESS(ZwQueryValueKey(parameters, &value, KeyValuePartialInformation, info, sizeof prefixBuffer, &got)) &&
        info->DataLength >= sizeof(WCHAR) && info->DataLength < sizeof prefix) {
      RtlCopyMemory(prefix, info->Data, info->DataLength);
      prefix[info->DataLength / sizeof(WCHAR)] = 0;
    }
  }

  if (!NT_SUCCESS(OpenKey(&map, NULL, kDeviceMap, sizeof kDeviceMap - sizeof(WCHAR), TRUE, REG_OPTION_VOLATILE))) {
    ZwClose(parameters);
    return STATUS_SUCCESS;
  }
  OpenKey(&loaded, NULL, kLoaded, sizeof kLoaded - sizeof(WCHAR), TRUE, REG_OPTION_VOLATILE);

  for (index = 0; publishedCount < MAX_PORTS; index++) {
    PKEY_BASIC_INFORMATION info = (PKEY_BASIC_INFORMATION)buffer;
    ULONG got, nameChars;
    WCHAR device[48], report[96], *end;
    HANDLE port;
    if (!NT_SUCCESS(ZwEnumerateKey(parameters, index, KeyBasicInformation, info, sizeof buffer, &got))) break;
    nameChars = info->NameLength / sizeof(WCHAR);
    if (nameChars < 5 || nameChars >= NAME_CHARS || RtlCompareMemory(info->Name, L"Norvo", 5 * sizeof(WCHAR)) != 5 * sizeof(WCHAR))
      continue;
    RtlCopyMemory(published[publishedCount], info->Name, info->NameLength);
    published[publishedCount][nameChars] = 0;

    end = Append(device, prefix);
    AppendNumber(end, 10 + KeyNumber(published[publishedCount], nameChars));
    SetString(map, published[publishedCount], nameChars, device);

    if (NT_SUCCESS(OpenKey(&port, parameters, info->Name, info->NameLength, FALSE, 0))) {
      end = Append(report, L"RS485Mode=");
      end = AppendNumber(end, ReadLevel(port, L"RS485Mode", 0));
      end = Append(end, L" TxFIFO=");
      end = AppendNumber(end, ReadLevel(port, L"TxFIFO", 127));
      end = Append(end, L" RxFIFO=");
      AppendNumber(end, ReadLevel(port, L"RxFIFO", 100));
      if (loaded) SetString(loaded, published[publishedCount], nameChars, report);
      ZwClose(port);
    }
    publishedCount++;
  }
  if (loaded) ZwClose(loaded);
  ZwClose(map);
  ZwClose(parameters);
  return STATUS_SUCCESS;
}
