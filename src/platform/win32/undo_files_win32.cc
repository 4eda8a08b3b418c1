#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/files.h"

bool MakeHardLink(const char* existing, const char* link) {
  return CreateHardLinkA(link, existing, nullptr) != 0;
}

bool RemoveFileAnyway(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  if (!(attributes & FILE_ATTRIBUTE_READONLY)) return DeleteFileA(path) != 0;
  // The attributes belong to the file, not to the name: cleared to let the name go, they are
  // set again through the same handle for the file's other names.
  HANDLE handle = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILE_BASIC_INFO basic = {};
  bool ok = GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic) != 0;
  DWORD kept = basic.FileAttributes;
  basic.FileAttributes = (kept & ~FILE_ATTRIBUTE_READONLY) ? kept & ~FILE_ATTRIBUTE_READONLY
                                                          : FILE_ATTRIBUTE_NORMAL;
  ok = ok && SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
  FILE_DISPOSITION_INFO disposition = {};
  disposition.DeleteFile = TRUE;
  bool deleted =
      ok && SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                       sizeof disposition) != 0;
  DWORD error = GetLastError();
  basic.FileAttributes = kept;
  SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic);
  CloseHandle(handle);
  if (!deleted) SetLastError(error);
  return deleted && GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
}

namespace {

constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

std::string GetEntryLook(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return std::string();
  char look[64];
  std::snprintf(look, sizeof look, "a%lX,t%lX.%08lX",
                static_cast<unsigned long>(data.dwFileAttributes),
                static_cast<unsigned long>(data.ftLastWriteTime.dwHighDateTime),
                static_cast<unsigned long>(data.ftLastWriteTime.dwLowDateTime));
  return look;
}

bool SetEntryLook(const char* path, const std::string& look) {
  unsigned long attributes = 0, high = 0, low = 0;
  if (std::sscanf(look.c_str(), "a%lX,t%lX.%lX", &attributes, &high, &low) != 3) {
    SetLastError(ERROR_INVALID_DATA);
    return false;
  }
  WIN32_FILE_ATTRIBUTE_DATA now;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &now)) return false;
  bool ok = true;
  // A time left unchanged is not written: the file system may keep it finer than Windows.
  if (now.ftLastWriteTime.dwHighDateTime != high || now.ftLastWriteTime.dwLowDateTime != low) {
    // A read-only file's time can be set only once it is writable again.
    if (now.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
      SetFileAttributesA(path, now.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    }
    HANDLE handle = CreateFileA(path, FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    ok = handle != INVALID_HANDLE_VALUE;
    if (ok) {
      FILETIME written;
      written.dwHighDateTime = high;
      written.dwLowDateTime = low;
      ok = SetFileTime(handle, nullptr, nullptr, &written) != 0;
      CloseHandle(handle);
    }
  }
  DWORD settable = attributes & kSettableAttributes;
  return SetFileAttributesA(path, settable ? settable : FILE_ATTRIBUTE_NORMAL) != 0 && ok;
}

struct DurableFileState {
  HANDLE handle = INVALID_HANDLE_VALUE;
};

DurableFile OpenDurableFile(const char* path) {
  // Shared for reading only: a second process asking to append gets a sharing violation.
  HANDLE handle = CreateFileA(path, GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  auto* file = new DurableFileState;
  file->handle = handle;
  return file;
}

bool ReadDurableFile(DurableFile file, std::string* out) {
  if (!file) return false;
  out->clear();
  char buffer[65536];
  for (uint64_t offset = 0;;) {
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    if (!ReadFile(file->handle, buffer, sizeof buffer, &n, &at)) {
      return GetLastError() == ERROR_HANDLE_EOF;
    }
    if (n == 0) return true;
    out->append(buffer, n);
    offset += n;
  }
}

bool AppendDurably(DurableFile file, const std::string& bytes) {
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file->handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                   nullptr) &&
         written == bytes.size() && FlushFileBuffers(file->handle);
}

void CloseDurableFile(DurableFile file) {
  if (!file) return;
  CloseHandle(file->handle);
  delete file;
}

bool SyncFolder(const char*) { return true; }
