#include "MessageSources.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace readme {
namespace {

bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Comments become spaces (line breaks kept), so that offsets and line numbers stay.
std::string StripComments(const std::string& text) {
  std::string out = text;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '"' || out[i] == '\'') {
      char quote = out[i];
      for (++i; i < out.size() && out[i] != quote; ++i)
        if (out[i] == '\\') ++i;
    } else if (out.compare(i, 2, "//") == 0) {
      while (i < out.size() && out[i] != '\n') out[i++] = ' ';
    } else if (out.compare(i, 2, "/*") == 0) {
      size_t end = out.find("*/", i + 2);
      end = end == std::string::npos ? out.size() : end + 2;
      for (; i < end; ++i)
        if (out[i] != '\n') out[i] = ' ';
      --i;
    }
  }
  return out;
}

// Preprocessor lines become spaces too: an #include before a namespace is no part of its
// header.
std::string StripDirectives(const std::string& text) {
  std::string out = text;
  bool lineStart = true;
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\n') {
      lineStart = true;
    } else if (lineStart && out[i] == '#') {
      for (; i < out.size() && out[i] != '\n'; ++i) {
        bool continued = out[i] == '\\' && i + 1 < out.size() && out[i + 1] == '\n';
        out[i] = ' ';
        if (continued) ++i;  // the next line belongs to the directive
      }
      lineStart = true;
    } else if (!IsSpace(out[i])) {
      lineStart = false;
    }
  }
  return out;
}

// The end of the literal or character constant that starts at i (one past its closing quote).
size_t SkipQuoted(const std::string& text, size_t i) {
  char quote = text[i];
  for (++i; i < text.size() && text[i] != quote; ++i)
    if (text[i] == '\\') ++i;
  return std::min(i + 1, text.size());
}

std::string Unescape(const std::string& body) {
  std::string out;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\\' || i + 1 == body.size()) {
      out += body[i];
      continue;
    }
    char c = body[++i];
    switch (c) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      default: out += c; break;
    }
  }
  return out;
}

// One step of a scan that looks only at what stands outside literals and brackets: a literal
// moves i to its last character, a bracket (a brace only when braces is true) changes depth.
// True when text[i] was one of those, which the caller then passes over.
bool StepOverNesting(const std::string& text, size_t& i, int& depth, bool braces = true) {
  char c = text[i];
  if (c == '"' || c == '\'') {
    i = SkipQuoted(text, i) - 1;
  } else if (c == '(' || c == '[' || (braces && c == '{')) {
    ++depth;
  } else if (c == ')' || c == ']' || (braces && c == '}')) {
    --depth;
  } else {
    return false;
  }
  return true;
}

// The matching close bracket of the one at open, skipping literals.
size_t MatchClose(const std::string& text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    bool close = text[i] == ')' || text[i] == ']' || text[i] == '}';
    if (StepOverNesting(text, i, depth) && close && depth == 0) return i;
  }
  return std::string::npos;
}

// Splits at the separators that stand outside brackets and literals; a separator doubled or
// followed by "=" (as in "++" and "+=") is an operator of its own and does not split.
std::vector<std::string> SplitTopLevel(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (StepOverNesting(text, i, depth)) continue;
    if (text[i] == separator && depth == 0) {
      if (i + 1 < text.size() && (text[i + 1] == separator || text[i + 1] == '=')) {
        ++i;
        continue;
      }
      pieces.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

std::string Trim(const std::string& text) {
  size_t a = 0, b = text.size();
  while (a < b && IsSpace(text[a])) ++a;
  while (b > a && IsSpace(text[b - 1])) --b;
  return text.substr(a, b - a);
}

bool IsIdentifier(const std::string& text) {
  return !text.empty() && !std::isdigit(static_cast<unsigned char>(text[0])) &&
         std::all_of(text.begin(), text.end(), IsIdentChar);
}

// "name" or "name.c_str()" gives name; anything else nothing.
std::string VariableOf(const std::string& expression) {
  std::string e = Trim(expression);
  const std::string cstr = ".c_str()";
  if (e.size() > cstr.size() && e.compare(e.size() - cstr.size(), cstr.size(), cstr) == 0)
    e = Trim(e.substr(0, e.size() - cstr.size()));
  return IsIdentifier(e) ? e : std::string();
}

struct Function {
  std::string name;                     // without class qualification
  std::vector<std::string> parameters;  // names, in order
  size_t bodyStart = 0, bodyEnd = 0;    // the braces
};

struct File {
  std::string path;  // as reported, relative to the source folder's parent when possible
  std::string text;  // comments stripped
  std::vector<Function> functions;
  std::map<std::string, std::string> constants;  // name -> text of a file-level const char literal
};

int LineOf(const std::string& text, size_t offset) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(offset), '\n'));
}

