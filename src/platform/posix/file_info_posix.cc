#include "platform/file_info.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/posix/system_path.h"

struct UnsharedFile {
  int fd;
  uint64_t size;
};

UnsharedFile* OpenUnsharedFile(const char* path) {
  // Non-blocking, so that opening a FIFO does not wait for a writer; it is refused below.
  int fd = open(ToSystemPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  struct stat st;
  // The shared lock stands in for Windows' share mode 0: it fails under another open's
  // exclusive lock and keeps others from taking one while we read.
  bool ok = fstat(fd, &st) == 0;
  if (ok && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EACCES;
    ok = false;
  }
  if (!ok || flock(fd, LOCK_SH | LOCK_NB) != 0) {
    // A file locked elsewhere is in use, as ERROR_SHARING_VIOLATION says on Windows.
    int reason = ok && errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    errno = reason;
    return nullptr;
  }
  auto* file = new UnsharedFile{fd, static_cast<uint64_t>(st.st_size)};
  return file;
}

uint64_t UnsharedFileSize(UnsharedFile* file) { return file->size; }

int64_t ReadUnsharedFile(UnsharedFile* file, void* buffer, uint32_t size) {
  ssize_t n;
  do {
    n = read(file->fd, buffer, size);
  } while (n < 0 && errno == EINTR);
  return n;
}

void CloseUnsharedFile(UnsharedFile* file) {
  if (!file) return;
  close(file->fd);  // releases the lock
  delete file;
}

bool GetFileWriteDate(const char* path, CalendarDate* date) {
  UnsharedFile* file = OpenUnsharedFile(path);
  if (!file) return false;
  struct stat st;
  bool ok = fstat(file->fd, &st) == 0;
  CloseUnsharedFile(file);
  struct tm local;
  if (!ok || !localtime_r(&st.st_mtim.tv_sec, &local)) return false;
  date->year = static_cast<uint16_t>(local.tm_year + 1900);
  date->month = static_cast<uint16_t>(local.tm_mon + 1);
  date->day = static_cast<uint16_t>(local.tm_mday);
  return true;
}
