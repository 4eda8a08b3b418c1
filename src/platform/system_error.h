#ifndef UPDATER_PLATFORM_SYSTEM_ERROR_H_
#define UPDATER_PLATFORM_SYSTEM_ERROR_H_

#include <cstdint>
#include <string>

// The system's code for why the last platform call failed: GetLastError() on Windows,
// errno on Linux. Every platform call that reports failure (false, null, an invalid value)
// leaves its reason here, never 0; a call that succeeds may change it too, so read it right
// after the failure.
uint32_t LastSystemError();
void SetLastSystemError(uint32_t code);

// The system's own words for a code, on one line ("" when it has none).
std::string SystemErrorText(uint32_t code);

#endif  // UPDATER_PLATFORM_SYSTEM_ERROR_H_
