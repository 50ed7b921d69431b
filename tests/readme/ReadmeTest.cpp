// README.TXT, the technician's text on the driver disk: that Notepad on NT 4.0 shows it as
// written, and that its troubleshooting table explains every message the programs can show.
//
// The table's entries are "Title:" and "Message:" lines in package/README.TXT; a message goes
// on over the indented lines below it, and <...> stands for a part that changes (a system
// reason, a path, an error number). The programs' messages are the texts of their string
// tables (compiled as the programs link them), ids 2000 to 2099 the texts of message boxes,
// 2100 to 2199 their captions, with %1 to %9 where a part changes; and what the host test
// suites actually show on the in-memory machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// Every run of white space made one space, ends trimmed.
std::string Normalise(const std::string& text) {
  std::string out;
  bool space = false;
  for (char c : text) {
    if (IsSpace(c)) {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

// A message as fixed parts with a changing part between each two; each part normalised and
// trimmed. An entry marks a changing part with <...>, a string table text with %1 to %9.
std::vector<std::string> Parts(const std::string& message, bool table) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < message.size(); ++i) {
    size_t close = !table && message[i] == '<' ? message.find('>', i) : std::string::npos;
    if (table && message[i] == '%' && i + 1 < message.size() && message[i + 1] >= '1' && message[i + 1] <= '9')
      close = i + 1;
    if (close != std::string::npos) {
      parts.emplace_back();
      i = close;
    } else {
      parts.back() += message[i];
    }
  }
  for (std::string& part : parts) part = Normalise(part);
  return parts;
}

bool HasLetter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

// Whether a text as a box showed it fits the parts: the first at its start, the last at its
// end, the others in order between, any text in each changing place.
bool Fits(const std::vector<std::string>& parts, const std::string& shownText) {
  std::string text = Normalise(shownText);
  if (parts.size() == 1) return text == parts[0];
  if (text.compare(0, parts.front().size(), parts.front()) != 0) return false;
  size_t at = parts.front().size();
  for (size_t i = 1; i + 1 < parts.size(); ++i) {
    size_t found = text.find(parts[i], at);
    if (found == std::string::npos) return false;
    at = found + parts[i].size();
  }
  const std::string& last = parts.back();
  return text.size() >= at + last.size() && text.compare(text.size() - last.size(), last.size(), last) == 0;
}

struct TableEntry {
  std::string title;  // the box's caption, trimmed
  std::vector<std::string> parts;
  std::string message;  // as written, normalised
  int line = 0;         // where "Message:" stands
};

const std::string kReadmeSource = NORVO_SOURCE_DIR "/package/README.TXT";

// The entries of the troubleshooting table: "Title:" and "Message:" lines, a message going on
// over the indented lines that follow it.
std::vector<TableEntry> Table() {
  std::vector<TableEntry> entries;
  std::istringstream in(ReadFile(kReadmeSource));
  std::string line, title, text;
  int number = 0;
  bool open = false;
  auto finish = [&]() {
    if (open) {
      entries.back().message = Normalise(text);
      entries.back().parts = Parts(text, false);
    }
    open = false;
  };
  while (std::getline(in, line)) {
    ++number;
    if (open && (line.empty() || IsSpace(line[0]))) {
      text += "\n" + line;
      continue;
    }
    finish();
    if (line.compare(0, 6, "Title:") == 0) {
      title = Normalise(line.substr(6));
    } else if (line.compare(0, 8, "Message:") == 0) {
      entries.push_back({title, {}, "", number});
      open = true;
      text = line.substr(8);
    }
  }
  finish();
  return entries;
}

// An entry that is all placeholder ("<the reason, in Windows NT's own words>") stands for the
// system's texts.
bool IsWildcard(const TableEntry& entry) { return std::none_of(entry.parts.begin(), entry.parts.end(), HasLetter); }

// The string table of a compiled resource file (.res) in one language: id and text of every
// string.
std::map<unsigned, std::string> StringTable(const std::string& path, unsigned language) {
  std::string res = ReadFile(path);
  auto dword = [&](size_t at) {
    return static_cast<unsigned>(static_cast<unsigned char>(res[at]) | static_cast<unsigned char>(res[at + 1]) << 8 |
                                 static_cast<unsigned char>(res[at + 2]) << 16 | static_cast<unsigned char>(res[at + 3]) << 24);
  };
  auto word = [&](size_t at) { return dword(at) & 0xFFFF; };
  std::map<unsigned, std::string> strings;
  for (size_t at = 0; at + 32 <= res.size();) {
    unsigned dataSize = dword(at), headerSize = dword(at + 4);
    // The type and the name follow the sizes, each an ordinal (0xFFFF, number) or a name.
    bool stringType = word(at + 8) == 0xFFFF && word(at + 10) == 6;
    unsigned block = word(at + 12) == 0xFFFF ? word(at + 14) : 0;
    size_t data = at + headerSize;
    // The header ends in data version, memory flags, language, version and characteristics.
    if (stringType && block > 0 && word(data - 10) == language) {
      // Sixteen strings, each a length and that many 16-bit characters.
      size_t p = data;
      for (unsigned i = 0; i < 16 && p + 2 <= data + dataSize; ++i) {
        unsigned length = word(p);
        std::string text;
        for (unsigned c = 0; c < length; ++c) text += static_cast<char>(word(p + 2 + 2 * c));
        if (length) strings[(block - 1) * 16 + i] = text;
        p += 2 + 2 * length;
      }
    }
    at = (data + dataSize + 3) & ~size_t{3};
  }
  return strings;
}

// The texts of message boxes in the programs' string tables, and their captions.
struct ProgramTexts {
  std::map<std::string, std::string> messages;  // "applet 2004" -> text
  std::set<std::string> captions;
};

ProgramTexts ProgramStrings() {
  ProgramTexts texts;
  for (auto program : {std::make_pair("applet", NORVO_APPLET_RES), std::make_pair("installer", NORVO_INSTALLER_RES)}) {
    for (const auto& string : StringTable(program.second, 0x409)) {
      if (string.first >= 2000 && string.first < 2100)
        texts.messages[std::string(program.first) + " " + std::to_string(string.first)] = string.second;
      else if (string.first >= 2100 && string.first < 2200)
        texts.captions.insert(Normalise(string.second));
    }
  }
  return texts;
}

TEST(ReadmeText, NotepadShowsItAsWritten) {
  // The text the build puts on the disk: CR LF after every line, the version filled in,
  // within what NT 4.0's Notepad opens (64 KB).
  std::string built = ReadFile(NORVO_BUILT_README);
  ASSERT_FALSE(built.empty()) << NORVO_BUILT_README;
  EXPECT_LT(built.size(), 65535u);
  EXPECT_EQ(built.find('@'), std::string::npos) << "a placeholder was not filled in";
  EXPECT_NE(built.find("Version " NORVO_VERSION "\r\n"), std::string::npos);
  ASSERT_EQ(built.substr(built.size() - 2), "\r\n");
  for (size_t i = 0; i < built.size(); ++i) {
    if (built[i] == '\n') {
      ASSERT_TRUE(i > 0 && built[i - 1] == '\r') << "bare line feed at byte " << i;
    } else if (built[i] == '\r') {
      ASSERT_TRUE(i + 1 < built.size() && built[i + 1] == '\n') << "bare carriage return at byte " << i;
    }
  }

  // The source: plain ASCII without tabs (Notepad's tab stops would break the columns) and
  // lines under 80 characters, so that nothing wraps or scrolls in an 80-column window.
  std::istringstream source(ReadFile(kReadmeSource));
  std::string line;
  int number = 0;
  while (std::getline(source, line)) {
    ++number;
    EXPECT_LT(line.size(), 80u) << "README.TXT line " << number << " is too long";
    for (char c : line)
      EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << "README.TXT line " << number << " holds byte "
                                           << static_cast<int>(static_cast<unsigned char>(c));
    EXPECT_TRUE(line.empty() || line.back() != ' ') << "README.TXT line " << number << " ends in a space";
  }
}

TEST(ReadmeText, TheTableIsRead) {
  // A guard for the readers below: the entries are where they were written, and the string
  // tables hold the texts of the boxes.
  std::vector<TableEntry> table = Table();
  ASSERT_GE(table.size(), 10u);
  EXPECT_EQ(table.front().title, "Setup Error");
  EXPECT_EQ(table.front().message, "Setup could not find a localised INF file");
  EXPECT_TRUE(std::any_of(table.begin(), table.end(), [](const TableEntry& entry) {
    return entry.message == "No port detected Please install KVR Norvo card first.";
  }));
  ProgramTexts texts = ProgramStrings();
  ASSERT_GE(texts.messages.size(), 20u);
  EXPECT_EQ(texts.messages["applet 2002"], "No port detected\nPlease install KVR Norvo card first.");
  EXPECT_EQ(texts.captions.count("Norvo Setup"), 1u);
}

TEST(ReadmeText, TheTableExplainsEveryMessageOfTheStringTables) {
  std::vector<TableEntry> table = Table();
  ProgramTexts texts = ProgramStrings();
  std::string missing;
  for (const auto& message : texts.messages) {
    std::vector<std::string> parts = Parts(message.second, true);
    if (std::none_of(table.begin(), table.end(), [&](const TableEntry& entry) { return entry.parts == parts; })) {
      std::string shown;
      for (size_t i = 0; i < parts.size(); ++i) shown += (i ? "<...>" : "") + parts[i];
      missing += "  " + message.first + ": \"" + shown + "\"\n";
    }
  }
  EXPECT_TRUE(missing.empty()) << "Texts of message boxes in the string tables with no entry in the troubleshooting "
                                  "table of package/README.TXT (<...> is a part that changes):\n"
                               << missing;
  for (const std::string& caption : texts.captions)
    EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&](const TableEntry& entry) { return entry.title == caption; }))
        << "no entry of the troubleshooting table has the title \"" << caption << "\"";
}

