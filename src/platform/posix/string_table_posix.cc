#include "platform/string_table.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/code_page.h"

namespace {

struct Message {
  unsigned id;
  const char* utf8;
};

constexpr Message kMessages[] = {
#define MESSAGE(id, text) {id, text},
#include "messages_table.inc"
#undef MESSAGE
};

}  // namespace

int LoadStringTemplate(unsigned id, char* buffer, int size) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  for (const Message& m : kMessages) {
    if (m.id != id) continue;
    std::string text = Utf8ToAnsi(m.utf8);
    // Like LoadStringA: cut to the buffer, never past it.
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
  }
  return 0;
}
