// Linked into the host test programs: when NORVO_SHOWN_MESSAGES names a file, every message box
// a test left recorded on the in-memory machine is appended to it at the end of the test, and by
// KeepShownMessages before a test resets the machine for its next case: one a line as caption, a
// tab and the text, with line breaks, tabs and backslashes escaped. The
// troubleshooting table's test runs the suites with it to see the texts the programs show
// (the platform tests' boxes are left out).
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
}  // namespace

void KeepShownMessages() {
  const char* path = std::getenv("NORVO_SHOWN_MESSAGES");
  if (!path || !*path) return;
  std::ofstream out(path, std::ios::app | std::ios::binary);
  for (const memory::MessageBoxRecord& box : memory::MessageBoxes())
    out << Escape(box.caption) << '\t' << Escape(box.text) << '\n';
}

namespace {
class ShownMessages : public testing::EmptyTestEventListener {
  void OnTestEnd(const testing::TestInfo& test) override {
    // The platform's own tests show made-up boxes to prove the calls; only the programs' count.
    if (std::string(test.file()).find("tests/platform/") == std::string::npos) KeepShownMessages();
  }
};

const bool registered = (testing::UnitTest::GetInstance()->listeners().Append(new ShownMessages), true);

}  // namespace
