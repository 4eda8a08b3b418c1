#include "platform/files.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "foundation/paths.h"

FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern, &data);
  if (search == INVALID_HANDLE_VALUE) return nullptr;
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  return reinterpret_cast<FileSearchHandle>(search);
}

bool FindNextEntry(FileSearchHandle search, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  if (!FindNextFileA(reinterpret_cast<HANDLE>(search), &data)) return false;
  entry->name = data.cFileName;
  entry->attributes = data.dwFileAttributes;
  return true;
}

void FindCloseSearch(FileSearchHandle search) { FindClose(reinterpret_cast<HANDLE>(search)); }

uint32_t GetPathAttributes(const char* path) { return GetFileAttributesA(path); }

bool CreateFolder(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }

namespace {

bool HasAttribute(const char* path, DWORD bits) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & bits);
}

// A console's Ctrl-C, Ctrl-Break or close during a copy stops it; the copying thread then
// removes its temporary file and ends the program as the default handler would.
volatile LONG copying = 0;
BOOL cancel_copy = FALSE;

BOOL WINAPI OnConsoleControl(DWORD) {
  if (InterlockedCompareExchange(&copying, 0, 0) == 0) return FALSE;  // nothing to clean up
  InterlockedExchange(reinterpret_cast<volatile LONG*>(&cancel_copy), TRUE);
  Sleep(INFINITE);  // the copying thread ends the process
  return TRUE;
}

void WatchConsoleOnce() {
  static bool watching = false;
  if (!watching) watching = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
}

// The identity of an existing file; false when it cannot be opened.
bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  bool ok = GetFileInformationByHandle(handle, info) != 0;
  CloseHandle(handle);
  return ok;
}

bool SameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION first, second;
  return FileIdentity(a, &first) && FileIdentity(b, &second) &&
         first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// A temporary name beside target, new at each call.
std::string TemporaryBeside(const char* target) {
  static unsigned counter = 0;
  std::string folder = target;
  size_t cut = LastPathSeparator(target);
  folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
  return folder + ".updater-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(++counter) + ".tmp";
}

void RemoveTemporary(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

// True only when the process that made a file at time made has provably ended: no process
// has its id, or the one that has it started later. A process we may not look at might be
// a run of another user, so its files stay.
bool MakerEnded(DWORD id, const FILETIME& made) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  FILETIME created, exited, kernel, user;
  DWORD code = 0;
  bool ended = (GetExitCodeProcess(process, &code) && code != STILL_ACTIVE) ||
               (GetProcessTimes(process, &created, &exited, &kernel, &user) &&
                CompareFileTime(&created, &made) > 0);
  CloseHandle(process);
  return ended;
}

// Removes, once per folder and run, the temporary files that killed runs left there: names
// exactly of our form whose maker has ended.
void RemoveLeftoversBeside(const char* target) {
  static std::vector<std::string> done;
  std::string folder = target;
  size_t cut = LastPathSeparator(target);
  folder = cut == std::string::npos ? std::string() : folder.substr(0, cut + 1);
  for (const std::string& seen : done) {
    if (lstrcmpiA(seen.c_str(), folder.c_str()) == 0) return;
  }
  done.push_back(folder);
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA((folder + ".updater-*-*.tmp").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    unsigned long id = 0, number = 0;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
        std::sscanf(data.cFileName, ".updater-%lu-%lu.tmp", &id, &number) != 2 ||
        data.cFileName != ".updater-" + std::to_string(id) + "-" + std::to_string(number) + ".tmp" ||
        id == GetCurrentProcessId() || !MakerEnded(id, data.ftCreationTime)) {
      continue;
    }
    RemoveTemporary(folder + data.cFileName);
  } while (FindNextFileA(search, &data));
  FindClose(search);
}

}  // namespace

