#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

uint32_t LastSystemError() { return static_cast<uint32_t>(errno); }

void SetLastSystemError(uint32_t code) { errno = static_cast<int>(code); }

std::string SystemErrorText(uint32_t code) { return std::strerror(static_cast<int>(code)); }
