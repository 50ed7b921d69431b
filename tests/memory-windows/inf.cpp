// The INF parser of the in-memory machine: sections, keys and quoted values, comments, the
// [Version] signature, %strings% and directory ids, and [DestinationDirs].
#include "inf.h"

namespace memory {
namespace {

std::string TrimText(const std::string& text) {
  size_t start = text.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return std::string();
  size_t end = text.find_last_not_of(" \t\r\n");
  return text.substr(start, end - start + 1);
}

// Splits at commas outside quotes and removes the quotes.
std::vector<std::string> SplitValues(const std::string& text) {
  std::vector<std::string> values;
  std::string value;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ',' && !quoted) {
      values.push_back(any ? value : TrimText(value));
      value.clear();
      any = false;
    } else if (quoted || !(value.empty() && (c == ' ' || c == '\t'))) {
      value += c;
    }
  }
  values.push_back(any ? value : TrimText(value));
  return values;
}

}  // namespace

DWORD Parse(const std::string& text, Inf* inf, UINT* errorLine) {
  *errorLine = 0;
  if (TrimText(text).empty()) return ERROR_FILE_INVALID;
  std::vector<Line>* section = nullptr;
  size_t at = 0;
  while (at < text.size()) {
    ++*errorLine;
    size_t end = text.find('\n', at);
    std::string raw = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? text.size() : end + 1;
    std::string line;
    bool quoted = false;
    for (char c : raw) {
      if (c == '"') quoted = !quoted;
      if (c == ';' && !quoted) break;
      line += c;
    }
    line = TrimText(line);
    if (line.empty()) continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      if (close == std::string::npos) return ERROR_BAD_SECTION_NAME_LINE;
      section = &inf->sections[Upper(TrimText(line.substr(1, close - 1)))];
      continue;
    }
    if (!section) return ERROR_EXPECTED_SECTION_NAME;
    Line parsed;
    size_t equals = std::string::npos;
    quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '"') quoted = !quoted;
      if (line[i] == '=' && !quoted) {
        equals = i;
        break;
      }
    }
    if (equals != std::string::npos) {
      parsed.key = TrimText(line.substr(0, equals));
      parsed.values = SplitValues(line.substr(equals + 1));
    } else {
      parsed.values = SplitValues(line);
    }
    section->push_back(parsed);
  }
  *errorLine = 0;  // a file without a fitting [Version] has no line to blame
  const std::vector<Line>* version = inf->Section("Version");
  if (!version) return ERROR_WRONG_INF_STYLE;
  for (const Line& line : *version) {
    if (SameText(line.key, "Signature") && !line.values.empty()) {
      std::string signature = Upper(line.values[0]);
      if (signature == "$WINDOWS NT$" || signature == "$CHICAGO$" || signature == "$WINDOWS 95$") return ERROR_SUCCESS;
    }
  }
  return ERROR_WRONG_INF_STYLE;
}

// %name% from [Strings], and the directory ids the driver INFs use.
std::string Substitute(const Inf& inf, const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t close = text[i] == '%' ? text.find('%', i + 1) : std::string::npos;
    if (close == std::string::npos) {
      out += text[i];
      continue;
    }
    std::string name = text.substr(i + 1, close - i - 1);
    std::string value = "%" + name + "%";
    if (name == "10") value = "C:\\WINNT";
    if (name == "11") value = kSystemDirectory;
    if (name == "12") value = std::string(kSystemDirectory) + "\\drivers";
    if (const std::vector<Line>* strings = inf.Section("Strings"))
      for (const Line& line : *strings)
        if (SameText(line.key, name) && !line.values.empty()) value = line.values[0];
    out += value;
    i = close;
  }
  return out;
}

std::vector<std::string> Directive(const Inf& inf, const std::vector<Line>& section, const char* key) {
  std::vector<std::string> values;
  for (const Line& line : section)
    if (SameText(line.key, key))
      for (const std::string& v : line.values)
        if (!v.empty()) values.push_back(Substitute(inf, v));
  return values;
}

std::string DirectoryOf(const Inf& inf, const std::string& fileSection) {
  const std::vector<Line>* dirs = inf.Section("DestinationDirs");
  std::vector<std::string> entry;
  if (dirs) {
    for (const Line& line : *dirs) {
      if (SameText(line.key, fileSection)) entry = line.values;
      if (entry.empty() && SameText(line.key, "DefaultDestDir")) entry = line.values;
    }
  }
  std::string dir = entry.empty() ? "11" : entry[0];
  std::string path = Substitute(inf, "%" + dir + "%");
  if (entry.size() > 1 && !entry[1].empty()) path += "\\" + Substitute(inf, entry[1]);
  return path;
}

}  // namespace memory
