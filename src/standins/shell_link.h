#ifndef UPDATER_STANDINS_SHELL_LINK_H_
#define UPDATER_STANDINS_SHELL_LINK_H_

// The shell link (.lnk) binary format, as far as the updater's shortcuts use it: a header
// with the window state, a link info block naming the target by its local path, and the
// working folder and arguments as UTF-16 strings.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/shortcut.h"

// Header flags (LinkFlags).
constexpr uint32_t kLinkHasTargetIdList = 0x01;
constexpr uint32_t kLinkHasLinkInfo = 0x02;
constexpr uint32_t kLinkHasName = 0x04;
constexpr uint32_t kLinkHasRelativePath = 0x08;
constexpr uint32_t kLinkHasWorkingDir = 0x10;
constexpr uint32_t kLinkHasArguments = 0x20;
constexpr uint32_t kLinkHasIconLocation = 0x40;
constexpr uint32_t kLinkIsUnicode = 0x80;

struct ShellLink {
  std::string target_ansi;     // the local path in the ANSI code page, as stored
  std::string target;          // the local path as UTF-8 (Unicode copy); "" when absent
  std::string working_folder;  // UTF-8
  std::string arguments;       // UTF-8
  uint32_t show_command = kShowNormal;
  uint32_t flags = 0;  // set by ReadShellLink
};

// The bytes of a shortcut to link.target_ansi (local path) and link.target (its Unicode
// form), with the working folder and the arguments (each left out when empty) and the show
// command. link.flags is not used.
std::string WriteShellLink(const ShellLink& link);

// Reads a shortcut written by WriteShellLink or by the Windows shell (a target ID list and
// other optional parts are skipped). False for bytes that are not a well-formed shortcut
// or lack a local path; strings the file lacks are "".
bool ReadShellLink(std::string_view bytes, ShellLink* link);

#endif  // UPDATER_STANDINS_SHELL_LINK_H_