// The bodies of functions at file level (inside namespaces, not inside classes' inline
// bodies' own nested blocks), with their names and parameter names.
void FindFunctions(File& file) {
  const std::string& t = file.text;
  size_t headerStart = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '"' || c == '\'') {
      i = SkipQuoted(t, i) - 1;
    } else if (c == ';' || c == '}') {
      headerStart = i + 1;
    } else if (c == '{') {
      std::string header = Trim(t.substr(headerStart, i - headerStart));
      size_t close = header.rfind(')');
      // Namespaces and classes are looked into: their functions are found as at file level.
      // A template function is a function; a class template a scope.
      bool scope = header.compare(0, 8, "template") == 0 && close == std::string::npos;
      for (const char* word : {"namespace", "extern", "class", "struct", "union"})
        scope = scope || header.compare(0, std::strlen(word), word) == 0;
      bool isFunction = !scope && close != std::string::npos && header.find('=') == std::string::npos;
      if (!isFunction) {
        if (!scope) {  // a class or an initialiser: skip it whole
          size_t end = MatchClose(t, i);
          if (end == std::string::npos) return;
          i = end;
        }
        headerStart = i + 1;
        continue;
      }
      // Name: the identifier before the parameter list's opening bracket.
      int depth = 0;
      size_t open = close;
      for (size_t k = close + 1; k-- > 0;) {
        if (header[k] == ')') ++depth;
        if (header[k] == '(' && --depth == 0) {
          open = k;
          break;
        }
      }
      size_t nameEnd = open;
      while (nameEnd > 0 && IsSpace(header[nameEnd - 1])) --nameEnd;
      size_t nameStart = nameEnd;
      while (nameStart > 0 && IsIdentChar(header[nameStart - 1])) --nameStart;
      Function function;
      function.name = header.substr(nameStart, nameEnd - nameStart);
      for (const std::string& parameter : SplitTopLevel(header.substr(open + 1, close - open - 1), ',')) {
        std::string p = Trim(parameter.substr(0, parameter.find('=')));
        size_t end = p.size();
        while (end > 0 && (p[end - 1] == ']' || p[end - 1] == '[' || std::isdigit(static_cast<unsigned char>(p[end - 1]))))
          --end;  // an array parameter's brackets
        size_t start = end;
        while (start > 0 && IsIdentChar(p[start - 1])) --start;
        function.parameters.push_back(p.substr(start, end - start));
      }
      function.bodyStart = i;
      function.bodyEnd = MatchClose(t, i);
      if (function.bodyEnd == std::string::npos) return;
      file.functions.push_back(function);
      i = function.bodyEnd;
      headerStart = i + 1;
    }
  }
}

// File-level "const char name[] = "..."", "const char* name = "..."" and "constexpr char
// name[] = "..."" constants.
void FindConstants(File& file) {
  const std::string& t = file.text;
  for (size_t at = t.find("const"); at != std::string::npos; at = t.find("const", at + 1)) {
    size_t word = t.compare(at, 9, "constexpr") == 0 ? 9 : 5;
    if ((at > 0 && IsIdentChar(t[at - 1])) || t.compare(at + word, 5, " char") != 0) continue;
    bool inFunction = std::any_of(file.functions.begin(), file.functions.end(),
                                  [&](const Function& f) { return at > f.bodyStart && at < f.bodyEnd; });
    if (inFunction) continue;
    size_t end = t.find(';', at);
    if (end == std::string::npos) break;
    std::string statement = t.substr(at, end - at);
    size_t equals = statement.find('=');
    if (equals == std::string::npos) continue;
    std::string left = Trim(statement.substr(word + 5, equals - word - 5));
    std::string name;
    for (char c : left)
      if (IsIdentChar(c)) name += c; else name.clear();
    // "name[]" leaves the last identifier empty; take the one before the brackets.
    if (name.empty()) {
      size_t bracket = left.find('[');
      std::string before = Trim(left.substr(0, bracket));
      size_t start = before.size();
      while (start > 0 && IsIdentChar(before[start - 1])) --start;
      name = before.substr(start);
    }
    std::string right = Trim(statement.substr(equals + 1));
    if (!name.empty() && !right.empty() && right[0] == '"')
      file.constants[name] = Unescape(right.substr(1, SkipQuoted(right, 0) - 2));
  }
}

