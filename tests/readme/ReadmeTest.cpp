// README.TXT and LIESMICH.TXT, the technician's texts on the driver disk in English and German:
// that Notepad on NT 4.0 shows each as written, and that its troubleshooting table explains
// every message the programs can show in its language.
//
// The tables' entries are "Title:" and "Message:" lines ("Titel:" and "Meldung:" in German) in
// the texts as the disk has them; a message goes on over the indented lines below it, and <...>
// stands for a part that changes (a system reason, a path, an error number). The programs'
// messages are the texts of their string tables in that language (compiled as the programs link
// them, in code page 1252 as the system gives them to the programs), ids 2000 to 2099 the texts
// of message boxes, 2100 to 2199 their captions, with %1 to %9 where a part changes; and what
// the host test suites actually show on the in-memory machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// A text of the disk and the language whose messages its table explains.
struct DiskText {
  const char* name;
  const char* path;  // as the build puts it on the disk
  std::string titleKey, messageKey;
  unsigned language;
  bool ascii;  // English: plain ASCII; German also the letters of code page 1252 from 0xA0
};
const DiskText kTexts[] = {
    {"README.TXT", NORVO_BUILT_README, "Title:", "Message:", 0x409, true},
    {"LIESMICH.TXT", NORVO_BUILT_LIESMICH, "Titel:", "Meldung:", 0x407, false},
};

// The lines of a text as the disk has it, without their CR LF.
std::vector<std::string> Lines(const DiskText& disk) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(disk.path));
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The entries of a text's troubleshooting table: title and message lines, a message going on
// over the indented lines that follow it.
std::vector<TableEntry> Table(const DiskText& disk) {
  std::vector<TableEntry> entries;
  std::string title, text;
  int number = 0;
  bool open = false;
  auto finish = [&]() {
    if (open) {
      entries.back().message = Normalise(text);
      entries.back().parts = Parts(text, false);
    }
    open = false;
  };
  for (const std::string& line : Lines(disk)) {
    ++number;
    if (open && (line.empty() || IsSpace(line[0]))) {
      text += "\n" + line;
      continue;
    }
    finish();
    if (line.compare(0, disk.titleKey.size(), disk.titleKey) == 0) {
      title = Normalise(line.substr(disk.titleKey.size()));
    } else if (line.compare(0, disk.messageKey.size(), disk.messageKey) == 0) {
      entries.push_back({title, {}, "", number});
      open = true;
      text = line.substr(disk.messageKey.size());
    }
  }
  finish();
  return entries;
}

// An entry that is all placeholder ("<the reason, in Windows NT's own words>") stands for the
// system's texts.
bool IsWildcard(const TableEntry& entry) { return std::none_of(entry.parts.begin(), entry.parts.end(), HasLetter); }

