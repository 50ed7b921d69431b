// README.TXT, the technician's text on the driver disk: that Notepad on NT 4.0 shows it as
// written, and that its troubleshooting table explains every message the programs can show.
//
// The table's entries are "Title:" and "Message:" lines in package/README.TXT; a message goes
// on over the indented lines below it, and <...> stands for a part that changes (a system
// reason, a path, an error number). A program's message is found in the sources (every text
// given to MessageBoxA, also through functions that pass a parameter on to it) and in what the
// host test suites actually show on the in-memory machine.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "MessageSources.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

const std::string kReadmeSource = NORVO_SOURCE_DIR "/package/README.TXT";

std::vector<readme::TableEntry> Table() { return readme::TableEntries(ReadFile(kReadmeSource)); }

std::string ListEntries(const std::vector<readme::TableEntry>& table) {
  std::string list;
  for (const auto& entry : table) list += "  line " + std::to_string(entry.line) + ": " + entry.message + "\n";
  return list;
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
  // A guard for the reader below: the entries are where they were written.
  std::vector<readme::TableEntry> table = Table();
  ASSERT_GE(table.size(), 10u);
  EXPECT_EQ(table.front().title, "Setup Error");
  EXPECT_EQ(table.front().message, "Setup could not find a localised INF file");
  bool wrapped = false;
  for (const auto& entry : table)
    if (entry.message == "No port detected Please install KVR Norvo card first.") wrapped = true;
  EXPECT_TRUE(wrapped) << ListEntries(table);
}

// The reader of the sources on a made-up file: each way a text reaches a box is followed,
// and an entry explains a text only when its fixed parts are there in order.
TEST(ReadmeText, TheSourceReaderFollowsEveryWayToABox) {
  std::filesystem::path folder = std::filesystem::temp_directory_path() / ("readme-test-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "Made.h") << "#pragma once\nconstexpr char kShared[] = \"From a header.\";\n"
                                      "extern const char kElsewhere[];\n";
  std::ofstream(folder / "Names.cpp") << "const char kElsewhere[] = \"From another file.\";\n"
                                         "const char kTwice[] = \"One.\";\n";
  std::ofstream(folder / "Made.cpp") << R"src(#include "Made.h"
namespace {
const char kText[] = "Named text.";
const char* Problem(int code) {
  switch (code) {
    case 1:
      return "First problem.";
    case Codes::Second:
      return "Second problem.";
  }
  return nullptr;
}
std::string Number(int code) {
  char number[16];
  wsprintfA(number, "No. %d", code);
  return number;
}
std::string SystemReason(int code) {
  std::string text = Lookup(code);
  if (text.empty()) text = Number(code);
  return text;
}
}
// MessageBoxA(nullptr, "Only in a comment.", "T", 0);
void Show(HWND owner, const char* text) { MessageBoxA(owner, text, "T", 0); }
void F(int code) {
  Show(nullptr, "Through a " "wrapper.");
  MessageBoxA(nullptr, kText, "T", 0);
  char buffer[64];
  wsprintfA(buffer, "Code %d here", code);
  MessageBoxA(nullptr, buffer, "T", 0);
  if (code) {
    std::string message = "Before\n" + Reason(code) +
                          "after.";
    MessageBoxA(nullptr, message.c_str(), "T", 0);
  }
  MessageBoxA(nullptr, code ? "Yes." : "No.", "T", MB_OK);
  std::string report;
  if (const char* own = Problem(code)) report = std::string(own) + " (" + Number(code) + ")";
  else report = "Because " + SystemReason(code);
  report += "\nTry again.";
  MessageBoxA(nullptr, report.c_str(), "T", 0);
  MessageBoxA(nullptr, kShared, "T", 0);
  MessageBoxA(nullptr, kElsewhere, "T", 0);
  MessageBoxA(nullptr, kTwice, "T", 0);
}
namespace {
const char kTwice[] = "Two.";
}
struct Holder {
  void Warn() { MessageBoxA(nullptr, "In a class.", "T", 0); }
};
auto later = [] { MessageBoxA(nullptr, "Unread.", "T", 0); };
)src";
  std::vector<readme::MessageText> messages = readme::ProgramMessages({folder.string()});
  std::filesystem::remove_all(folder);
  std::vector<std::string> found;
  for (const auto& m : messages) found.push_back(readme::Describe(m));
  std::sort(found.begin(), found.end());
  // A function of the file is what it returns, unless it may return a text the sources do not
  // fix (SystemReason); a text appended with += is checked on its own.
  EXPECT_EQ(found, (std::vector<std::string>{
                       "\"<...>Try again.\"", "\"Because<...>\"", "\"Before<...>after.\"", "\"Code<...>here\"",
                       "\"First problem. (No.<...>)<...>\"", "\"From a header.\"", "\"From another file.\"", "\"In a class.\"",
                       "\"Named text.\"", "\"No.\"", "\"Second problem. (No.<...>)<...>\"", "\"Through a wrapper.\"",
                       "\"Two.\"", "\"Yes.\"", "\"a MessageBoxA call outside every function body this reader follows\""}));

  std::vector<readme::TableEntry> table = readme::TableEntries(
      "Title:   T\r\nMessage: Before <reason>\r\n         after.\r\nMeaning: x\r\n"
      "Title:   T\r\nMessage: Code <number>\r\n\r\n         here\r\nMeaning: x\r\n");
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].message, "Before <reason> after.");
  EXPECT_EQ(table[1].message, "Code <number> here");
  auto explained = [&](const std::string& description) {
    for (const auto& m : messages)
      if (readme::Describe(m) == description)
        return readme::Explains(table[0], m) || readme::Explains(table[1], m);
    return false;
  };
  EXPECT_TRUE(explained("\"Before<...>after.\""));
  EXPECT_TRUE(explained("\"Code<...>here\""));
  EXPECT_FALSE(explained("\"Named text.\""));

  // What a box showed matches an entry with any text in place of <...>, and nothing more.
  EXPECT_TRUE(readme::Matches(table[0], "Before\nAccess is denied.\r\nafter."));
  EXPECT_FALSE(readme::Matches(table[0], "Before it all went wrong, after. And more."));
  EXPECT_FALSE(readme::Matches(table[1], "Code 5"));

  // An entry that is all placeholder matches any text, but a text of the programs' own is
  // told apart from the system's: the run-time check then wants its own entry.
  std::vector<readme::TableEntry> wild = readme::TableEntries("Title: T\nMessage: <the reason, in words>\n");
  ASSERT_EQ(wild.size(), 1u);
  EXPECT_TRUE(readme::IsWildcard(wild[0]));
  EXPECT_FALSE(readme::IsWildcard(table[0]));
  auto ours = [&](const std::string& text) {
    return std::any_of(messages.begin(), messages.end(), [&](const readme::MessageText& m) { return readme::Produces(m, text); });
  };
  EXPECT_TRUE(ours("Second problem. (No. 7)\nTry again."));
  EXPECT_TRUE(ours("Code 12 here"));
  EXPECT_FALSE(ours("Access is denied.\r\n"));
  EXPECT_FALSE(ours("Second problem, (No. 7)"));
  EXPECT_FALSE(ours("Named text. And more."));
}

