#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/posix/file_io.h"
#include "platform/posix/system_path.h"

bool MakeHardLink(const char* existing, const char* link) {
  // Without AT_SYMLINK_FOLLOW a symbolic link gets a second name itself.
  return linkat(AT_FDCWD, ToSystemPath(existing).c_str(), AT_FDCWD, ToSystemPath(link).c_str(),
                0) == 0;
}

bool RemoveFileAnyway(const char* path) {
  // Unlinking needs nothing of the file itself, so its other names keep their look.
  std::string system_path = ToSystemPath(path);
  struct stat st;
  if (lstat(system_path.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return unlink(system_path.c_str()) == 0;
}

std::string GetEntryLook(const char* path) {
  std::string system_path = ToSystemPath(path);
  struct stat st;
  if (lstat(system_path.c_str(), &st) != 0) return std::string();
  char stored[32] = "-";
  if (!S_ISLNK(st.st_mode)) {
    ssize_t n = getxattr(system_path.c_str(), kDosAttributes, stored, sizeof stored - 1);
    if (n > 0) {
      stored[n] = '\0';
      // Kept as a word of the look: anything else is not ours to restore.
      for (ssize_t i = 0; i < n; ++i) {
        if (stored[i] <= ' ' || stored[i] > '~' || stored[i] == ',') std::strcpy(stored, "-");
      }
    } else {
      std::strcpy(stored, "-");
    }
  }
  char look[96];
  std::snprintf(look, sizeof look, "m%o,t%" PRId64 ".%09ld,d%s",
                static_cast<unsigned>(st.st_mode & 07777), static_cast<int64_t>(st.st_mtim.tv_sec),
                static_cast<long>(st.st_mtim.tv_nsec), stored);
  return look;
}

bool SetEntryLook(const char* path, const std::string& look) {
  unsigned mode = 0;
  long long seconds = 0;
  long nanoseconds = 0;
  char stored[32] = {};
  if (std::sscanf(look.c_str(), "m%o,t%lld.%ld,d%31s", &mode, &seconds, &nanoseconds, stored) !=
      4) {
    errno = EINVAL;
    return false;
  }
  std::string system_path = ToSystemPath(path);
  const char* p = system_path.c_str();
  struct stat st;
  if (lstat(p, &st) != 0) return false;
  bool ok = true;
  if (!S_ISLNK(st.st_mode)) {
    // The owner may change the extended attributes of a file only while it is writable.
    if (!(st.st_mode & S_IWUSR)) ok = chmod(p, (st.st_mode & 07777) | S_IWUSR) == 0 && ok;
    int result = std::strcmp(stored, "-") == 0 ? removexattr(p, kDosAttributes)
                                               : setxattr(p, kDosAttributes, stored,
                                                          std::strlen(stored), 0);
    if (result != 0 && errno != ENODATA && errno != ENOTSUP) ok = false;
    ok = chmod(p, mode) == 0 && ok;
  }
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = static_cast<time_t>(seconds);
  times[1].tv_nsec = nanoseconds;
  return utimensat(AT_FDCWD, p, times, AT_SYMLINK_NOFOLLOW) == 0 && ok;
}

void RemoveLeftoversIn(const char* folder) {
  int fd = open(ToSystemPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  RemoveLeftoverFiles(fd);
  close(fd);
}

struct DurableFileState {
  int fd = -1;
};

DurableFile OpenDurableFile(const char* path) {
  int fd = open(ToSystemPath(path).c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  // The lock goes with the process: a killed run's file is free at once.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    SavedErrno saved;
    close(fd);
    return nullptr;
  }
  auto* file = new DurableFileState;
  file->fd = fd;
  return file;
}

bool ReadDurableFile(DurableFile file, std::string* out) {
  if (!file) return false;
  out->clear();
  char buffer[65536];
  for (off_t offset = 0;;) {
    ssize_t n = pread(file->fd, buffer, sizeof buffer, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n == 0;
    out->append(buffer, static_cast<size_t>(n));
    offset += n;
  }
}

bool AppendDurably(DurableFile file, const std::string& bytes) {
  // fdatasync also writes the new size: an append is not durable without it.
  return file && WriteAll(file->fd, bytes.data(), bytes.size()) && fdatasync(file->fd) == 0;
}

void CloseDurableFile(DurableFile file) {
  if (!file) return;
  close(file->fd);
  delete file;
}

bool SyncFolder(const char* folder) {
  int fd = open(ToSystemPath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}
