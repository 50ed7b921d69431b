#include "PortConfigDialog.h"

#include <climits>

#include "AboutDialog.h"
#include "Message.h"
#include "Names.h"
#include "SettingsStore.h"
#include "System.h"
#include "SystemTools.h"
#include "Text.h"
#include "module.h"
#include "resource.h"

namespace {
const int kLevelMin = 1;
const int kLevelMax = 127;
const int kTicks[] = {20, 40, 60, 80, 100};

// A slider's range of levels, each end labelled beside it.
void ShowLevelRange(const Trackbar& slider, const Control& lowText, const Control& highText) {
  slider.SetRangeMin(kLevelMin, FALSE);
  lowText.SetText(LoadText(IDS_LEVEL_LOW).c_str());
  slider.SetRangeMax(kLevelMax, FALSE);
  highText.SetText(LoadText(IDS_LEVEL_HIGH).c_str());
}

// Whether the system refuses a port key's path as longer than its registry calls take
// (ERROR_MORE_DATA): that port's settings could be neither read nor stored.
bool PathTooLong(SystemTools& tools, const std::string& keyName) {
  std::string path = std::string(kParametersKey) + "\\" + keyName;
  return !tools.CheckRegistryKeyAccess(HKEY_LOCAL_MACHINE, path, KEY_QUERY_VALUE) && GetLastError() == ERROR_MORE_DATA;
}

// A level as a number beside its slider.
void ShowLevel(const Control& levelText, int32_t level) {
  char text[16];
  wsprintfA(text, "%d", static_cast<int>(level));
  levelText.SetText(text);
}
}  // namespace

PortConfigDialog::PortConfigDialog(HWND parent)
    : Dialog(IDD_PORT_CONFIG, parent),
      icon(LoadIconA(CurrentModule(), MAKEINTRESOURCEA(IDI_APPLET))),
      versionText(*this, IDC_DRIVER_VERSION),
      portCombo(*this, IDC_PORT_COMBO),
      rs485Check(*this, IDC_RS485_CHECK),
      rxSlider(*this, IDC_RX_SLIDER),
      txSlider(*this, IDC_TX_SLIDER),
      rxLevelText(*this, IDC_RX_LEVEL_TEXT),
      txLevelText(*this, IDC_TX_LEVEL_TEXT),
      rxLowText(*this, IDC_RX_LOW_TEXT),
      rxHighText(*this, IDC_RX_HIGH_TEXT),
      txLowText(*this, IDC_TX_LOW_TEXT),
      txHighText(*this, IDC_TX_HIGH_TEXT) {}

PortConfigDialog::~PortConfigDialog() = default;

// The number a name's seventh character onward begins with, read as atoi would: white space,
// an optional sign, digits. A run of digits too long for a long saturates instead of wrapping.

long PortConfigDialog::PortKeyNumber(const std::string& name) {
  if (name.size() <= 6) return 0;
  size_t i = 6;
  while (i < name.size() && IsWhiteSpace(name[i])) ++i;
  bool negative = false;
  if (i < name.size() && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i) {
    value = value * 10 + (name[i] - '0');
    if (value > limit) value = limit;
  }
  return static_cast<long>(negative ? -value : value);
}

void PortConfigDialog::SortPortKeys(std::vector<std::string>& names) {
  int count = static_cast<int>(names.size());
  for (int pass = 0; pass < count; ++pass)
    for (int j = count - 1; j > pass; --j)
      if (PortKeyNumber(names[j]) < PortKeyNumber(names[j - 1])) names[j].swap(names[j - 1]);
}

