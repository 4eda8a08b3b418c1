#ifndef UPDATER_PLATFORM_FILE_INFO_H_
#define UPDATER_PLATFORM_FILE_INFO_H_

#include <cstdint>

// Reading a file without sharing it: the file is opened for reading only when no other
// process holds it. Windows: CreateFileA with share mode 0, so a file open anywhere else
// fails. Linux, which has no such open: a file under another open's exclusive flock fails,
// and a shared flock is held while the file is open. Either way a path that is missing, is
// a folder or any other non-regular file, or cannot be opened for reading fails too.

struct UnsharedFile;

// The open file, or null when it cannot be opened by the rule above.
UnsharedFile* OpenUnsharedFile(const char* path);
// Its size in bytes, all 64 bits of it.
uint64_t UnsharedFileSize(UnsharedFile* file);
// Reads up to size bytes at the current position. The count read, 0 at the end of the
// file, -1 on a read error.
int64_t ReadUnsharedFile(UnsharedFile* file, void* buffer, uint32_t size);
// Closes the file; null is allowed.
void CloseUnsharedFile(UnsharedFile* file);

// A calendar day.
struct CalendarDate {
  uint16_t year = 0;
  uint16_t month = 0;  // 1 to 12
  uint16_t day = 0;    // 1 to 31
};

// The day of the file's last write in the local time of the running system (Windows: the
// time converted with the current offset from UTC, as FileTimeToLocalFileTime does).
// The file is opened by the rule above; false, date unchanged, when it does not open.
bool GetFileWriteDate(const char* path, CalendarDate* date);

#endif  // UPDATER_PLATFORM_FILE_INFO_H_
