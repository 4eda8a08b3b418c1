#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/paths.h"
#include "foundation/wildcard.h"
#include "platform/posix/file_io.h"
#include "platform/posix/system_path.h"

namespace {

constexpr uint32_t kStoredAttributes = kAttrHidden | kAttrSystem | kAttrArchive;

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

// The attributes of the entry itself, as Windows gives them: a symbolic link is a reparse
// point, a folder too when it leads to one. False when nothing is there.
bool EntryAttributes(const std::string& system_path, uint32_t* attributes) {
  struct stat st;
  if (lstat(system_path.c_str(), &st) != 0) return false;
  if (!S_ISLNK(st.st_mode)) {
    *attributes = AttributesOf(st, system_path.c_str());
    return true;
  }
  struct stat target;
  bool folder = stat(system_path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
  *attributes = kAttrReparsePoint | (folder ? kAttrDirectory : 0);
  return true;
}

// Windows refuses these characters in a name; Linux would make such a file.
bool IsCreatableName(const char* path) {
  size_t cut = LastPathSeparator(path);
  if (!HasWildcard(cut == std::string::npos ? path : path + cut + 1)) return true;
  errno = EINVAL;
  return false;
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
    if (!WriteAll(out, buffer, static_cast<size_t>(n))) return false;
  }
}

// Copies the open file's bytes to target through a replacement file, which then takes the
// given look. False (errno set) with the target as it was.
bool CopyThroughReplacement(int in, const std::string& target, const FileLook& look,
                            ReplaceMode mode) {
  ReplacementFile out;
  return out.Create(target) && CopyContents(in, out.fd()) && out.Commit(target, look, mode);
}

// Opens a file to be copied: a regular file, else EISDIR. -1 on failure.
int OpenCopySource(int folder_fd, const char* name, struct stat* st) {
  int in = openat(folder_fd, name, O_RDONLY | O_CLOEXEC);
  if (in < 0) return -1;
  bool ok = fstat(in, st) == 0;
  if (ok && !S_ISREG(st->st_mode)) {
    errno = EISDIR;
    ok = false;
  }
  if (ok) return in;
  SavedErrno saved;
  close(in);
  return -1;
}

// CopyFileA gives the copy the source's attributes and time of last change; a replaced
// target keeps its owner.
FileLook CopyLook(int in, const struct stat& st) {
  FileLook look = LookOf(in, st);
  look.mode &= 0777;
  look.has_owner = false;
  return look;
}

// As MoveFileExA with MOVEFILE_COPY_ALLOWED between volumes: a copy that keeps the source's
// look takes the target's place in one step, then the source is deleted. When the source
// cannot be deleted after all, the move still succeeds and the source stays, as on Windows:
// the target never loses both its old and its new bytes.
bool MoveAcrossFileSystems(const std::string& from, const std::string& to, bool replace) {
  // A source that cannot be deleted would turn the move into a copy; refuse it up front.
  if (access(FolderOf(from).c_str(), W_OK) != 0) return false;
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  bool ok = fstat(in, &st) == 0 && CopyThroughReplacement(in, to, LookOf(in, st),
                                                          replace ? ReplaceMode::kReplaceExisting
                                                                  : ReplaceMode::kKeepExisting);
  {
    SavedErrno saved;
    close(in);
  }
  if (!ok) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace

struct FileSearchState {
  std::vector<FoundEntry> entries;
  size_t next = 0;
};

FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry) {
  size_t cut = LastPathSeparator(pattern);
  std::string folder = cut == std::string::npos ? std::string() : std::string(pattern, cut);
  std::string item = cut == std::string::npos ? pattern : pattern + cut + 1;
  // Windows finds nothing for an empty last item ("C:\dir\").
  if (item.empty()) {
    errno = ENOENT;
    return nullptr;
  }
  std::string system_folder = cut == std::string::npos ? "." : ToSystemPath(folder.c_str());
  if (system_folder.empty()) system_folder = "/";
  auto search = new FileSearchState;
  int reason = ENOENT;  // what an empty result reports
  if (!HasWildcard(item.c_str())) {
    uint32_t attributes;
    if (EntryAttributes(ToSystemPath(pattern), &attributes)) {
      search->entries.push_back({item, attributes});
    } else {
      reason = errno;
    }
  } else if (DIR* dir = opendir(system_folder.c_str())) {
    while (dirent* d = readdir(dir)) {
      if (!MatchesWildcard(d->d_name, item.c_str())) continue;
      uint32_t attributes;
      if (EntryAttributes(system_folder + "/" + d->d_name, &attributes)) {
        search->entries.push_back({d->d_name, attributes});
      }
    }
    closedir(dir);
  } else {
    reason = errno;
  }
  if (search->entries.empty()) {
    delete search;
    errno = reason;
    return nullptr;
  }
  *entry = search->entries[search->next++];
  return search;
}

bool FindNextEntry(FileSearchHandle handle, FoundEntry* entry) {
  auto search = static_cast<FileSearchState*>(handle);
  if (search->next >= search->entries.size()) {
    errno = ENOENT;  // as ERROR_NO_MORE_FILES
    return false;
  }
  *entry = search->entries[search->next++];
  return true;
}

void FindCloseSearch(FileSearchHandle handle) { delete static_cast<FileSearchState*>(handle); }

uint32_t GetPathAttributes(const char* path) {
  uint32_t attributes;
  return EntryAttributes(ToSystemPath(path), &attributes) ? attributes : kInvalidAttributes;
}

bool CreateFolder(const char* path) {
  if (!IsCreatableName(path)) return false;
  return mkdir(ToSystemPath(path).c_str(), 0777) == 0;
}

bool CopyFileTo(const char* source, const char* target) {
  if (!IsCreatableName(target)) return false;
  struct stat st;
  int in = OpenCopySource(AT_FDCWD, ToSystemPath(source).c_str(), &st);
  if (in < 0) return false;
  std::string to = ToSystemPath(target);
  // Windows cannot open for writing the file that the copy holds open for reading: a copy
  // onto the source itself, by any path or link, fails with ERROR_SHARING_VIOLATION (EBUSY
  // here; EACCES for a read-only file, which is refused first).
  struct stat existing;
  bool ok = false;
  if (stat(to.c_str(), &existing) == 0 && existing.st_dev == st.st_dev &&
      existing.st_ino == st.st_ino) {
    errno = IsReadOnly(existing) ? EACCES : EBUSY;
  } else {
    ok = CopyThroughReplacement(in, to, CopyLook(in, st), ReplaceMode::kReplaceWritableFile);
  }
  SavedErrno saved;
  close(in);
  return ok;
}

bool MoveEntry(const char* source, const char* target, bool replace) {
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

bool RemoveFile(const char* path) {
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
  if (lstat(p, &st) != 0) return false;
  // A link has no attributes of its own here; changing what it leads to would reach outside.
  if (S_ISLNK(st.st_mode)) {
    errno = EPERM;
    return false;
  }
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

struct OpenFolderState {
  int fd = -1;
  std::string path;  // the system path, for temporary files
  dev_t device = 0;  // which folder it is, whatever path led to it
  ino_t inode = 0;
  std::vector<FolderEntry> entries;
  size_t next = 0;
};

namespace {

// A deep tree holds a folder open per level: past the usual limit of 1,024 open files the
// soft limit is raised to the hard one, once.
int OpenFolderAt(int folder_fd, const char* name, int flags) {
  flags |= O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  int fd = openat(folder_fd, name, flags);
  static bool raised = false;
  if (fd < 0 && errno == EMFILE && !raised) {
    raised = true;
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
      limit.rlim_cur = limit.rlim_max;
      if (setrlimit(RLIMIT_NOFILE, &limit) == 0) fd = openat(folder_fd, name, flags);
    }
  }
  return fd;
}

FolderEntryKind KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return kEntryLink;
  return S_ISDIR(mode) ? kEntryFolder : kEntryFile;
}

// Lists the open folder fd; takes it over, also when it fails.
FolderHandle ListFolder(int fd, std::string path) {
  int listing = dup(fd);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (!dir) {
    SavedErrno saved;
    if (listing >= 0) close(listing);
    close(fd);
    return nullptr;
  }
  auto folder = new OpenFolderState;
  folder->fd = fd;
  folder->path = std::move(path);
  struct stat self;
  if (fstat(fd, &self) == 0) {
    folder->device = self.st_dev;
    folder->inode = self.st_ino;
  }
  errno = 0;
  while (dirent* d = readdir(dir)) {
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    FolderEntry entry{d->d_name, kEntryFile};
    // The type comes with the name on most file systems; the others are asked.
    struct stat st;
    if (d->d_type == DT_DIR) {
      entry.kind = kEntryFolder;
    } else if (d->d_type == DT_LNK) {
      entry.kind = kEntryLink;
    } else if (d->d_type == DT_UNKNOWN) {
      if (fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
      entry.kind = KindOf(st.st_mode);
    }
    folder->entries.push_back(std::move(entry));
  }
  bool ok = errno == 0;
  SavedErrno saved;
  closedir(dir);
  if (ok) return folder;
  CloseFolder(folder);
  return nullptr;
}

}  // namespace

FolderHandle OpenFolder(const char* path) {
  std::string system_path = ToSystemPath(path);
  int fd = OpenFolderAt(AT_FDCWD, system_path.c_str(), 0);
  return fd < 0 ? nullptr : ListFolder(fd, system_path);
}

FolderHandle OpenFolderIn(FolderHandle folder, const char* name, bool follow_link) {
  int fd = OpenFolderAt(folder->fd, name, follow_link ? 0 : O_NOFOLLOW);
  return fd < 0 ? nullptr : ListFolder(fd, folder->path + "/" + name);
}

bool NextFolderEntry(FolderHandle folder, FolderEntry* entry) {
  if (folder->next >= folder->entries.size()) {
    errno = ENOENT;  // as ERROR_NO_MORE_FILES
    return false;
  }
  *entry = folder->entries[folder->next++];
  return true;
}

void CloseFolder(FolderHandle folder) {
  if (!folder) return;
  SavedErrno saved;
  close(folder->fd);
  delete folder;
}

bool RemoveFileIn(FolderHandle folder, const char* name) {
  struct stat st;
  if (fstatat(folder->fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && IsReadOnly(st))) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    return false;
  }
  return unlinkat(folder->fd, name, 0) == 0;
}

bool RemoveFolderIn(FolderHandle folder, const char* name) {
  return unlinkat(folder->fd, name, AT_REMOVEDIR) == 0;
}

bool EnsureFolderIn(FolderHandle folder, const char* name) {
  if (!IsCreatableName(name)) return false;
  if (mkdirat(folder->fd, name, 0777) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat st;
  if (fstatat(folder->fd, name, &st, 0) == 0 && S_ISDIR(st.st_mode)) return true;
  errno = EEXIST;
  return false;
}

bool CopyFileInto(FolderHandle source, const char* name, FolderHandle target) {
  if (!IsCreatableName(name)) return false;
  // One folder by two paths: every file would be copied onto itself, which Windows refuses.
  if (source->device == target->device && source->inode == target->inode) {
    errno = EBUSY;
    return false;
  }
  struct stat st;
  int in = OpenCopySource(source->fd, name, &st);
  if (in < 0) return false;
  ReplacementFile out;
  bool ok = out.CreateIn(target->fd, target->path) && CopyContents(in, out.fd()) &&
            out.CommitIn(name, CopyLook(in, st), ReplaceMode::kReplaceWritableFile);
  SavedErrno saved;
  close(in);
  return ok;
}

namespace {

// Copies the link from_name of from_dir as a link to_name of to_dir, made as temporary and
// renamed over what is there: one step, as a copy.
bool CopyLinkAt(int from_dir, const char* from_name, int to_dir, const char* to_name,
                const std::string& temporary) {
  std::string destination;
  for (size_t size = 256;; size *= 2) {
    destination.resize(size);
    ssize_t n = readlinkat(from_dir, from_name, destination.data(), size);
    if (n < 0) return false;
    if (static_cast<size_t>(n) < size) {
      destination.resize(static_cast<size_t>(n));
      break;
    }
  }
  struct stat existing;
  if (fstatat(to_dir, to_name, &existing, 0) == 0 &&
      (S_ISDIR(existing.st_mode) || IsReadOnly(existing))) {
    errno = EACCES;
    return false;
  }
  RemoveLeftoverFiles(to_dir);
  unlinkat(to_dir, temporary.c_str(), 0);
  if (symlinkat(destination.c_str(), to_dir, temporary.c_str()) != 0) return false;
  if (renameat(to_dir, temporary.c_str(), to_dir, to_name) == 0) return true;
  SavedErrno saved;
  unlinkat(to_dir, temporary.c_str(), 0);
  return false;
}

std::string LinkTemporaryName() { return ".updater-link-" + std::to_string(getpid()); }

}  // namespace

bool CopyLinkInto(FolderHandle source, const char* name, FolderHandle target) {
  if (!IsCreatableName(name)) return false;
  return CopyLinkAt(source->fd, name, target->fd, name, LinkTemporaryName());
}

bool CopyLinkTo(const char* source, const char* target) {
  if (!IsCreatableName(target)) return false;
  std::string to = ToSystemPath(target);
  int folder = open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return false;
  bool ok = CopyLinkAt(AT_FDCWD, ToSystemPath(source).c_str(), folder, NameOf(to).c_str(),
                       LinkTemporaryName());
  SavedErrno saved;
  close(folder);
  return ok;
}
