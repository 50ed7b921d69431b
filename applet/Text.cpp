#include "Text.h"

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string Trim(const std::string& text) {
  size_t end = text.size(), start = 0;
  while (end > 0 && IsWhiteSpace(text[end - 1])) --end;
  while (start < end && IsWhiteSpace(text[start])) ++start;
  return text.substr(start, end - start);
}

std::string ToUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}
