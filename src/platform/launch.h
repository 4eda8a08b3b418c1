#ifndef UPDATER_PLATFORM_LAUNCH_H_
#define UPDATER_PLATFORM_LAUNCH_H_

#include <cstdint>

// Starts the program that a Windows command line names, as CreateProcessA(NULL, line)
// does: a quoted first word is the program; otherwise the shortest run of words from the
// start that names an existing file (Windows also tries each with ".exe" appended). The
// program runs in folder, inherits the environment and no handles but the standard ones,
// and gets the line as its arguments (Linux: split by SplitWindowsArguments; the texts,
// paths or not, are passed as written). No search path is used.
//
// wait_for_end: returns once the program has ended; its exit code plays no part.
// Otherwise returns once it has started: Windows waits until it is idle for input
// (WaitForInputIdle); a program without a message queue, such as a console program,
// counts as started at once. Linux returns once the program file has been executed.
//
// False when the program cannot be started (no such file, not executable, no such
// folder) or the wait fails.
bool LaunchCommandLine(const char* command_line, const char* folder, bool wait_for_end);

// Waits for the process with this id to end, at most timeout milliseconds: the 32 bits
// as an unsigned count, so -1 waits without limit and 0 only looks. Nothing is waited for
// when no such process exists or it cannot be waited for; whether it ended is not told.
// Linux waits for any process through a pidfd, its own children or not.
void WaitForProcessEnd(uint32_t id, int32_t timeout);

#endif  // UPDATER_PLATFORM_LAUNCH_H_
