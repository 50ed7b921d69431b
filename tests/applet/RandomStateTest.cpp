// Random driver states, random edits, then Cancel or Apply: whatever the registry holds, the
// dialog opens or says one of its known messages, Cancel changes nothing, a successful Apply
// changes exactly the listed ports' three values, and a failed Apply changes nothing at all.
//
// Reproducible: the cases come from a seed (fixed unless NORVO_SEED is set; NORVO_CASES sets
// how many). A failure names the seed and the case, which alone replays it:
//   NORVO_SEED=<seed> NORVO_FIRST_CASE=<case> NORVO_CASES=1 host_tests --gtest_filter='RandomState.*'
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AppletTestSupport.h"
#include "PortConfigDialog.h"

using memory::DialogUser;

namespace {

const char kConfig[] = "Norvo Configuration";
const char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\norvo";
const char* const kLevelNames[] = {"RS485Mode", "TxFIFO", "RxFIFO"};

unsigned long EnvNumber(const char* name, unsigned long fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoul(text, nullptr, 0) : fallback;
}

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}
  int Below(int n) { return static_cast<int>(engine_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Below(100) < percent; }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  char Pick(const std::string& from) { return from[static_cast<size_t>(Below(static_cast<int>(from.size())))]; }

 private:
  std::mt19937 engine_;
};

std::string Digits(Random& random, int count) {
  std::string digits;
  for (int i = 0; i < count; ++i) digits += static_cast<char>('0' + random.Below(10));
  return digits;
}

// A subkey name: mostly "Norvo" names with every kind of tail the sort must survive.
std::string KeyName(Random& random) {
  static const char* const heads[] = {"Norvo", "Norvo", "Norvo", "Norvo", "norvo", "NORVO", "Nor", "Other"};
  std::string name = heads[random.Below(8)];
  int pieces = random.Below(4);
  for (int i = 0; i < pieces; ++i) {
    switch (random.Below(7)) {
      case 0: name += random.Pick("PpXz"); break;
      case 1: name += Digits(random, random.Between(1, 3)); break;
      case 2: name += Digits(random, random.Between(15, 60)); break;  // far past any integer
      case 3: name += random.Pick(" \t"); break;
      case 4: name += random.Pick("+-"); break;
      case 5: name += " " + std::string(1, random.Pick("+-")) + Digits(random, random.Between(1, 12)); break;
      default: name += random.Pick(".#_"); break;
    }
  }
  if (random.Chance(1)) name += std::string(260, 'L');  // too long to enumerate: ends the list
  return name;
}

std::string Trimmed(const std::string& text) {
  size_t start = text.find_first_not_of(" \t\n\v\f\r");
  if (start == std::string::npos) return "";
  return text.substr(start, text.find_last_not_of(" \t\n\v\f\r") - start + 1);
}

// Arbitrary bytes; a cheap sequence from one random start, as large values need many.
std::vector<BYTE> Bytes(Random& random, size_t size) {
  std::vector<BYTE> data(size);
  uint32_t x = static_cast<uint32_t>(random.Below(1 << 30)) | 1u;
  for (BYTE& b : data) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<BYTE>(x >> 24);
  }
  return data;
}

// A port value: missing, or any type with any size from nothing to 64 KiB.
void PutLevel(Random& random, const std::string& key, const char* name) {
  if (random.Chance(25)) return;
  static const DWORD types[] = {REG_BINARY, REG_BINARY, REG_DWORD, REG_NONE, REG_SZ, REG_MULTI_SZ, 11 /* QWORD */};
  DWORD type = types[random.Below(7)];
  size_t size;
  int kind = random.Below(100);
  if (kind < 50) size = 4;
  else if (kind < 97) size = static_cast<size_t>(random.Between(0, 9));
  else size = static_cast<size_t>(random.Between(0, 65536));
  std::vector<BYTE> data = Bytes(random, size);
  // Mostly levels a user could have set, so that edits and stored values meet.
  if (size == 4 && random.Chance(70)) {
    int32_t level = random.Chance(80) ? random.Between(0, 130) : static_cast<int32_t>(random.Between(-5, 1000000));
    std::memcpy(data.data(), &level, 4);
  }
  SetValue(key, name, type, data);
}

