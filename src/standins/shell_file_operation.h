#ifndef UPDATER_STANDINS_SHELL_FILE_OPERATION_H_
#define UPDATER_STANDINS_SHELL_FILE_OPERATION_H_

#include "platform/shell_operation.h"

// Called with the path of each file before it is handled, as the shell's progress window
// names it.
using ShellProgress = void (*)(const char* path, void* context);

// The shell's file operation with its rules (RunShellOperation's contract), done with the
// platform's file calls; progress may be null. The Linux backend's stand-in for
// SHFileOperationA.
int RunShellFileOperation(const ShellRequest& request, ShellProgress progress, void* context);

#endif  // UPDATER_STANDINS_SHELL_FILE_OPERATION_H_