struct Call {
  const File* file;
  const Function* function;
  size_t at;
  std::vector<std::string> arguments;
};

std::vector<Call> CallsOf(const std::vector<File>& files, const std::string& name) {
  std::vector<Call> calls;
  for (const File& file : files) {
    for (const Function& function : file.functions) {
      const std::string& t = file.text;
      for (size_t at = t.find(name, function.bodyStart); at != std::string::npos && at < function.bodyEnd;
           at = t.find(name, at + 1)) {
        if (at > 0 && IsIdentChar(t[at - 1])) continue;
        size_t open = at + name.size();
        while (open < t.size() && IsSpace(t[open])) ++open;
        if (open >= t.size() || t[open] != '(') continue;
        size_t close = MatchClose(t, open);
        if (close == std::string::npos) continue;
        calls.push_back({&file, &function, at, SplitTopLevel(t.substr(open + 1, close - open - 1), ',')});
      }
    }
  }
  return calls;
}

// The statements of a function body, nested blocks' included: cut at semicolons and braces
// outside brackets and literals (so a for loop's header stays whole).
std::vector<std::string> Statements(const std::string& body) {
  std::vector<std::string> statements;
  int depth = 0;
  size_t start = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    if (StepOverNesting(body, i, depth, false)) continue;
    char c = body[i];
    if (depth == 0 && (c == ';' || c == '{' || c == '}')) {
      statements.push_back(body.substr(start, i - start));
      start = i + 1;
    }
  }
  statements.push_back(body.substr(start));
  return statements;
}

bool HasLetter(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; });
}

// While a text is being worked out it is one string in which kGap stands for an unknown text.
const char kGap = '\x01';

MessageText ToMessage(const std::string& marked) {
  MessageText m;
  m.startsFixed = marked.empty() || marked.front() != kGap;
  m.endsFixed = marked.empty() || marked.back() != kGap;
  std::string part;
  for (char c : marked) {
    if (c != kGap) {
      part += c;
    } else if (!part.empty()) {
      m.parts.push_back(part);
      part.clear();
    }
  }
  if (!part.empty() || marked.empty()) m.parts.push_back(part);
  return m;
}

// A printf format with its conversions made unknown texts.
std::string FormatGaps(const std::string& format) {
  std::string out;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
    } else if (i + 1 < format.size() && format[i + 1] == '%') {
      out += '%';
      ++i;
    } else {
      ++i;
      while (i < format.size() && std::strchr("-+ #0123456789.*hlL", format[i])) ++i;
      out += kGap;  // the conversion letter at i is dropped
    }
  }
  return out;
}

// A statement under if, while, switch or for: the bracket's own statements (a declaration in
// a condition assigns too), then the statement it governs.
std::vector<std::string> Unfold(const std::string& statement) {
  std::string s = Trim(statement);
  if (s.compare(0, 4, "else") == 0 && (s.size() == 4 || !IsIdentChar(s[4]))) return Unfold(s.substr(4));
  // A case label before the statement: "case X:", "case A::B:", "default:".
  if ((s.compare(0, 4, "case") == 0 && s.size() > 4 && !IsIdentChar(s[4])) ||
      (s.compare(0, 7, "default") == 0 && s.size() > 7 && !IsIdentChar(s[7]))) {
    for (size_t i = 4; i < s.size(); ++i) {
      if (s[i] == '"' || s[i] == '\'') {
        i = SkipQuoted(s, i) - 1;
      } else if (s[i] == ':' && i + 1 < s.size() && s[i + 1] == ':') {
        ++i;
      } else if (s[i] == ':') {
        return Unfold(s.substr(i + 1));
      }
    }
  }
  for (const char* word : {"if", "while", "switch", "for"}) {
    size_t length = std::strlen(word);
    if (s.compare(0, length, word) != 0 || (s.size() > length && IsIdentChar(s[length]))) continue;
    size_t open = s.find_first_not_of(" \t\r\n", length);
    if (open == std::string::npos || s[open] != '(') break;
    size_t close = MatchClose(s, open);
    if (close == std::string::npos) break;
    std::vector<std::string> out;
    for (const std::string& inner : Statements(s.substr(open + 1, close - open - 1))) out.push_back(Trim(inner));
    for (const std::string& rest : Unfold(s.substr(close + 1))) out.push_back(rest);
    return out;
  }
  return {s};
}

