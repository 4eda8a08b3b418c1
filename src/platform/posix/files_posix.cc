#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/wildcard.h"
#include "platform/posix/system_path.h"

namespace {

// Hidden, system and archive live in this extended attribute as hex text ("0x22"), the
// form older Samba versions write; read-only is the absence of every write bit.
constexpr char kDosAttributes[] = "user.DOSATTRIB";
constexpr uint32_t kStoredAttributes = kAttrHidden | kAttrSystem | kAttrArchive;

struct Search {
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

bool IsReadOnly(const struct stat& st) { return !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)); }

uint32_t StoredAttributes(const char* system_path) {
  char text[32];
  ssize_t n = getxattr(system_path, kDosAttributes, text, sizeof text - 1);
  if (n <= 0) return 0;
  text[n] = '\0';
  return static_cast<uint32_t>(std::strtoul(text, nullptr, 16)) & kStoredAttributes;
}

uint32_t AttributesOf(const struct stat& st, const char* system_path) {
  uint32_t attributes = StoredAttributes(system_path);
  if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
  if (IsReadOnly(st)) attributes |= kAttrReadOnly;
  return attributes ? attributes : kAttrNormal;
}

// Windows refuses these characters in a name; Linux would make such a file.
bool IsCreatableName(const char* path) {
  size_t cut = LastSeparator(path);
  return !HasWildcard(cut == std::string::npos ? path : path + cut + 1);
}

std::string FolderOf(const std::string& system_path) {
  size_t cut = system_path.rfind('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : system_path.substr(0, cut);
}

bool CopyContents(int in, int out) {
  bool kernel_copy = true;
  char buffer[1 << 16];
  for (;;) {
    if (kernel_copy) {
      ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
      if (n > 0) continue;
      if (n == 0) return true;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
      kernel_copy = false;  // both offsets are where the kernel left them
    }
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(out, buffer + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
  }
}

// A full copy of the open file (contents, permission bits, stored attributes, times) in a
// new temporary file of the folder: its path, or "" when it could not be made. A rename
// then puts it in place in one step, so no reader ever sees a half-written target.
std::string CopyToTemporary(int in, const struct stat& st, const std::string& folder) {
  std::string temp = folder + "/.updater-XXXXXX";
  int out = mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) return "";
  char stored[32];
  ssize_t stored_length = fgetxattr(in, kDosAttributes, stored, sizeof stored);
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  bool ok =
      CopyContents(in, out) && fchmod(out, st.st_mode & 0777) == 0 && futimens(out, times) == 0;
  if (ok && stored_length > 0) fsetxattr(out, kDosAttributes, stored, stored_length, 0);
  ok = close(out) == 0 && ok;
  if (!ok) {
    int saved = errno;
    unlink(temp.c_str());
    errno = saved;
    return "";
  }
  return temp;
}

// rename() that fails when the target exists, also where the file system lacks
// RENAME_NOREPLACE.
bool RenameNoReplace(const char* from, const char* to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat st;
  if (lstat(to, &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from, to) == 0;
}

bool MoveAcrossFileSystems(const std::string& from, const std::string& to, bool replace) {
  // The source must be removable afterwards, or the move would end as a copy.
  if (access(FolderOf(from).c_str(), W_OK) != 0) return false;
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  std::string temp = fstat(in, &st) == 0 ? CopyToTemporary(in, st, FolderOf(to)) : "";
  close(in);
  if (temp.empty()) return false;
  if (!(replace ? rename(temp.c_str(), to.c_str()) == 0
                : RenameNoReplace(temp.c_str(), to.c_str()))) {
    unlink(temp.c_str());
    return false;
  }
  if (unlink(from.c_str()) != 0) {
    unlink(to.c_str());
    return false;
  }
  return true;
}

}  // namespace

FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry) {
  size_t cut = LastSeparator(pattern);
  std::string folder = cut == std::string::npos ? std::string() : std::string(pattern, cut);
  std::string item = cut == std::string::npos ? pattern : pattern + cut + 1;
  // Windows finds nothing for an empty last item ("C:\dir\").
  if (item.empty()) return nullptr;
  std::string system_folder = cut == std::string::npos ? "." : ToSystemPath(folder.c_str());
  if (system_folder.empty()) system_folder = "/";
  auto search = new Search;
  if (!HasWildcard(item.c_str())) {
    std::string full = ToSystemPath(pattern);
    struct stat st;
    if (stat(full.c_str(), &st) == 0)
      search->entries.push_back({item, AttributesOf(st, full.c_str())});
  } else if (DIR* dir = opendir(system_folder.c_str())) {
    while (dirent* d = readdir(dir)) {
      if (!MatchesWildcard(d->d_name, item.c_str())) continue;
      struct stat st;
      std::string full = system_folder + "/" + d->d_name;
      if (stat(full.c_str(), &st) == 0) {
        search->entries.push_back({d->d_name, AttributesOf(st, full.c_str())});
      }
    }
    closedir(dir);
  }
  if (search->entries.empty()) {
    delete search;
    return nullptr;
  }
  *entry = search->entries[search->next++];
  return search;
}

