#ifndef UPDATER_FOUNDATION_ASCII_H_
#define UPDATER_FOUNDATION_ASCII_H_

// ASCII letter case and hexadecimal digits, the same in every locale. Names the core
// compares (script words, profile, registry and file names) ignore ASCII letter case
// only; the C library's case functions follow the locale and would fold more.
//
// Every function here works unit by unit: a byte of a double-byte character that looks
// like an ASCII letter folds like one, so callers that must not fold second bytes step
// over whole characters themselves.

#include <string>
#include <string_view>
#include <type_traits>

// c with A-Z turned to a-z; every other value unchanged.
template <typename Char>
requires std::is_integral_v<Char>
constexpr Char AsciiToLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c + ('a' - 'A')) : c;
}

// c with a-z turned to A-Z; every other value unchanged.
template <typename Char>
requires std::is_integral_v<Char>
constexpr Char AsciiToUpper(Char c) {
  return c >= 'a' && c <= 'z' ? static_cast<Char>(c - ('a' - 'A')) : c;
}

namespace ascii_internal {

template <typename Char>
constexpr bool EqualFold(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiToLower(a[i]) != AsciiToLower(b[i])) return false;
  }
  return true;
}

template <typename Char>
std::basic_string<Char> Lowered(std::basic_string_view<Char> text) {
  std::basic_string<Char> out(text);
  for (Char& c : out) c = AsciiToLower(c);
  return out;
}

}  // namespace ascii_internal

// Whether a and b have the same length and the same units once A-Z are folded.
constexpr bool AsciiEqualFold(std::string_view a, std::string_view b) {
  return ascii_internal::EqualFold(a, b);
}
constexpr bool AsciiEqualFold(std::u16string_view a, std::u16string_view b) {
  return ascii_internal::EqualFold(a, b);
}

// A copy of text with A-Z turned to a-z, for keys that must match like AsciiEqualFold.
inline std::string AsciiLowered(std::string_view text) { return ascii_internal::Lowered(text); }
inline std::u16string AsciiLowered(std::u16string_view text) {
  return ascii_internal::Lowered(text);
}

// The value of hexadecimal digit c (0-9, a-f, A-F), or -1 for any other byte.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

#endif  // UPDATER_FOUNDATION_ASCII_H_