// The top-level "?" of a choice and its ":" (a "::" is a scope, not a branch), or npos.
std::pair<size_t, size_t> ChoiceAt(const std::string& e) {
  int depth = 0, pending = 0;
  size_t question = std::string::npos;
  for (size_t i = 0; i < e.size(); ++i) {
    if (StepOverNesting(e, i, depth)) continue;
    char c = e[i];
    if (depth == 0 && c == '?') {
      if (question == std::string::npos) question = i;
      ++pending;
    } else if (depth == 0 && c == ':') {
      if (i + 1 < e.size() && e[i + 1] == ':') {
        ++i;
      } else if (pending > 0 && --pending == 0) {
        return {question, i};
      }
    }
  }
  return {std::string::npos, std::string::npos};
}

// Splits at top-level "+" signs (not "++" or "+=").
std::vector<std::string> SplitJoins(const std::string& e) { return SplitTopLevel(e, '+'); }

const int kMaxDepth = 10;
const size_t kMaxAlternatives = 256;

class Resolver {
 public:
  Resolver(const File& file, const Function& function, size_t before) : file(file), function(function), before(before) {}

  // The texts an expression can stand for, each with kGap for its unknown parts.
  std::vector<std::string> Resolve(const std::string& expression, int depth = 0) const {
    std::string e = Trim(expression);
    if (depth > kMaxDepth) return {std::string(1, kGap)};
    auto [question, colon] = ChoiceAt(e);
    if (question != std::string::npos) {
      std::vector<std::string> all = Resolve(e.substr(question + 1, colon - question - 1), depth + 1);
      std::vector<std::string> other = Resolve(e.substr(colon + 1), depth + 1);
      all.insert(all.end(), other.begin(), other.end());
      return all;
    }
    // Literals, constants, variables and calls joined by +: every combination of what each
    // can be.
    std::vector<std::string> texts = {""};
    for (const std::string& operand : SplitJoins(e)) {
      if (Trim(operand).empty()) continue;
      std::vector<std::string> next;
      for (const std::string& tail : Operand(Trim(operand), depth))
        for (const std::string& head : texts)
          if (next.size() < kMaxAlternatives) next.push_back(head + tail);
      texts = next;
    }
    return texts;
  }

 private:
  std::vector<std::string> Operand(const std::string& o, int depth) const {
    const std::vector<std::string> unknown = {std::string(1, kGap)};
    if (o.empty()) return unknown;
    const std::string cstr = ".c_str()";
    if (o.size() > cstr.size() && o.compare(o.size() - cstr.size(), cstr.size(), cstr) == 0)
      return Operand(Trim(o.substr(0, o.size() - cstr.size())), depth);
    if (o[0] == '(' && MatchClose(o, 0) == o.size() - 1) return Resolve(o.substr(1, o.size() - 2), depth + 1);
    if (o[0] == '"') {  // adjacent literals are one
      std::string text;
      for (size_t i = 0; i < o.size();) {
        if (IsSpace(o[i])) {
          ++i;
        } else if (o[i] == '"') {
          size_t end = SkipQuoted(o, i);
          text += Unescape(o.substr(i + 1, end - i - 2));
          i = end;
        } else {
          return unknown;
        }
      }
      return {text};
    }
    std::string variable = VariableOf(o);
    if (!variable.empty()) {
      auto constant = file.constants.find(variable);
      if (constant != file.constants.end()) return {constant->second};
      std::vector<std::string> assigned = Assignments(variable, depth + 1);
      return assigned.empty() ? unknown : assigned;
    }
    // A call: std::string(text) is the text; a function of this file is what it returns.
    size_t open = o.find('(');
    if (open == std::string::npos || MatchClose(o, open) != o.size() - 1) return unknown;
    std::string name = Trim(o.substr(0, open));
    std::vector<std::string> arguments = SplitTopLevel(o.substr(open + 1, o.size() - open - 2), ',');
    if (name == "std::string") {
      if (arguments.size() == 1 && Trim(arguments[0]).empty()) return {""};
      return arguments.size() == 1 ? Resolve(arguments[0], depth + 1) : unknown;
    }
    if (!IsIdentifier(name)) return unknown;
    std::vector<std::string> returned = Returns(name, depth + 1);
    return returned.empty() ? unknown : returned;
  }

