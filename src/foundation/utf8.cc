#include "foundation/utf8.h"

void AppendUtf8(std::string& out, char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

size_t DecodeUtf8(std::string_view text, size_t pos, char32_t* c) {
  if (pos >= text.size()) return 0;
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char b0 = byte(pos);
  *c = kReplacementCharacter;
  if (b0 < 0x80) {
    *c = b0;
    return 1;
  }
  size_t n;
  char32_t value, min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2, value = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3, value = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4, value = b0 & 0x07, min = 0x10000;
  } else {
    return 1;
  }
  if (pos + n > text.size()) return 1;
  for (size_t i = 1; i < n; ++i) {
    unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) return 1;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 1;
  *c = value;
  return n;
}

std::string SanitizeUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  char32_t c;
  for (size_t pos = 0, n; (n = DecodeUtf8(text, pos, &c)) != 0; pos += n) AppendUtf8(out, c);
  return out;
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  char32_t c;
  for (size_t pos = 0, n; (n = DecodeUtf8(text, pos, &c)) != 0; pos += n) AppendUtf16(out, c);
  return out;
}

size_t Utf16Length(std::string_view utf8) {
  size_t units = 0;
  char32_t c;
  for (size_t pos = 0, n; (n = DecodeUtf8(utf8, pos, &c)) != 0; pos += n) {
    units += c >= 0x10000 ? 2 : 1;
  }
  return units;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) c = kReplacementCharacter;
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
  }
}

size_t DecodeUtf16(std::u16string_view text, size_t pos, char32_t* c) {
  if (pos >= text.size()) return 0;
  const char32_t first = text[pos];
  if (first < 0xD800 || first > 0xDFFF) {
    *c = first;
    return 1;
  }
  if (first <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 &&
      text[pos + 1] <= 0xDFFF) {
    *c = 0x10000 + ((first - 0xD800) << 10) + (text[pos + 1] - 0xDC00);
    return 2;
  }
  *c = kReplacementCharacter;
  return 1;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  char32_t c;
  for (size_t pos = 0, n; (n = DecodeUtf16(text, pos, &c)) != 0; pos += n) AppendUtf8(out, c);
  return out;
}