// The string table of a compiled resource file (.res) in one language: id and text of every
// string, each character in code page 1252 as LoadStringA gives it. A character outside ASCII
// and U+00A0 to U+00FF (which code page 1252 holds as the same numbers) is a fault: it is what
// a resource compiler that misread the .rc's encoding stores.
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
        for (unsigned c = 0; c < length; ++c) {
          unsigned unit = word(p + 2 + 2 * c);
          EXPECT_TRUE(unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
              << path << ": string " << (block - 1) * 16 + i << " holds U+" << std::hex << unit;
          text += static_cast<char>(unit);
        }
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

ProgramTexts ProgramStrings(unsigned language) {
  ProgramTexts texts;
  for (auto program : {std::make_pair("applet", NORVO_APPLET_RES), std::make_pair("installer", NORVO_INSTALLER_RES)}) {
    for (const auto& string : StringTable(program.second, language)) {
      if (string.first >= 2000 && string.first < 2100)
        texts.messages[std::string(program.first) + " " + std::to_string(string.first)] = string.second;
      else if (string.first >= 2100 && string.first < 2200)
        texts.captions.insert(Normalise(string.second));
    }
  }
  return texts;
}

TEST(ReadmeText, NotepadShowsItAsWritten) {
  for (const DiskText& disk : kTexts) {
    SCOPED_TRACE(disk.name);
    // CR LF after every line, the version filled in, within what NT 4.0's Notepad opens (64 KB).
    std::string built = ReadFile(disk.path);
    ASSERT_FALSE(built.empty()) << disk.path;
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
    // No tabs (Notepad's tab stops would break the columns), printable characters of the code
    // page only, and lines under 80 characters, so that nothing wraps or scrolls in an
    // 80-column window.
    int number = 0;
    for (const std::string& line : Lines(disk)) {
      ++number;
      EXPECT_LT(line.size(), 80u) << "line " << number << " is too long";
      for (char c : line) {
        unsigned byte = static_cast<unsigned char>(c);
        EXPECT_TRUE((byte >= 0x20 && byte <= 0x7E) || (!disk.ascii && byte >= 0xA0))
            << "line " << number << " holds byte " << byte;
      }
      EXPECT_TRUE(line.empty() || line.back() != ' ') << "line " << number << " ends in a space";
    }
  }
}

TEST(ReadmeText, TheTablesAreRead) {
  // A guard for the readers below: the entries are where they were written, and the string
  // tables hold the texts of the boxes, in code page 1252 on both sides (0xFC is "\xFC").
  const struct {
    const char *firstTitle, *firstMessage, *entry, *applet2003, *caption;
  } expected[] = {
      {"Setup Error", "Setup could not find a localised INF file", "Invalid Port Name.", "Invalid Port Name.",
       "Norvo Setup"},
      {"Setup-Fehler", "Das Installationsprogramm (NORVOINST.EXE) konnte die INF-Datei in seinem Ordner nicht finden.",
       "Ung\xFCltiger Anschlussname.",
       "Ung\xFCltiger Anschlussname.", "Norvo-Setup"},
  };
  for (size_t i = 0; i < std::size(kTexts); ++i) {
    SCOPED_TRACE(kTexts[i].name);
    std::vector<TableEntry> table = Table(kTexts[i]);
    ASSERT_GE(table.size(), 10u);
    EXPECT_EQ(table.front().title, expected[i].firstTitle);
    EXPECT_EQ(table.front().message, expected[i].firstMessage);
    EXPECT_TRUE(std::any_of(table.begin(), table.end(),
                            [&](const TableEntry& entry) { return entry.message == expected[i].entry; }));
    ProgramTexts texts = ProgramStrings(kTexts[i].language);
    ASSERT_GE(texts.messages.size(), 20u);
    EXPECT_EQ(texts.messages["applet 2003"], expected[i].applet2003);
    EXPECT_EQ(texts.captions.count(expected[i].caption), 1u);
  }
}

TEST(ReadmeText, TheTablesExplainEveryMessageOfTheStringTables) {
  for (const DiskText& disk : kTexts) {
    std::vector<TableEntry> table = Table(disk);
    ProgramTexts texts = ProgramStrings(disk.language);
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
                                    "table of package/" << disk.name << " (<...> is a part that changes):\n"
                                 << missing;
    for (const std::string& caption : texts.captions)
      EXPECT_TRUE(std::any_of(table.begin(), table.end(), [&](const TableEntry& entry) { return entry.title == caption; }))
          << "no entry of the troubleshooting table of " << disk.name << " has the title \"" << caption << "\"";
  }
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

TEST(ReadmeText, TheTablesExplainEveryMessageTheTestsShow) {
  std::string record = std::string(NORVO_BINARY_DIR) + "/shown-messages.txt";
  std::remove(record.c_str());
  for (const char* suite : {NORVO_HOST_TESTS, NORVO_INSTALLER_TESTS}) {
    // The suites' own failures are theirs to report; only what they showed counts here.
    std::string command = std::string("NORVO_SHOWN_MESSAGES='") + record + "' ASAN_OPTIONS=detect_leaks=0 '" + suite +
                          "' >/dev/null 2>&1";
    (void)std::system(command.c_str());
  }
  std::istringstream in(ReadFile(record));
  // A box is explained by an entry of either text: each language's boxes match only its own.
  std::vector<TableEntry> table;
  std::vector<std::vector<std::string>> ours;
  for (const DiskText& disk : kTexts) {
    std::vector<TableEntry> entries = Table(disk);
    table.insert(table.end(), entries.begin(), entries.end());
    // An entry that is all placeholder stands for the system's texts: a text of the programs'
    // own (one that fits a string table text with words of its own) must have an entry of its
    // own.
    for (const auto& message : ProgramStrings(disk.language).messages) {
      std::vector<std::string> parts = Parts(message.second, true);
      if (std::any_of(parts.begin(), parts.end(), HasLetter)) ours.push_back(parts);
    }
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
  EXPECT_TRUE(list.empty()) << "Messages the test suites showed that no entry of the troubleshooting tables "
                               "of package/README.TXT and package/LIESMICH.TXT matches (title and text):\n"
                            << list;
}

}  // namespace
