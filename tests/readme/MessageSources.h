// Finds the texts of the message boxes that the programs' sources can show, and the entries of
// README.TXT's troubleshooting table, so that a test can hold one against the other.
#pragma once

#include <string>
#include <vector>

namespace readme {

// A message text as far as the source fixes it: the fixed parts in order, with an unknown
// text between each two (a system reason, a path, a number). Each part is normalised: C
// escapes resolved, every run of white space (line breaks included) made one space.
struct MessageText {
  std::vector<std::string> parts;
  bool startsFixed = true;  // false: an unknown text comes before the first part
  bool endsFixed = true;    // false: an unknown text follows the last part
  std::string where;        // file:line of the call that shows it
};

// Every text passed to MessageBoxA, directly or through functions that hand one of their
// parameters on to it (found by following the calls), in the .cpp files of the folders.
// A text held in a variable is followed to what was assigned or printed into it in the same
// function, and a name to its constant. Sorted by place.
std::vector<MessageText> ProgramMessages(const std::vector<std::string>& folders);

struct TableEntry {
  std::string title;    // the box's title, trimmed
  std::string message;  // normalised; <...> stands for a text that changes
  int line = 0;         // where "Message:" stands in README.TXT
};

// The entries of the troubleshooting table: "Title:" and "Message:" lines, a message going on
// over the indented lines that follow it.
std::vector<TableEntry> TableEntries(const std::string& readmeText);

// White space runs made one space, ends trimmed.
std::string Normalise(const std::string& text);

// Whether the fixed parts occur in the entry's message in order, each where the entry has the
// same fixed text or a <...> that stands for it.
bool Explains(const TableEntry& entry, const MessageText& message);

// Whether a text as a box showed it matches the entry's message, <...> matching any text.
bool Matches(const TableEntry& entry, const std::string& shownText);

// Whether the entry's message is nothing but placeholders ("<the reason>"): it stands for
// texts that are not the programs' own.
bool IsWildcard(const TableEntry& entry);

// Whether a text as a box showed it can be this text of a program: its fixed parts in order,
// any text for each unknown one. A text without a word of its own (all unknown) can be
// anything and is nobody's: it produces nothing.
bool Produces(const MessageText& message, const std::string& shownText);

// The message for a failure report: parts joined by <...>.
std::string Describe(const MessageText& message);

}  // namespace readme
