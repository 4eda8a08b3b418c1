#include "platform/message_box.h"

#include <windows.h>

int AskUser(const char* text, const char* caption, unsigned style) {
  int answer = MessageBoxA(nullptr, text, caption, style);
  // Right after a cold wineserver start the first box can fail at once; one retry is enough.
  if (answer <= 0) answer = MessageBoxA(nullptr, text, caption, style);
  // Still nothing: there is no display to show a box on.
  return answer > 0 ? answer : 0;
}
