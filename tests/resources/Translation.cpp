#include "Translation.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>

namespace {

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

void ExpectTemplate(HINSTANCE module, const ExpectedDialog& expected) {
  memory::DialogTemplate t = memory::ReadDialogTemplate(module, expected.id);
  SCOPED_TRACE("dialog " + std::to_string(expected.id));
  EXPECT_EQ(expected.style, t.style);
  EXPECT_EQ(expected.exStyle, t.exStyle);
  EXPECT_EQ(expected.cx, t.cx);
  EXPECT_EQ(expected.cy, t.cy);
  EXPECT_EQ(expected.caption, t.caption);
  EXPECT_EQ("MS Sans Serif", t.font);
  EXPECT_EQ(8, t.pointSize);
  ASSERT_EQ(expected.controls.size(), t.items.size());
  for (size_t i = 0; i < t.items.size(); ++i) {
    const memory::TemplateItem& item = t.items[i];
    const ExpectedControl& e = expected.controls[i];
    SCOPED_TRACE("control " + std::to_string(i) + " (" + e.text + ")");
    EXPECT_EQ(e.id, item.id);
    EXPECT_EQ(Upper(e.cls), Upper(item.cls));
    EXPECT_EQ(std::string(e.text), item.text);
    EXPECT_EQ(e.icon, item.titleOrdinal);
    EXPECT_EQ((std::vector<short>{e.x, e.y, e.cx, e.cy}), (std::vector<short>{item.x, item.y, item.cx, item.cy}));
    DWORD style = e.style | WS_CHILD | WS_VISIBLE;
    EXPECT_EQ(style, item.style & style);
    EXPECT_EQ(e.exStyle, item.exStyle);
  }
}

namespace {

// The inserts of a text, "%1" to "%9", in order of number.
std::multiset<std::string> Inserts(const std::string& text) {
  std::multiset<std::string> inserts;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') inserts.insert(text.substr(i, 2));
  return inserts;
}

// Each "&" marks the next character as an accelerator of the dialog ("&&" is a plain "&");
// statics with SS_NOPREFIX show their text as it is. Case does not count.
void ExpectUniqueAccelerators(const memory::DialogTemplate& dialog) {
  std::map<char, std::string> seen;
  for (const memory::TemplateItem& item : dialog.items) {
    if (Upper(item.cls) == "STATIC" && (item.style & SS_NOPREFIX)) continue;
    for (size_t i = 0; i + 1 < item.text.size(); ++i) {
      if (item.text[i] != '&') continue;
      char key = static_cast<char>(std::toupper(static_cast<unsigned char>(item.text[++i])));
      if (key == '&') continue;
      EXPECT_TRUE(seen.emplace(key, item.text).second)
          << "\"" << dialog.caption << "\": \"" << item.text << "\" and \"" << seen[key] << "\" share " << key;
    }
  }
}

}  // namespace

void ExpectTranslationOfEnglish(HINSTANCE module, LANGID language) {
  std::vector<WORD> dialogs = memory::ResourceOrdinals(module, RT_DIALOG, kEnglish);
  ASSERT_FALSE(dialogs.empty());
  ASSERT_EQ(dialogs, memory::ResourceOrdinals(module, RT_DIALOG, language));
  for (WORD id : dialogs) {
    SCOPED_TRACE("dialog " + std::to_string(id));
    memory::DialogTemplate english = memory::ReadDialogTemplate(module, id, kEnglish);
    memory::DialogTemplate translated = memory::ReadDialogTemplate(module, id, language);
    EXPECT_EQ(english.extended, translated.extended);
    EXPECT_EQ(english.style, translated.style);
    EXPECT_EQ(english.exStyle, translated.exStyle);
    EXPECT_EQ(english.font, translated.font);
    EXPECT_EQ(english.pointSize, translated.pointSize);
    ASSERT_EQ(english.items.size(), translated.items.size());
    for (size_t i = 0; i < english.items.size(); ++i) {
      const memory::TemplateItem &e = english.items[i], &t = translated.items[i];
      SCOPED_TRACE("control " + std::to_string(i) + " (" + e.text + ")");
      EXPECT_EQ(e.id, t.id);
      EXPECT_EQ(Upper(e.cls), Upper(t.cls));
      EXPECT_EQ(e.style, t.style);
      EXPECT_EQ(e.exStyle, t.exStyle);
      EXPECT_EQ(e.titleOrdinal, t.titleOrdinal);
      EXPECT_EQ(e.text.empty(), t.text.empty());
    }
    ExpectUniqueAccelerators(english);
    ExpectUniqueAccelerators(translated);
  }

  std::map<UINT, std::string> english = memory::Strings(module, kEnglish), translated = memory::Strings(module, language);
  ASSERT_FALSE(english.empty());
  for (const auto& string : english) {
    auto found = translated.find(string.first);
    if (found == translated.end()) {
      ADD_FAILURE() << "string " << string.first << " (\"" << string.second << "\") is not translated";
      continue;
    }
    EXPECT_EQ(Inserts(string.second), Inserts(found->second)) << "string " << string.first << ": " << found->second;
  }
  for (const auto& string : translated)
    EXPECT_TRUE(english.count(string.first)) << "string " << string.first << " (\"" << string.second << "\") has no English original";
}
