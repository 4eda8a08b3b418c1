#ifndef UPDATER_PLATFORM_FOLDERS_H_
#define UPDATER_PLATFORM_FOLDERS_H_

#include <string>

// Folders the symbols stand for, in the core's form (backslashes).

// GetWindowsDirectoryA / GetSystemDirectoryA: no trailing backslash except for a root; at
// most 259 bytes on Windows. Empty when the system cannot tell.
std::string WindowsFolder();
std::string SystemFolder();

// GetTempPathA: the temporary folder, with its trailing backslash; empty when the system
// cannot tell.
std::string TempPath();

// The shell's special folder for a CSIDL number, without a trailing backslash (except for
// a root). False, out unchanged, when the system has no such folder or it has no path.
// The folder may not exist: nothing is created.
bool SpecialFolder(unsigned csidl, std::string* out);

// Where the program keeps, for the user running it, the journals of updates that can be
// undone: Linux $XDG_STATE_HOME/corvan-updater/rollback (or ~/.local/state/...), Windows
// <local application data>\Corvan Updater\Rollback. False when the system cannot tell.
// Nothing is created.
bool RollbackFolder(std::string* out);

#endif  // UPDATER_PLATFORM_FOLDERS_H_
