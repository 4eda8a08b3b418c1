#include "platform/code_page.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <string>

#include "foundation/ascii.h"
#include "foundation/utf8.h"

namespace {

struct LocaleCharset {
  unsigned code_page;
  std::string iconv_name;  // empty for UTF-8
};

const LocaleCharset& Charset() {
  static const LocaleCharset charset = [] {
    setlocale(LC_CTYPE, "");
    std::string name = nl_langinfo(CODESET);
    // ASCII folding: strcasecmp would follow the locale just set.
    if (AsciiEqualFold(name, "SHIFT_JIS") || AsciiEqualFold(name, "SJIS") ||
        AsciiEqualFold(name, "CP932") || AsciiEqualFold(name, "WINDOWS-31J")) {
      return LocaleCharset{932, "CP932"};
    }
    // The C locale's ASCII is treated as UTF-8, so Japanese messages survive a bare shell.
    if (AsciiEqualFold(name, "UTF-8") || AsciiEqualFold(name, "ANSI_X3.4-1968")) {
      return LocaleCharset{65001, ""};
    }
    return LocaleCharset{1252, name};
  }();
  return charset;
}

// Converts character by character, so that one bad byte costs one replacement only.
std::string Convert(std::string_view text, const char* to, const char* from, std::string_view bad) {
  std::string out;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  char buffer[64];
  size_t pos = 0;
  while (pos < text.size()) {
    bool done = false;
    // Try 1 to 4 input bytes as one character.
    for (size_t n = 1; n <= 4 && pos + n <= text.size() && !done; ++n) {
      char* in = const_cast<char*>(text.data() + pos);
      size_t in_left = n;
      char* o = buffer;
      size_t out_left = sizeof buffer;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &in, &in_left, &o, &out_left) != static_cast<size_t>(-1) && in_left == 0) {
        out.append(buffer, o - buffer);
        pos += n;
        done = true;
      } else if (errno != EINVAL) {
        break;
      }
    }
    if (!done) {
      out.append(bad);
      ++pos;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

unsigned SystemCodePage() { return Charset().code_page; }

std::string AnsiToUtf8(std::string_view text) {
  const LocaleCharset& charset = Charset();
  if (charset.iconv_name.empty()) return SanitizeUtf8(text);
  return Convert(text, "UTF-8", charset.iconv_name.c_str(), "\xEF\xBF\xBD");
}

std::string Utf8ToAnsi(std::string_view text) {
  const LocaleCharset& charset = Charset();
  if (charset.iconv_name.empty()) return std::string(text);
  return Convert(text, charset.iconv_name.c_str(), "UTF-8", "?");
}
