#ifndef UPDATER_FOUNDATION_UTF8_H_
#define UPDATER_FOUNDATION_UTF8_H_

#include <cstdint>
#include <string>
#include <string_view>

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Appends code point c as UTF-8 (U+FFFD for surrogates and values past U+10FFFF).
void AppendUtf8(std::string& out, char32_t c);

// Decodes one UTF-8 character at text[pos]. Returns its length (0 at the end of the text)
// and sets *c; an ill-formed sequence (overlong, surrogate, truncated) has length 1 and
// gives U+FFFD.
size_t DecodeUtf8(std::string_view text, size_t pos, char32_t* c);

// The text with every ill-formed byte replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view text);

// The text in UTF-16, ill-formed bytes as U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

// UTF-16 units of UTF-8 text: the size of Utf8ToUtf16(utf8), without building it.
size_t Utf16Length(std::string_view utf8);

// Appends code point c as UTF-16: one unit, or a surrogate pair past U+FFFF (U+FFFD for
// surrogates and values past U+10FFFF).
void AppendUtf16(std::u16string& out, char32_t c);

// Decodes one UTF-16 character at text[pos]. Returns its length in units (0 at the end of
// the text) and sets *c; a surrogate that is not part of a pair has length 1 and gives
// U+FFFD.
size_t DecodeUtf16(std::u16string_view text, size_t pos, char32_t* c);

// The text in UTF-8, unpaired surrogates as U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

#endif  // UPDATER_FOUNDATION_UTF8_H_