  // What a function of this file returns, when each text it can return has words of ours;
  // nothing when it may return a text the sources do not fix (the system's, say), which then
  // counts as unknown. A null pointer returned is no text.
  std::vector<std::string> Returns(const std::string& name, int depth) const {
    std::vector<std::string> all;
    bool any = false;
    for (const Function& callee : file.functions) {
      if (callee.name != name) continue;
      any = true;
      std::string body = file.text.substr(callee.bodyStart + 1, callee.bodyEnd - callee.bodyStart - 1);
      for (const std::string& raw : Statements(body)) {
        for (const std::string& statement : Unfold(raw)) {
          if (statement.compare(0, 6, "return") != 0 || (statement.size() > 6 && IsIdentChar(statement[6]))) continue;
          std::string value = Trim(statement.substr(6));
          if (value.empty() || value == "nullptr" || value == "NULL" || value == "0") continue;
          for (const std::string& text : Resolver(file, callee, callee.bodyEnd).Resolve(value, depth)) {
            if (!HasLetter(text)) return {};
            all.push_back(text);
          }
        }
      }
    }
    return any ? all : std::vector<std::string>();
  }

  // What the function assigns or prints into the variable before the point of the call. A
  // text appended with += is a text of its own, after an unknown one; what it is appended to
  // then goes on with an unknown text.
  std::vector<std::string> Assignments(const std::string& variable, int depth) const {
    std::vector<std::string> found, appended;
    const std::string& t = file.text;
    std::string body = t.substr(function.bodyStart + 1, before - function.bodyStart - 1);
    for (const std::string& raw : Statements(body)) {
      for (const std::string& statement : Unfold(raw)) {
        for (const char* printer : {"wsprintfA", "sprintf", "snprintf"}) {
          std::string p = printer;
          if (statement.compare(0, p.size(), p) != 0) continue;
          size_t open = statement.find('(');
          size_t close = MatchClose(statement, open);
          if (open == std::string::npos || close == std::string::npos) continue;
          std::vector<std::string> arguments = SplitTopLevel(statement.substr(open + 1, close - open - 1), ',');
          size_t formatIndex = p == "snprintf" ? 2 : 1;
          if (arguments.size() <= formatIndex || Trim(arguments[0]) != variable) continue;
          for (const std::string& format : Resolve(arguments[formatIndex], depth + 1)) found.push_back(FormatGaps(format));
        }
        // "variable = ...", "type variable = ..." (not ==, <=, >=, !=) or "variable += ...".
        size_t at = 0;
        while ((at = statement.find(variable, at)) != std::string::npos) {
          size_t end = at + variable.size();
          bool whole = (at == 0 || !IsIdentChar(statement[at - 1])) && (end == statement.size() || !IsIdentChar(statement[end]));
          size_t equals = end;
          while (equals < statement.size() && IsSpace(statement[equals])) ++equals;
          bool append = whole && statement.compare(equals, 2, "+=") == 0;
          if (append) ++equals;
          if (whole && equals < statement.size() && statement[equals] == '=' &&
              (equals + 1 == statement.size() || statement[equals + 1] != '=')) {
            for (const std::string& text : Resolve(statement.substr(equals + 1), depth + 1)) {
              if (append) appended.push_back(kGap + text);
              else found.push_back(text);
            }
            break;
          }
          at = end;
        }
      }
    }
    if (!appended.empty()) {
      for (std::string& text : found)
        if (text.empty() || text.back() != kGap) text += kGap;
      found.insert(found.end(), appended.begin(), appended.end());
    }
    return found;
  }

  const File& file;
  const Function& function;
  size_t before;
};

// The fixed parts of an entry's message, split at its <...> placeholders.
std::vector<std::string> EntryParts(const std::string& message) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < message.size(); ++i) {
    size_t close = message[i] == '<' ? message.find('>', i) : std::string::npos;
    if (close != std::string::npos) {
      parts.emplace_back();
      i = close;
    } else {
      parts.back() += message[i];
    }
  }
  for (std::string& part : parts) part = Trim(part);
  return parts;
}

}  // namespace

