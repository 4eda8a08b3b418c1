#ifndef UPDATER_FOUNDATION_WILDCARD_H_
#define UPDATER_FOUNDATION_WILDCARD_H_

// Whether a file name matches a pattern of the last path item as Windows matches it: "*"
// any run of characters, "?" one character, ASCII letters without regard to case, "*.*"
// everything (also names without a dot), and a final "." also matching names without one.
// Double-byte characters of the code page in use count as one character.
bool MatchesWildcard(const char* name, const char* pattern);

// Whether a path item holds "*" or "?".
bool HasWildcard(const char* item);

#endif  // UPDATER_FOUNDATION_WILDCARD_H_
