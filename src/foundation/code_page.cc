#include "foundation/code_page.h"

#include <cstring>

#include "platform/code_page.h"

namespace {

unsigned code_page = 0;  // 0: not read from the system yet.

}  // namespace

unsigned CodePage() {
  if (code_page == 0) code_page = SystemCodePage();
  return code_page;
}

void SetCodePage(unsigned cp) { code_page = cp; }

bool IsLeadByte(unsigned char c) {
  switch (CodePage()) {
    case 932:
      return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
      return c >= 0x81 && c <= 0xFE;
    default:
      return false;
  }
}

int CharLength(const char* p) {
  return IsLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0' ? 2 : 1;
}

const char* SearchText(const char* text, const char* pattern) {
  size_t length = std::strlen(pattern);
  if (length == 0) return nullptr;
  for (const char* p = text; *p != '\0'; p += CharLength(p)) {
    if (std::strncmp(p, pattern, length) == 0) return p;
  }
  return nullptr;
}
