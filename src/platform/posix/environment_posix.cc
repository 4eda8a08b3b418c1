#include "platform/environment.h"

#include <cstdlib>

void SetEnvironmentValue(const char* name, const char* value) {
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}
