#include "foundation/wildcard.h"

#include <cstring>
#include <string>

#include "foundation/ascii.h"
#include "foundation/code_page.h"

namespace {

// Only single-byte letters fold: a double-byte character's second byte may be an ASCII
// letter (0x8341 and 0x8361 are two different katakana).
bool SameChar(const char* a, const char* b, size_t n) {
  return n == 1 ? AsciiToLower(a[0]) == AsciiToLower(b[0]) : a[0] == b[0] && a[1] == b[1];
}

// Iterative glob with backtracking to the last star: linear in practice, no recursion.
bool Match(const char* name, const char* pattern) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    size_t n = CharLength(name);
    if (*pattern == '*') {
      star = ++pattern;
      resume = name;
      continue;
    }
    size_t p = CharLength(pattern);
    if (*pattern && (*pattern == '?' || (p == n && SameChar(name, pattern, n)))) {
      name += n;
      pattern += *pattern == '?' ? 1 : p;
      continue;
    }
    if (!star) return false;
    pattern = star;
    resume += CharLength(resume);
    name = resume;
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

}  // namespace

bool HasWildcard(const char* item) { return std::strpbrk(item, "*?") != nullptr; }

bool MatchesWildcard(const char* name, const char* pattern) {
  std::string p = pattern;
  if (p == "*.*") return true;
  if (Match(name, p.c_str())) return true;
  // "name." also matches "name": Windows treats a final dot as an empty extension.
  if (!p.empty() && p.back() == '.' && std::strchr(name, '.') == nullptr) {
    p.pop_back();
    return Match(name, p.c_str());
  }
  return false;
}
