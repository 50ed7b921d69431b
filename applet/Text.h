// Small text helpers shared by the applet's classes.
#pragma once

#include <string>

// White space as the C library's isspace knows it: space, tab, line feed, vertical tab, form
// feed, carriage return.
bool IsWhiteSpace(char c);
// The text without white space at either end.
std::string Trim(const std::string& text);
// Letters a to z become A to Z; every other byte stays as it is.
std::string ToUpper(std::string text);

// Copies text into a fixed field, cutting it to fit; the field is always terminated.
template <size_t N>
void CopyText(char (&field)[N], const char* text) {
  size_t i = 0;
  for (; i + 1 < N && text[i]; ++i) field[i] = text[i];
  field[i] = 0;
}