TEST(ReadmeText, TheTableExplainsEveryMessageInTheSources) {
  std::vector<readme::TableEntry> table = Table();
  std::vector<readme::MessageText> messages =
      readme::ProgramMessages({NORVO_SOURCE_DIR "/applet", NORVO_SOURCE_DIR "/installer"});
  // The reader must have found the messages at all: the ones known when this was written.
  ASSERT_GE(messages.size(), 12u);
  std::string missing;
  for (const auto& message : messages) {
    bool explained = false;
    for (const auto& entry : table) explained = explained || readme::Explains(entry, message);
    if (!explained) missing += "  " + message.where + ": " + readme::Describe(message) + "\n";
  }
  EXPECT_TRUE(missing.empty()) << "Messages the programs can show with no entry in the troubleshooting table of "
                                  "package/README.TXT (<...> is a part that changes):\n"
                               << missing;
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
  std::vector<readme::TableEntry> table = Table();
  // An entry that is all placeholder ("<the reason, in Windows NT's own words>") stands for
  // the system's texts: a text of the programs' own must have an entry of its own.
  std::vector<readme::MessageText> ours =
      readme::ProgramMessages({NORVO_SOURCE_DIR "/applet", NORVO_SOURCE_DIR "/installer"});
  auto isOurs = [&](const std::string& text) {
    return std::any_of(ours.begin(), ours.end(), [&](const readme::MessageText& m) { return readme::Produces(m, text); });
  };
  std::set<std::string> missing;
  std::string line;
  int shown = 0;
  while (std::getline(in, line)) {
    size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    std::string caption = readme::Normalise(Unescape(line.substr(0, tab)));
    std::string text = Unescape(line.substr(tab + 1));
    if (kSystemCaptions.count(caption)) continue;
    ++shown;
    bool explained = false;
    for (const auto& entry : table)
      explained = explained || (entry.title == caption && readme::Matches(entry, text) &&
                                !(readme::IsWildcard(entry) && isOurs(text)));
    if (!explained) missing.insert("  [" + caption + "] \"" + readme::Normalise(text) + "\"\n");
  }
  EXPECT_GT(shown, 10) << "the test suites showed hardly any message; were they run?";
  std::string list;
  for (const auto& m : missing) list += m;
  EXPECT_TRUE(list.empty()) << "Messages the test suites showed that no entry of the troubleshooting table "
                               "of package/README.TXT matches (title and text):\n"
                            << list;
}

}  // namespace