BOOL PortConfigDialog::OnInitDialog() {
  SystemTools tools;

  // A directory the system could not give, or not in full, leads to no driver file at all.
  std::string systemDirectory = SystemDirectory();
  const char* version = systemDirectory.empty() ? nullptr : tools.GetFileVersionString(systemDirectory + kDriverImage);
  if (!version) {
    ShowMessage(Handle(), IDS_NO_DRIVER, IDS_CAPTION, MB_ICONEXCLAMATION);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  versionText.SetText(version);

  std::string about = LoadText(IDS_ABOUTBOX);
  if (!about.empty()) {
    HMENU menu = GetSystemMenu(Handle(), FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
  }

  SetIcon(icon);

  // A prefix that cannot be read is "COM", but one too long to be read whole is not replaced:
  // Apply names it.
  std::string prefix;
  if (tools.ReadRegistryString(HKEY_LOCAL_MACHINE, kParametersKey, "PortNamePrefix", prefix))
    portNamePrefix = Trim(prefix);
  else if (GetLastError() == ERROR_MORE_DATA)
    prefixTooLong = true;
  else
    portNamePrefix = "COM";

  DWORD listError = BuildPortList();
  if (portCount == 0 && listError == ERROR_ACCESS_DENIED) {
    // The driver's key is there, but this user may not change it: no card is missing.
    ShowMessage(Handle(), IDS_NO_RIGHTS, IDS_CAPTION, MB_ICONHAND);
    EndDialog(IDCANCEL);
    return TRUE;
  }
  if (portCount == 0) {
    ShowMessage(Handle(), IDS_NO_PORT, IDS_CAPTION, MB_ICONHAND);
    EndDialog(IDCANCEL);
    return TRUE;
  }

  SettingsStore store(portKeyNames);
  portSettings.assign(static_cast<size_t>(portCount), PortSettings{});
  for (int i = 0; i < portCount; ++i) {
    portCombo.AddString(portNames[i].c_str());
    portSettings[static_cast<size_t>(i)] = store.Load(i);
  }
  settingsAsRead = portSettings;
  portCombo.SetCurSel(0);
  ShowCurrentPort();
  return TRUE;
}

// Returns why the driver's key could not be enumerated, or ERROR_SUCCESS.
DWORD PortConfigDialog::BuildPortList() {
  SystemTools tools;
  portCount = tools.EnumRegistrySubkeys(HKEY_LOCAL_MACHINE, kParametersKey, portKeyNames);
  DWORD error = portCount ? ERROR_SUCCESS : GetLastError();
  SortPortKeys(portKeyNames);
  portNames.clear();
  for (size_t i = 0; i < portKeyNames.size();) {
    const std::string& name = portKeyNames[i];
    std::string device;
    // A port is listed when the running driver published it, and when its key can be reached.
    if (name.compare(0, 5, "Norvo") == 0 &&
        tools.ReadRegistryString(HKEY_LOCAL_MACHINE, kSerialDeviceMap, Trim(name), device) &&
        !PathTooLong(tools, name)) {
      portNames.push_back(ToUpper(Trim(device)));
      ++i;
    } else {
      portKeyNames.erase(portKeyNames.begin() + static_cast<long>(i));
      --portCount;
    }
  }
  return error;
}

PortSettings* PortConfigDialog::CurrentSettings() {
  LRESULT index = portCombo.GetCurSel();
  if (index < 0 || index >= portCount) return nullptr;
  return &portSettings[static_cast<size_t>(index)];
}

void PortConfigDialog::ShowCurrentPort() {
  PortSettings* settings = CurrentSettings();
  if (!settings) return;
  rs485Check.SetCheck(static_cast<WPARAM>(settings->rs485Mode));
  // The sliders are set up afresh: no ticks left from before, the range with its ends labelled,
  // a tick every 20 levels, then the port's levels as numbers and as thumb positions.
  txSlider.ClearTics(FALSE);
  rxSlider.ClearTics(FALSE);
  ShowLevelRange(txSlider, txLowText, txHighText);
  ShowLevelRange(rxSlider, rxLowText, rxHighText);
  for (int tick : kTicks) {
    txSlider.SetTic(tick);
    rxSlider.SetTic(tick);
  }
  ShowLevel(txLevelText, settings->txFifoLevel);
  ShowLevel(rxLevelText, settings->rxFifoLevel);
  rxSlider.SetPos(settings->rxFifoLevel, TRUE);
  txSlider.SetPos(settings->txFifoLevel, TRUE);
}

bool PortConfigDialog::OnCommand(WORD id, WORD code) {
  static const Command<PortConfigDialog> commands[] = {
      {IDC_PORT_COMBO, CBN_SELCHANGE, &PortConfigDialog::ShowCurrentPort},
      {IDC_RS485_CHECK, BN_CLICKED, &PortConfigDialog::OnRs485Clicked},
      {IDC_DEFAULT_BUTTON, BN_CLICKED, &PortConfigDialog::OnDefault},
      {IDC_CANCEL_BUTTON, BN_CLICKED, &PortConfigDialog::OnCancelButton},
  };
  return Dispatch(commands, id, code);
}

bool PortConfigDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL) {
    OnSliderScroll(reinterpret_cast<HWND>(lParam));
    return false;  // the trackbar's default processing still follows
  }
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDialog about;
    about.DoModal();
    return true;
  }
  return false;
}

void PortConfigDialog::OnSliderScroll(HWND slider) {
  PortSettings* settings = CurrentSettings();
  if (!settings || !slider) return;
  if (slider == txSlider.Handle()) {
    settings->txFifoLevel = static_cast<int32_t>(txSlider.GetPos());
    ShowLevel(txLevelText, settings->txFifoLevel);
  } else if (slider == rxSlider.Handle()) {
    settings->rxFifoLevel = static_cast<int32_t>(rxSlider.GetPos());
    ShowLevel(rxLevelText, settings->rxFifoLevel);
  }
}

void PortConfigDialog::OnRs485Clicked() {
  if (PortSettings* settings = CurrentSettings()) settings->rs485Mode = static_cast<int32_t>(rs485Check.GetCheck());
}

void PortConfigDialog::OnDefault() {
  PortSettings* settings = CurrentSettings();
  if (!settings) return;
  for (const PortValue& value : kPortValues) settings->*value.field = value.defaultValue;
  ShowCurrentPort();
}

void PortConfigDialog::OnCancelButton() { EndDialog(IDCANCEL); }

void PortConfigDialog::OnOK() { ApplyChanges(); }