bool CopyFileTo(const char* source, const char* target) {
  DWORD existing = GetFileAttributesA(target);
  // Wine running as root overwrites a read-only target, which Windows refuses.
  if (existing != INVALID_FILE_ATTRIBUTES &&
      (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // Windows refuses to copy a file onto itself: the copy would have to read what it writes.
  if (existing != INVALID_FILE_ATTRIBUTES && SameFile(source, target)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return false;
  }
  // Written beside the target and put in its place in one step, so that a copy that fails
  // (a full disk, a stop) never leaves a half-written target.
  RemoveLeftoversBeside(target);
  std::string temporary = TemporaryBeside(target);
  WatchConsoleOnce();
  InterlockedExchange(&copying, 1);
  bool copied = CopyFileExA(source, temporary.c_str(), nullptr, nullptr, &cancel_copy,
                            COPY_FILE_FAIL_IF_EXISTS) != 0;
  DWORD error = GetLastError();
  InterlockedExchange(&copying, 0);
  if (InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&cancel_copy), 0, 0)) {
    RemoveTemporary(temporary);
    ExitProcess(STATUS_CONTROL_C_EXIT);
  }
  if (copied &&
      !MoveFileExA(temporary.c_str(), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    copied = false;
    error = GetLastError();
  }
  if (!copied) RemoveTemporary(temporary);
  SetLastError(error);
  return copied;
}

bool MoveEntry(const char* source, const char* target, bool replace) {
  if (!replace || HasAttribute(source, FILE_ATTRIBUTE_DIRECTORY))
    return MoveFileA(source, target) != 0;
  if (HasAttribute(target, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool RemoveFile(const char* path) {
  // A junction or a link to a folder goes as a folder does, what it leads to untouched.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
      (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return RemoveDirectoryA(path) != 0;
  }
  if (!DeleteFileA(path)) return false;
  // A deletion the file system refuses once the handle closes (Wine, a folder whose
  // entries may not be removed) still reports success: the name must be gone. A file
  // another process holds open with delete sharing answers ERROR_ACCESS_DENIED until it
  // closes, and is gone for us.
  if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

bool RemoveFolder(const char* path) { return RemoveDirectoryA(path) != 0; }

bool SetAttributes(const char* path, uint32_t attributes) {
  return SetFileAttributesA(path, attributes) != 0;
}

struct OpenFolderState {
  std::string path;  // without a final backslash
  std::vector<FolderEntry> entries;
  size_t next = 0;
};

namespace {

std::string PathIn(FolderHandle folder, const char* name) { return folder->path + "\\" + name; }

FolderHandle ListFolder(std::string path) {
  // With a final backslash, so that a drive ("C:") means its root as the listing does.
  DWORD attributes = GetFileAttributesA((path + "\\").c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetLastError(ERROR_DIRECTORY);
    return nullptr;
  }
  auto folder = new OpenFolderState{std::move(path), {}, 0};
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileExA((folder->path + "\\*").c_str(), FindExInfoBasic, &data,
                                   FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  // The root of a drive has no "." or "..": an empty one has no entry at all.
  DWORD error = search == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS;
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      FolderEntryKind kind = kEntryFile;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        kind = kEntryLink;
      } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        kind = kEntryFolder;
      }
      folder->entries.push_back({std::move(name), kind});
    } while (FindNextFileA(search, &data));
    error = GetLastError();
    FindClose(search);
  }
  if (error == ERROR_NO_MORE_FILES || error == ERROR_FILE_NOT_FOUND) return folder;
  delete folder;
  SetLastError(error);
  return nullptr;
}

}  // namespace

FolderHandle OpenFolder(const char* path) { return ListFolder(path); }

FolderHandle OpenFolderIn(FolderHandle folder, const char* name, bool follow_link) {
  std::string path = PathIn(folder, name);
  if (!follow_link && HasAttribute(path.c_str(), FILE_ATTRIBUTE_REPARSE_POINT)) {
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return nullptr;
  }
  return ListFolder(path);
}

bool NextFolderEntry(FolderHandle folder, FolderEntry* entry) {
  if (folder->next >= folder->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return false;
  }
  *entry = folder->entries[folder->next++];
  return true;
}

void CloseFolder(FolderHandle folder) { delete folder; }

bool RemoveFileIn(FolderHandle folder, const char* name) {
  return RemoveFile(PathIn(folder, name).c_str());
}

bool RemoveFolderIn(FolderHandle folder, const char* name) {
  return RemoveFolder(PathIn(folder, name).c_str());
}

bool EnsureFolderIn(FolderHandle folder, const char* name) {
  std::string path = PathIn(folder, name);
  if (CreateFolder(path.c_str())) return true;
  DWORD error = GetLastError();
  if (HasAttribute(path.c_str(), FILE_ATTRIBUTE_DIRECTORY)) return true;
  SetLastError(error);
  return false;
}

bool CopyFileInto(FolderHandle source, const char* name, FolderHandle target) {
  return CopyFileTo(PathIn(source, name).c_str(), PathIn(target, name).c_str());
}

// Making links takes a privilege a user may lack; a link is never followed instead.
bool CopyLinkInto(FolderHandle, const char*, FolderHandle) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}

bool CopyLinkTo(const char*, const char*) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return false;
}

void RemoveLeftoversIn(const char* folder) {
  // Cleared beside a name in the folder, as a copy into it would.
  RemoveLeftoversBeside((std::string(folder) + "\\").c_str());
}
