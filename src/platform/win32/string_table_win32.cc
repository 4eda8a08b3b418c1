#include "platform/string_table.h"

#include <windows.h>

int LoadStringTemplate(unsigned id, char* buffer, int size) {
  if (size <= 0) return 0;
  buffer[0] = '\0';
  return LoadStringA(GetModuleHandleA(nullptr), id, buffer, size);
}
