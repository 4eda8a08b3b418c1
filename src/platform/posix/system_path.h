#ifndef UPDATER_PLATFORM_POSIX_SYSTEM_PATH_H_
#define UPDATER_PLATFORM_POSIX_SYSTEM_PATH_H_

#include <string>

// The core's backslash path as a Linux path. Only real separators change: with a
// double-byte code page the second byte of a character may equal the backslash.
std::string ToSystemPath(const char* path);

// A Linux path in the core's form: every slash becomes a backslash.
std::string FromSystemPath(const std::string& path);

#endif  // UPDATER_PLATFORM_POSIX_SYSTEM_PATH_H_
