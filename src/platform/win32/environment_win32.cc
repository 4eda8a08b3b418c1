#include "platform/environment.h"

#include <stdlib.h>

// _putenv_s, not SetEnvironmentVariableA: the C runtime's getenv keeps its own copy.
void SetEnvironmentValue(const char* name, const char* value) {
  _putenv_s(name, value ? value : "");
}