TEST(ReadmeText, OnlyTheMessageHelperCallsMessageBoxA) {
  // Every box goes through ShowMessage, which takes its text from the string table.
  const std::string helper = NORVO_SOURCE_DIR "/platform/framework/Message.cpp";
  std::string found;
  for (const char* folder : {"/applet", "/installer", "/platform/framework"}) {
    for (const auto& file : std::filesystem::directory_iterator(std::string(NORVO_SOURCE_DIR) + folder)) {
      std::string path = file.path().string();
      if (path == helper) continue;
      std::istringstream in(ReadFile(path));
      std::string line;
      for (int number = 1; std::getline(in, line); ++number)
        if (line.find("MessageBoxA") != std::string::npos) found += "  " + path + ":" + std::to_string(number) + ": " + line + "\n";
    }
  }
  EXPECT_TRUE(found.empty()) << "MessageBoxA outside platform/framework/Message.cpp:\n" << found;
}

// Captions of the system's own boxes that the in-memory machine shows (SetupAPI's prompts and
// its restart question): the system words them, the programs don't.
const std::set<std::string> kSystemCaptions = {"Files Needed", "File Operation Error", "System Settings Change"};

std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char c = text[++i];
      out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
    } else {
      out += text[i];
    }
  }
  return out;
}

TEST(ReadmeText, TheTableExplainsEveryMessageTheTestsShow) {
  std::string record = std::string(NORVO_BINARY_DIR) + "/shown-messages.txt";
  std::remove(record.c_str());
  for (const char* suite : {NORVO_HOST_TESTS, NORVO_INSTALLER_TESTS}) {
    // The suites' own failures are theirs to report; only what they showed counts here.
    std::string command = std::string("NORVO_SHOWN_MESSAGES='") + record + "' ASAN_OPTIONS=detect_leaks=0 '" + suite +
                          "' >/dev/null 2>&1";
    (void)std::system(command.c_str());
  }
  std::istringstream in(ReadFile(record));
  std::vector<TableEntry> table = Table();
  // An entry that is all placeholder stands for the system's texts: a text of the programs'
  // own (one that fits a string table text with words of its own) must have an entry of its own.
  std::vector<std::vector<std::string>> ours;
  for (const auto& message : ProgramStrings().messages) {
    std::vector<std::string> parts = Parts(message.second, true);
    if (std::any_of(parts.begin(), parts.end(), HasLetter)) ours.push_back(parts);
  }
  auto isOurs = [&](const std::string& text) {
    return std::any_of(ours.begin(), ours.end(), [&](const std::vector<std::string>& parts) { return Fits(parts, text); });
  };
  std::set<std::string> missing;
  std::string line;
  int shown = 0;
  while (std::getline(in, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::string caption = Normalise(Unescape(line.substr(0, tab)));
    std::string text = Unescape(line.substr(tab + 1));
    if (kSystemCaptions.count(caption)) continue;
    ++shown;
    bool explained = false;
    for (const auto& entry : table)
      explained = explained || (entry.title == caption && Fits(entry.parts, text) &&
                                !(IsWildcard(entry) && isOurs(text)));
    if (!explained) missing.insert("  [" + caption + "] \"" + Normalise(text) + "\"\n");
  }
  EXPECT_GT(shown, 10) << "the test suites showed hardly any message; were they run?";
  std::string list;
  for (const auto& m : missing) list += m;
  EXPECT_TRUE(list.empty()) << "Messages the test suites showed that no entry of the troubleshooting table "
                               "of package/README.TXT matches (title and text):\n"
                            << list;
}

}  // namespace