bool FindNextEntry(FileSearchHandle handle, FoundEntry* entry) {
  auto search = static_cast<Search*>(handle);
  if (search->next >= search->entries.size()) return false;
  *entry = search->entries[search->next++];
  return true;
}

void FindCloseSearch(FileSearchHandle handle) { delete static_cast<Search*>(handle); }

uint32_t GetPathAttributes(const char* path) {
  std::string system_path = ToSystemPath(path);
  struct stat st;
  if (stat(system_path.c_str(), &st) != 0) return kInvalidAttributes;
  return AttributesOf(st, system_path.c_str());
}

bool CreateFolder(const char* path) {
  if (!IsCreatableName(path)) return false;
  return mkdir(ToSystemPath(path).c_str(), 0777) == 0;
}

bool CopyFile(const char* source, const char* target) {
  std::string from = ToSystemPath(source);
  std::string to = ToSystemPath(target);
  if (!IsCreatableName(target)) return false;
  struct stat existing;
  if (stat(to.c_str(), &existing) == 0 && (S_ISDIR(existing.st_mode) || IsReadOnly(existing))) {
    errno = EACCES;
    return false;
  }
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  std::string temp;
  if (fstat(in, &st) == 0 && S_ISREG(st.st_mode)) temp = CopyToTemporary(in, st, FolderOf(to));
  close(in);
  if (temp.empty()) return false;
  if (rename(temp.c_str(), to.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool MoveFile(const char* source, const char* target, bool replace) {
  std::string from = ToSystemPath(source);
  std::string to = ToSystemPath(target);
  struct stat st;
  if (lstat(from.c_str(), &st) != 0 || !IsCreatableName(target)) return false;
  struct stat existing;
  bool exists = lstat(to.c_str(), &existing) == 0;
  if (exists) {
    // Replacing follows the target as GetPathAttributes does.
    bool folder_or_read_only =
        stat(to.c_str(), &existing) == 0 && (S_ISDIR(existing.st_mode) || IsReadOnly(existing));
    if (!replace || S_ISDIR(st.st_mode) || folder_or_read_only) {
      errno = EEXIST;
      return false;
    }
  }
  bool moved =
      replace ? rename(from.c_str(), to.c_str()) == 0 : RenameNoReplace(from.c_str(), to.c_str());
  if (!moved && errno == EXDEV && S_ISREG(st.st_mode))
    moved = MoveAcrossFileSystems(from, to, replace);
  return moved;
}

bool DeleteFile(const char* path) {
  std::string system_path = ToSystemPath(path);
  struct stat st;
  if (lstat(system_path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && IsReadOnly(st))) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    return false;
  }
  return unlink(system_path.c_str()) == 0;
}

bool RemoveFolder(const char* path) { return rmdir(ToSystemPath(path).c_str()) == 0; }

bool SetAttributes(const char* path, uint32_t attributes) {
  std::string system_path = ToSystemPath(path);
  const char* p = system_path.c_str();
  struct stat st;
  if (stat(p, &st) != 0) return false;
  // A folder keeps its permission bits: on Windows read-only does not protect its contents.
  bool file = !S_ISDIR(st.st_mode);
  mode_t mode = st.st_mode & 07777;
  // The owner of a file without write permission may not change its extended attributes.
  if (file && IsReadOnly(st) && chmod(p, mode | S_IWUSR) != 0) return false;
  uint32_t stored = attributes & kStoredAttributes;
  int result;
  if (stored) {
    char text[16];
    int length = std::snprintf(text, sizeof text, "0x%X", stored);
    result = setxattr(p, kDosAttributes, text, length, 0);
  } else {
    result = removexattr(p, kDosAttributes);
    if (result != 0 && errno == ENODATA) result = 0;
  }
  // A file system without extended attributes simply has no such bits.
  bool ok = result == 0 || errno == ENOTSUP;
  if (file) {
    if (attributes & kAttrReadOnly) {
      mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
    } else if (IsReadOnly(st)) {
      mode |= S_IWUSR;
    }
    ok = chmod(p, mode) == 0 && ok;
  }
  return ok;
}
