// "Norvo Configuration": lists the ports the running driver published, holds one PortSettings
// record per port while the user edits them, and applies them to the driver.
#pragma once

#include <string>
#include <vector>

#include "Dialog.h"
#include "PortSettings.h"

class SettingsStore;

class PortConfigDialog : public Dialog {
 public:
  explicit PortConfigDialog(HWND parent = nullptr);
  ~PortConfigDialog() override;

  // Orders port key names by the number that starts at their seventh character; names with
  // the same number keep their order.
  static void SortPortKeys(std::vector<std::string>& names);
  static long PortKeyNumber(const std::string& name);
  // Whether a text may serve as the port-name prefix: not empty, and none of \ / * ? | < > : ".
  static bool IsValidPortName(const std::string& name);

  // Port model, entry i of each list being the same port.
  std::vector<std::string> portKeyNames;  // subkeys of the driver's Parameters key, as enumerated
  std::vector<std::string> portNames;     // device names from the serial device map, upper case
  int portCount = 0;
  std::vector<PortSettings> portSettings;
  // Each port's settings as the registry held them when the dialog opened: Apply compares them
  // with what it holds then, to find ports that another program changed meanwhile.
  std::vector<PortSettings> settingsAsRead;
  std::string portNamePrefix;
  // PortNamePrefix is longer than the 255 characters read: it cannot be checked, so Apply stores
  // nothing.
  bool prefixTooLong = false;
  HICON icon;

  Control versionText;
  ComboBox portCombo;
  Button rs485Check;
  Trackbar rxSlider;
  Trackbar txSlider;
  Control rxLevelText;
  Control txLevelText;
  Control rxLowText;
  Control rxHighText;
  Control txLowText;
  Control txHighText;

  void ShowCurrentPort();
  void ApplyChanges();
  bool IsAnyPortOpen();

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  bool OnCommand(WORD id, WORD code) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  DWORD BuildPortList();
  PortSettings* CurrentSettings();
  void OnSliderScroll(HWND slider);
  void OnRs485Clicked();
  void OnDefault();
  void OnCancelButton();
  bool ConfirmOverwrite(const std::vector<int>& changedElsewhere);
  void ReportStoreFailure(const SettingsStore& store);
  // Tells how the driver is after a failed start; reason is the start's, stopError the failed
  // stop's (ERROR_SUCCESS when the driver stopped).
  void ReportFailedStart(DWORD reason, DWORD stopError);
  // The ports' names, as a message lists them.
  std::string PortList(const std::vector<int>& ports) const;
};
