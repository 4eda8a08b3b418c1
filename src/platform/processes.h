#ifndef UPDATER_PLATFORM_PROCESSES_H_
#define UPDATER_PLATFORM_PROCESSES_H_

#include <cstdint>

// The id of the first process, other than this one, whose executable's full path equals
// path without regard to case (lstrcmpiA on Windows, ASCII letters on Linux); 0 when there
// is none, when path is empty or when the list cannot be read. A process whose path cannot
// be read (another user's) is compared by its bare file name, which a full path never
// equals. "First" is the system's list order on Windows and the lowest id on Linux. The
// path is in the core's form; on Linux an executable deleted while it runs still counts
// under its old path.
uint32_t FindRunningProcess(const char* path);

// True on the Windows NT family (always on Linux, which answers as that family does).
bool IsWindowsNT();

#endif  // UPDATER_PLATFORM_PROCESSES_H_
