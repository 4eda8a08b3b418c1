#include "platform/code_page.h"

#include <windows.h>

#include "foundation/utf8.h"

unsigned SystemCodePage() { return GetACP(); }

std::string AnsiToUtf8(std::string_view text) {
  const unsigned cp = GetACP();
  if (cp == CP_UTF8) return SanitizeUtf8(text);
  // One character at a time with MB_ERR_INVALID_CHARS: Windows would otherwise map a bad
  // double-byte pair to a look-alike character instead of U+FFFD.
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    int n = IsDBCSLeadByteEx(cp, static_cast<BYTE>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
    wchar_t wide[2];
    int got = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, text.data() + pos, n, wide, 2);
    if (got <= 0 || (got == 1 && wide[0] == 0 && text[pos] != 0)) {
      AppendUtf8(out, kReplacementCharacter);
    } else {
      for (int i = 0; i < got; ++i) AppendUtf8(out, wide[i]);
    }
    pos += n;
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view text) {
  const unsigned cp = GetACP();
  std::string clean = SanitizeUtf8(text);
  if (cp == CP_UTF8 || clean.empty()) return clean;
  int wide_len =
      MultiByteToWideChar(CP_UTF8, 0, clean.data(), static_cast<int>(clean.size()), nullptr, 0);
  std::wstring wide(wide_len, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, clean.data(), static_cast<int>(clean.size()), wide.data(),
                      wide_len);
  int len = WideCharToMultiByte(cp, 0, wide.data(), wide_len, nullptr, 0, "?", nullptr);
  std::string out(len, '\0');
  WideCharToMultiByte(cp, 0, wide.data(), wide_len, out.data(), len, "?", nullptr);
  return out;
}
