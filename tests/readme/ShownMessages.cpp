// Linked into the host test programs: when NORVO_SHOWN_MESSAGES names a file, every message box
// a test left recorded on the in-memory machine is appended to it when the machine is reset (a
// test's next case) and at the end of the test: one a line as caption, a tab and the text, with
// line breaks, tabs and backslashes escaped. The troubleshooting table's test runs the suites
// with it to see the texts the programs show (the platform tests' boxes are left out).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "machine.h"

namespace {
std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t') out += "\\t";
    else out += c;
  }
  return out;
}

// Appends the boxes of the machine's record not yet on file, unless a platform test shows them:
// those are made-up boxes that prove the calls; only the programs' count.
size_t written = 0;
void Record() {
  const auto& boxes = memory::MessageBoxes();
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  const char* path = std::getenv("NORVO_SHOWN_MESSAGES");
  if (path && *path && test && std::string(test->file()).find("tests/platform/") == std::string::npos) {
    std::ofstream out(path, std::ios::app | std::ios::binary);
    for (size_t i = written; i < boxes.size(); ++i) out << Escape(boxes[i].caption) << '\t' << Escape(boxes[i].text) << '\n';
  }
  written = boxes.size();
}

class ShownMessages : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo&) override { Record(); }
};

const bool registered = (memory::OnReset([] { Record(), written = 0; }),
                         testing::UnitTest::GetInstance()->listeners().Append(new ShownMessages), true);

}  // namespace
