#include "platform/message_box.h"

#include <windows.h>

#include <string>

#include "foundation/utf8.h"

namespace {

std::wstring Wide(const char* utf8) {
  std::u16string text = Utf8ToUtf16(utf8 ? utf8 : "");
  return std::wstring(text.begin(), text.end());
}

}  // namespace

// The wide box shows every character whatever the system's code page; MessageBoxA would
// turn what the code page lacks into "?".
int AskUser(const char* text, const char* caption, unsigned style) {
  std::wstring wide_text = Wide(text), wide_caption = Wide(caption);
  int answer = MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(), style);
  // Right after a cold wineserver start the first box can fail at once; one retry is enough.
  if (answer <= 0) answer = MessageBoxW(nullptr, wide_text.c_str(), wide_caption.c_str(), style);
  // Still nothing: there is no display to show a box on.
  return answer > 0 ? answer : 0;
}
