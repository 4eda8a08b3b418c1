#ifndef UPDATER_PLATFORM_SHELL_OPERATION_H_
#define UPDATER_PLATFORM_SHELL_OPERATION_H_

#include <cstddef>

// The shell's file operations, with SHFileOperationA's wFunc values.
constexpr unsigned kShellMove = 1;
constexpr unsigned kShellCopy = 2;
constexpr unsigned kShellDelete = 3;
constexpr unsigned kShellRename = 4;

constexpr size_t kShellBufferSize = 260;

// One request, in the buffers the shell reads: from and to are lists of paths, each ended
// by a NUL and the list by an empty path (a zero-filled buffer gives that); the title is
// one NUL-terminated text.
struct ShellRequest {
  unsigned function = 0;
  char from[kShellBufferSize] = {};
  char to[kShellBufferSize] = {};
  char title[kShellBufferSize] = {};
};

// Runs the operation without asking anything (no confirmation of replacing files or of
// making folders) and shows its progress under the title. Returns 0 on success, otherwise
// a nonzero code (also for an unknown function). What was done before a failure stays.
//
// Windows: SHFileOperationA, which shows its own error dialogs. Linux: the first path of
// from and of to, with the shell's rules: the last item of from may hold "*" and "?"; a
// folder goes with everything in it; a copy or move into a path that does not exist makes
// it (and its missing parents): one entry takes that name, several (a pattern matching
// more than one) go into it as a folder, and an existing folder receives them; existing
// files are replaced, read-only ones too; delete removes read-only files too; rename stays
// within the folder and never replaces. A missing source, a pattern matching nothing (but
// for delete, which then succeeds), a destination inside the source, and every entry that
// cannot be handled are failures. On a terminal, a progress line on standard error.
int RunShellOperation(const ShellRequest& request);

#endif  // UPDATER_PLATFORM_SHELL_OPERATION_H_