// A device map entry for a key: missing, empty, not a string, too long, or a port name.
void PutDeviceEntry(Random& random, const std::string& keyName) {
  std::string name = random.Chance(85) ? Trimmed(keyName) : keyName;
  switch (random.Below(10)) {
    case 0: return;
    case 1: SetString(kDeviceMap, name, ""); return;
    case 2: SetValue(kDeviceMap, name, REG_BINARY, Bytes(random, static_cast<size_t>(random.Between(0, 8)))); return;
    case 3: SetValue(kDeviceMap, name, REG_DWORD, {7, 0, 0, 0}); return;
    case 4: SetString(kDeviceMap, name, std::string(static_cast<size_t>(random.Between(250, 300)), 'c')); return;
    default: {
      std::string device = std::string(random.Chance(50) ? "com" : "COM") + std::to_string(random.Between(1, 300));
      if (random.Chance(30)) device = " \t" + device + "z ";
      SetString(kDeviceMap, name, device);
    }
  }
}

// The stored prefix; valid says whether "Apply and Exit" may accept it.
std::string Prefix(Random& random, bool* valid) {
  *valid = true;
  std::string prefix;
  int length = random.Between(0, 6);
  for (int i = 0; i < length; ++i) prefix += random.Pick("abczABCZ019 .-");
  if (random.Chance(30)) prefix = " \t" + prefix + "\r\n";
  if (random.Chance(15)) {
    prefix.insert(static_cast<size_t>(random.Below(static_cast<int>(prefix.size()) + 1)), 1, random.Pick("\\/*?|<>:\""));
    *valid = false;
  }
  if (Trimmed(prefix).empty()) *valid = false;
  return prefix;
}

// Every key below the driver's key and the device map with the values the cases use, for
// before-and-after comparisons.
struct Dump {
  std::map<std::string, StoredValue> values;  // "key path\\value name" of present values
  std::set<std::string> keys;
};

// Below the device map the values are named after ports; below the driver's key they are the
// driver's own.
void DumpKey(const std::string& path, const std::set<std::string>& valueNames, Dump& dump) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  dump.keys.insert(path);
  for (const std::string& valueName : valueNames) {
    StoredValue value{true, 0, {}};
    DWORD size = 0;
    if (RegQueryValueExA(key, valueName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) continue;
    value.data.resize(size);
    RegQueryValueExA(key, valueName.c_str(), nullptr, &value.type, value.data.empty() ? nullptr : value.data.data(), &size);
    dump.values[path + "\\" + valueName] = value;
  }
  std::vector<std::string> subkeys;
  char name[512];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.push_back(std::string(name, length));
  }
  RegCloseKey(key);
  for (const std::string& subkey : subkeys) DumpKey(path + "\\" + subkey, valueNames, dump);
}

Dump TakeDump(const std::set<std::string>& deviceNames) {
  Dump dump;
  DumpKey(kDriverKey, {"PortNamePrefix", "RS485Mode", "TxFIFO", "RxFIFO"}, dump);
  DumpKey(kDeviceMap, deviceNames, dump);
  return dump;
}

bool operator==(const Dump& a, const Dump& b) { return a.keys == b.keys && a.values == b.values; }

// A port's levels as the driver would take them: up to 4 little-endian bytes, else the default.
int32_t StoredLevel(const std::string& key, const char* name, int32_t fallback) {
  StoredValue value = ReadValue(key, name);
  if (!value.present || value.data.size() > 4) return fallback;
  return value.AsInt();
}

bool KnownMessage(const std::string& text) {
  static const char* const known[] = {
      "Please install Norvo driver first.", "No port detected\nPlease install KVR Norvo card first.",
      "You do not have the rights to change the settings of the Norvo driver.\nAn administrator can change them.",
      "Invalid Port Name."};
  for (const char* k : known)
    if (text == k) return true;
  return text.rfind("The settings cannot be stored in the registry.\nPort: ", 0) == 0;
}

struct Model {
  int32_t tx, rx, rs485;
};

