#include "foundation/command_line.h"

#include <string_view>

#include "foundation/code_page.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }

}  // namespace

const char* SkipProgramName(const char* p) {
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && !IsBlank(*p)) ++p;
  }
  while (IsBlank(*p)) ++p;
  return p;
}

bool IsLoneWord(const char* p, std::string_view word) {
  while (IsBlank(*p)) ++p;
  std::string_view rest(p);
  if (!rest.starts_with(word)) return false;
  for (char c : rest.substr(word.size())) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

bool IsVersionRequest(const char* command_line) { return IsLoneWord(command_line, "--version"); }

std::string JoinWindowsArguments(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& arg : arguments) {
    if (&arg != &arguments.front()) line += ' ';
    bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    if (quote) line += '"';
    size_t backslashes = 0;
    // Whole characters, as the splitter reads them: the second byte of a double-byte
    // character may be a backslash, which is then no escape.
    for (const char* p = arg.c_str(); p < arg.c_str() + arg.size(); p += CharLength(p)) {
      if (*p == '\\') {
        ++backslashes;
        continue;
      }
      // Backslashes are literal unless a quote follows them.
      line.append(*p == '"' ? backslashes * 2 + 1 : backslashes, '\\');
      backslashes = 0;
      line.append(p, CharLength(p));
    }
    line.append(quote ? backslashes * 2 : backslashes, '\\');
    if (quote) line += '"';
  }
  return line;
}

std::vector<std::string> SplitWindowsArguments(const char* p) {
  auto is_space = [](char c) { return c == ' ' || c == '\t'; };
  // Copies one whole character.
  auto take = [&p](std::string& out) {
    int length = CharLength(p);
    out.append(p, length);
    p += length;
  };
  std::vector<std::string> arguments(1);
  if (*p == '"') {
    for (++p; *p && *p != '"';) take(arguments.front());
    if (*p == '"') ++p;
  } else {
    while (*p && !is_space(*p)) take(arguments.front());
  }
  while (is_space(*p)) ++p;
  if (!*p) return arguments;

  arguments.emplace_back();
  int quotes = 0;  // odd: inside a quoted part
  size_t backslashes = 0;
  while (*p) {
    std::string& arg = arguments.back();
    if (is_space(*p) && quotes == 0) {
      while (is_space(*p)) ++p;
      if (*p) arguments.emplace_back();
      backslashes = 0;
    } else if (*p == '\\') {
      arg += *p++;
      ++backslashes;
    } else if (*p == '"') {
      // The backslashes before a quote were copied as they came; half of them stay.
      arg.resize(arg.size() - (backslashes + 1) / 2);
      if (backslashes % 2 == 0) {
        ++quotes;
      } else {
        arg += '"';
      }
      backslashes = 0;
      for (++p; *p == '"'; ++p) {
        if (++quotes == 3) {
          arg += '"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    } else {
      take(arg);
      backslashes = 0;
    }
  }
  return arguments;
}