std::string Normalise(const std::string& text) {
  std::string out;
  bool space = false;
  for (char c : text) {
    if (IsSpace(c)) {
      space = true;
      continue;
    }
    if (space && !out.empty()) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

std::vector<MessageText> ProgramMessages(const std::vector<std::string>& folders) {
  std::vector<File> files;
  for (const std::string& folder : folders) {
    std::vector<std::filesystem::path> paths, headers;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      if (entry.path().extension() == ".cpp") paths.push_back(entry.path());
      if (entry.path().extension() == ".h") headers.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    std::sort(headers.begin(), headers.end());
    // A constant of a header in the folder (a caption shared by several files, say), or one
    // that another file of the folder defines for an extern declaration, is known in each
    // file that has none of that name itself; a name the folder gives two texts is not.
    std::map<std::string, std::string> shared;
    std::set<std::string> ambiguous;
    std::vector<File> folderFiles;
    for (const auto& path : headers) {
      File header;
      header.text = StripDirectives(StripComments(ReadFile(path.string())));
      FindFunctions(header);
      FindConstants(header);
      folderFiles.push_back(std::move(header));
    }
    size_t firstSource = folderFiles.size();
    for (const auto& path : paths) {
      File file;
      file.path = path.parent_path().filename().string() + "/" + path.filename().string();
      file.text = StripDirectives(StripComments(ReadFile(path.string())));
      FindFunctions(file);
      FindConstants(file);
      folderFiles.push_back(std::move(file));
    }
    for (const File& file : folderFiles) {
      for (const auto& [name, text] : file.constants) {
        auto known = shared.find(name);
        if (known == shared.end()) shared[name] = text;
        else if (known->second != text) ambiguous.insert(name);
      }
    }
    for (const std::string& name : ambiguous) shared.erase(name);
    for (size_t i = firstSource; i < folderFiles.size(); ++i) {
      folderFiles[i].constants.insert(shared.begin(), shared.end());
      files.push_back(std::move(folderFiles[i]));
    }
  }

  // The functions that show a text, with the index of its argument: MessageBoxA, and every
  // function that hands one of its parameters on as such a text.
  std::map<std::string, size_t> shows = {{"MessageBoxA", 1}};
  for (bool grew = true; grew;) {
    grew = false;
    for (auto [name, index] : std::map<std::string, size_t>(shows)) {
      for (const Call& call : CallsOf(files, name)) {
        if (call.arguments.size() <= index) continue;
        std::string variable = VariableOf(call.arguments[index]);
        const auto& parameters = call.function->parameters;
        auto parameter = std::find(parameters.begin(), parameters.end(), variable);
        if (variable.empty() || parameter == parameters.end() || shows.count(call.function->name)) continue;
        shows[call.function->name] = static_cast<size_t>(parameter - parameters.begin());
        grew = true;
      }
    }
  }

  std::vector<MessageText> messages;
  for (const auto& [name, index] : shows) {
    for (const Call& call : CallsOf(files, name)) {
      if (call.arguments.size() <= index) continue;
      std::string variable = VariableOf(call.arguments[index]);
      const auto& parameters = call.function->parameters;
      if (!variable.empty() && std::find(parameters.begin(), parameters.end(), variable) != parameters.end() &&
          shows.count(call.function->name))
        continue;  // a function that passes its caller's text on; its callers are covered
      Resolver resolver(*call.file, *call.function, call.at);
      for (const std::string& text : resolver.Resolve(call.arguments[index])) {
        MessageText message = ToMessage(text);
        for (std::string& part : message.parts) part = Normalise(part);
        message.where = call.file->path + ":" + std::to_string(LineOf(call.file->text, call.at));
        messages.push_back(message);
      }
    }
  }
  // A box shown from somewhere the reader did not look into (outside every function body it
  // found) is reported as such, so that it cannot go unseen.
  for (const File& file : files) {
    for (size_t at = file.text.find("MessageBoxA"); at != std::string::npos; at = file.text.find("MessageBoxA", at + 1)) {
      bool placed = std::any_of(file.functions.begin(), file.functions.end(),
                                [&](const Function& f) { return at > f.bodyStart && at < f.bodyEnd; });
      if (placed) continue;
      MessageText unread;
      unread.parts.push_back("a MessageBoxA call outside every function body this reader follows");
      unread.where = file.path + ":" + std::to_string(LineOf(file.text, at));
      messages.push_back(unread);
    }
  }

  // A variable assigned in several places gives every text it can hold; keep each text once
  // per place.
  std::sort(messages.begin(), messages.end(), [](const MessageText& a, const MessageText& b) {
    return a.where != b.where ? a.where < b.where : Describe(a) < Describe(b);
  });
  messages.erase(std::unique(messages.begin(), messages.end(),
                             [](const MessageText& a, const MessageText& b) {
                               return a.where == b.where && Describe(a) == Describe(b);
                             }),
                 messages.end());
  return messages;
}

std::vector<TableEntry> TableEntries(const std::string& readmeText) {
  std::vector<TableEntry> entries;
  std::istringstream in(readmeText);
  std::string line, title;
  int number = 0;
  TableEntry* open = nullptr;
  std::string text;
  auto finish = [&]() {
    if (open) open->message = Normalise(text);
    open = nullptr;
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (open && !line.empty() && IsSpace(line[0])) {
      text += "\n" + line;
      continue;
    }
    if (open && line.empty()) {
      text += "\n";  // a blank line inside a message; the next indented line goes on with it
      continue;
    }
    finish();
    if (line.compare(0, 6, "Title:") == 0) {
      title = Trim(line.substr(6));
    } else if (line.compare(0, 8, "Message:") == 0) {
      entries.push_back({title, "", number});
      open = &entries.back();
      text = line.substr(8);
    }
  }
  finish();
  return entries;
}

bool Explains(const TableEntry& entry, const MessageText& message) {
  // Each fixed part of the program's text must be found, in order, in the entry's message
  // with the entry's placeholders removed, or lie within a placeholder when the program's
  // part is a gap there. Simplest sound form: search the parts in order in the entry's text,
  // where a part may also be skipped over a placeholder only if it has no letters.
  size_t at = 0;
  for (const std::string& part : message.parts) {
    std::string p = Trim(part);
    if (!HasLetter(p)) continue;
    size_t found = entry.message.find(p, at);
    if (found == std::string::npos) return false;
    at = found + p.size();
  }
  return true;
}

bool Matches(const TableEntry& entry, const std::string& shownText) {
  std::string text = Normalise(shownText);
  std::vector<std::string> parts = EntryParts(entry.message);
  if (parts.size() == 1) return text == parts[0];
  if (text.compare(0, parts.front().size(), parts.front()) != 0) return false;
  size_t at = parts.front().size();
  for (size_t i = 1; i + 1 < parts.size(); ++i) {
    if (parts[i].empty()) continue;
    size_t found = text.find(parts[i], at);
    if (found == std::string::npos) return false;
    at = found + parts[i].size();
  }
  const std::string& last = parts.back();
  return text.size() >= at + last.size() && text.compare(text.size() - last.size(), last.size(), last) == 0;
}

bool IsWildcard(const TableEntry& entry) {
  for (const std::string& part : EntryParts(entry.message))
    if (HasLetter(part)) return false;
  return true;
}

bool Produces(const MessageText& message, const std::string& shownText) {
  if (std::none_of(message.parts.begin(), message.parts.end(), HasLetter)) return false;
  std::string text = Normalise(shownText);
  size_t at = 0;
  for (size_t i = 0; i < message.parts.size(); ++i) {
    std::string part = Trim(message.parts[i]);
    bool first = i == 0, last = i + 1 == message.parts.size();
    if (first && message.startsFixed) {
      if (text.compare(0, part.size(), part) != 0) return false;
      at = part.size();
    } else if (last && message.endsFixed) {
      return text.size() >= at + part.size() && text.compare(text.size() - part.size(), part.size(), part) == 0;
    } else {
      size_t found = text.find(part, at);
      if (found == std::string::npos) return false;
      at = found + part.size();
    }
  }
  return !message.endsFixed ? true : at == text.size();
}

std::string Describe(const MessageText& message) {
  std::string out = message.startsFixed ? "" : "<...>";
  for (size_t i = 0; i < message.parts.size(); ++i) {
    if (i > 0) out += "<...>";
    out += message.parts[i];
  }
  if (!message.endsFixed && !message.parts.empty()) out += "<...>";
  return "\"" + out + "\"";
}

}  // namespace readme