// One case: lay out a state, open the dialog, edit, leave; then check what the registry holds.
void RunCase(uint32_t seed) {
  Random random(seed);
  memory::Reset();
  bool driverInstalled = !random.Chance(5);
  if (driverInstalled) InstallDriverImage("1." + std::to_string(seed % 1000));
  bool parametersReadOnly = false;
  bool validPrefix = true;
  std::set<std::string> deviceNames;  // the device map's value names that may exist
  std::set<std::string> readOnlyKeys;  // upper case, as the registry compares
  bool parametersMissing = random.Chance(5);
  if (!parametersMissing) {
    CreateKey(kParameters);
    if (!random.Chance(20)) SetString(kParameters, "PortNamePrefix", Prefix(random, &validPrefix));
    int keys = random.Between(0, 8);
    for (int i = 0; i < keys; ++i) {
      std::string name = KeyName(random);
      std::string key = std::string(kParameters) + "\\" + name;
      CreateKey(key);
      for (const char* level : kLevelNames) PutLevel(random, key, level);
      PutDeviceEntry(random, name);
      deviceNames.insert(name);
      deviceNames.insert(Trimmed(name));
      if (random.Chance(8)) {
        memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, key, true);
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        readOnlyKeys.insert(upper);
      }
    }
    parametersReadOnly = random.Chance(4);
    if (parametersReadOnly) memory::SetKeyReadOnly(HKEY_LOCAL_MACHINE, kParameters, true);
  }
  memory::ServiceBehaviour driver;
  driver.state = SERVICE_RUNNING;
  memory::AddService("norvo", driver);
  // Sometimes a write fails partway, as on a full registry; what was written must go back.
  bool failingWrite = random.Chance(10);
  int writesBeforeFailure = random.Between(0, 24);

  const Dump before = TakeDump(deviceNames);
  memory::ForgetRegistryWrites();

  PortConfigDialog dialog;
  bool opened = false, applied = false, ended = false;
  std::vector<Model> models;
  memory::OnDialog(kConfig, [&](DialogUser& user) {
    opened = true;
    int ports = dialog.portCount;
    ASSERT_GT(ports, 0);
    ASSERT_EQ(dialog.portNames, user.Items(IDC_PORT_COMBO));
    for (int i = 0; i < ports; ++i) {
      std::string key = std::string(kParameters) + "\\" + dialog.portKeyNames[static_cast<size_t>(i)];
      models.push_back({StoredLevel(key, "TxFIFO", 127), StoredLevel(key, "RxFIFO", 100), StoredLevel(key, "RS485Mode", 0)});
    }
    int edits = random.Between(0, 8);
    for (int e = 0; e < edits; ++e) {
      int port = user.Selection(IDC_PORT_COMBO);
      ASSERT_GE(port, 0);
      Model& model = models[static_cast<size_t>(port)];
      switch (random.Below(5)) {
        case 0: user.Choose(IDC_PORT_COMBO, random.Below(ports)); break;
        case 1: {
          LONG pos = random.Between(-20, 150);
          user.Drag(IDC_TX_SLIDER, pos);
          model.tx = pos < 1 ? 1 : pos > 127 ? 127 : pos;
          break;
        }
        case 2: {
          LONG pos = random.Between(-20, 150);
          user.Drag(IDC_RX_SLIDER, pos);
          model.rx = pos < 1 ? 1 : pos > 127 ? 127 : pos;
          break;
        }
        case 3:
          user.Click(IDC_RS485_CHECK);
          model.rs485 = user.Checked(IDC_RS485_CHECK);
          break;
        default:
          user.Click(IDC_DEFAULT_BUTTON);
          model = {127, 100, 0};
          break;
      }
    }
    // What the user sees is what the model holds, port by port.
    for (int i = 0; i < ports; ++i) {
      user.Choose(IDC_PORT_COMBO, i);
      EXPECT_EQ(std::to_string(models[static_cast<size_t>(i)].tx), user.Text(IDC_TX_LEVEL_TEXT)) << "port " << i;
      EXPECT_EQ(std::to_string(models[static_cast<size_t>(i)].rx), user.Text(IDC_RX_LEVEL_TEXT)) << "port " << i;
    }
    user.Choose(IDC_PORT_COMBO, random.Below(ports));
    if (random.Chance(50)) {
      applied = true;
      if (failingWrite) memory::FailRegistryWrites(writesBeforeFailure, 1, ERROR_ACCESS_DENIED);
      user.Click(IDOK);
      ended = user.Ended();
      if (!ended) user.Click(IDC_CANCEL_BUTTON);
    } else if (random.Chance(50)) {
      user.Click(IDC_CANCEL_BUTTON);
    } else {
      user.Key(VK_ESCAPE);
    }
  });
  INT_PTR result = dialog.DoModal();

  for (const memory::MessageBoxRecord& box : memory::MessageBoxes())
    EXPECT_TRUE(KnownMessage(box.text)) << box.text;
  EXPECT_EQ(0, memory::OpenKeyCount());
  EXPECT_EQ(0, memory::LiveLocalBlocks());
  EXPECT_EQ(0, memory::LiveGlobalBlocks());

  const Dump after = TakeDump(deviceNames);
  if (!opened || !ended) {
    // Not opened, cancelled, or an Apply that failed: the registry is as it was.
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(before == after);
    if (!failingWrite || !applied) {
      EXPECT_TRUE(memory::RegistryWrites().empty());
    }
    if (opened && applied) {
      ASSERT_EQ(1u, memory::MessageBoxes().size());
      bool readOnlyPort = false;
      for (const std::string& name : dialog.portKeyNames) {
        std::string upper = name;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        readOnlyPort = readOnlyPort || readOnlyKeys.count(upper);
      }
      EXPECT_TRUE(!validPrefix || readOnlyPort || failingWrite) << memory::MessageBoxes()[0].text;
    }
    if (!opened) {
      // Which message it is follows from the state alone.
      ASSERT_EQ(1u, memory::MessageBoxes().size());
      const std::string& text = memory::MessageBoxes()[0].text;
      if (!driverInstalled)
        EXPECT_EQ("Please install Norvo driver first.", text);
      else if (parametersReadOnly)
        EXPECT_EQ("You do not have the rights to change the settings of the Norvo driver.\nAn administrator can change them.",
                  text);
      else
        EXPECT_EQ("No port detected\nPlease install KVR Norvo card first.", text);
    }
    return;
  }

  // Applied: exactly three 4-byte binary values per listed port, with the levels shown.
  EXPECT_EQ(IDOK, result);
  EXPECT_TRUE(validPrefix);
  EXPECT_TRUE(memory::MessageBoxes().empty());
  std::vector<std::string> expectedWrites;
  Dump expected = before;
  for (size_t i = 0; i < dialog.portKeyNames.size(); ++i) {
    std::string key = std::string(kParameters) + "\\" + dialog.portKeyNames[i];
    const int32_t levels[] = {models[i].rs485, models[i].tx, models[i].rx};
    for (int v = 0; v < 3; ++v) {
      expectedWrites.push_back(key + "\\" + kLevelNames[v]);
      std::vector<BYTE> bytes(4);
      std::memcpy(bytes.data(), &levels[v], 4);
      // The dump names keys as enumerated; the dialog's names are exactly those.
      expected.values[key + "\\" + kLevelNames[v]] = StoredValue{true, REG_BINARY, bytes};
    }
  }
  EXPECT_EQ(expectedWrites, memory::RegistryWrites());
  EXPECT_TRUE(expected == after);
}

TEST(RandomState, TheDialogOpensOrSaysWhyAndWritesAllOrNothing) {
  const unsigned long seed = EnvNumber("NORVO_SEED", 20260611);
  const unsigned long first = EnvNumber("NORVO_FIRST_CASE", 0);
  const unsigned long cases = EnvNumber("NORVO_CASES", 1000);
  for (unsigned long c = first; c < first + cases; ++c) {
    SCOPED_TRACE("NORVO_SEED=" + std::to_string(seed) + " NORVO_FIRST_CASE=" + std::to_string(c));
    RunCase(static_cast<uint32_t>(seed * 1000003UL + c));
    if (testing::Test::HasFailure()) break;  // one case's report is enough to replay it
  }
  memory::Reset();
}

}  // namespace
