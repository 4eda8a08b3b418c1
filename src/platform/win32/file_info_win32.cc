#include "platform/file_info.h"

#include <windows.h>

struct UnsharedFile {
  HANDLE handle;
};

UnsharedFile* OpenUnsharedFile(const char* path) {
  // Share mode 0: the open fails while any other process has the file open.
  HANDLE handle =
      CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  // Devices and pipes open too; only a file on disk is read.
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    return nullptr;
  }
  return new UnsharedFile{handle};
}

uint64_t UnsharedFileSize(UnsharedFile* file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file->handle, &size)) return 0;
  return static_cast<uint64_t>(size.QuadPart);
}

int64_t ReadUnsharedFile(UnsharedFile* file, void* buffer, uint32_t size) {
  DWORD read = 0;
  if (!ReadFile(file->handle, buffer, size, &read, nullptr)) return -1;
  return read;
}

void CloseUnsharedFile(UnsharedFile* file) {
  if (!file) return;
  CloseHandle(file->handle);
  delete file;
}

bool GetFileWriteDate(const char* path, CalendarDate* date) {
  UnsharedFile* file = OpenUnsharedFile(path);
  if (!file) return false;
  FILETIME written;
  bool ok = GetFileTime(file->handle, nullptr, nullptr, &written);
  CloseUnsharedFile(file);
  FILETIME local;
  SYSTEMTIME day;
  if (!ok || !FileTimeToLocalFileTime(&written, &local) || !FileTimeToSystemTime(&local, &day)) {
    return false;
  }
  date->year = day.wYear;
  date->month = day.wMonth;
  date->day = day.wDay;
  return true;
}
