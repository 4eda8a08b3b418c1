#include "platform/posix/file_io.h"

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// The temporary file being written, for the signal handlers: the program writes one at a
// time. The flag is raised only once the path is complete.
char pending_path[PATH_MAX];
volatile sig_atomic_t pending = 0;

void RemovePendingAndEnd(int signal_number) {
  if (pending) unlink(pending_path);
  // End as the signal would have ended the program, so that the caller sees it.
  struct sigaction action = {};
  action.sa_handler = SIG_DFL;
  sigaction(signal_number, &action, nullptr);
  raise(signal_number);
}

void InstallHandlersOnce() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old = {};
    // A signal the caller chose to ignore (nohup) stays ignored.
    if (sigaction(signal_number, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
    struct sigaction action = {};
    action.sa_handler = RemovePendingAndEnd;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
  }
}

void SetPending(const std::string& path) {
  pending = 0;
  if (path.size() >= sizeof pending_path) return;
  std::memcpy(pending_path, path.c_str(), path.size() + 1);
  pending = 1;
}

}  // namespace

bool WriteAll(int fd, const void* data, size_t size) {
  const char* bytes = static_cast<const char*>(data);
  for (size_t done = 0; done < size;) {
    ssize_t n = write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

FileLook LookOf(int fd, const struct stat& st) {
  FileLook look;
  look.mode = st.st_mode & 07777;
  char stored[32];
  ssize_t n = fgetxattr(fd, kDosAttributes, stored, sizeof stored);
  if (n > 0) look.dos.assign(stored, static_cast<size_t>(n));
  look.has_times = true;
  look.times[0] = st.st_atim;
  look.times[1] = st.st_mtim;
  look.has_owner = true;
  look.uid = st.st_uid;
  look.gid = st.st_gid;
  return look;
}

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Create(const std::string& target) {
  Discard();
  path_ = FolderOf(target) + "/.updater-XXXXXX";
  InstallHandlersOnce();
  fd_ = mkostemp(path_.data(), O_CLOEXEC);
  if (fd_ < 0) {
    path_.clear();
    return false;
  }
  SetPending(path_);
  return true;
}

bool ReplacementFile::Commit(const std::string& target, const FileLook& look, bool replace) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  struct stat existing;
  bool replacing = stat(target.c_str(), &existing) == 0;
  bool ok = fchmod(fd_, look.mode) == 0;
  uid_t uid = look.has_owner ? look.uid : existing.st_uid;
  gid_t gid = look.has_owner ? look.gid : existing.st_gid;
  // Only root may give a file away; anyone else keeps what they write.
  if (ok && (look.has_owner || replacing)) ok = fchown(fd_, uid, gid) == 0 || geteuid() != 0;
  // A file system without extended attributes simply has no such bits.
  if (ok && !look.dos.empty()) fsetxattr(fd_, kDosAttributes, look.dos.data(), look.dos.size(), 0);
  if (ok && look.has_times) ok = futimens(fd_, look.times) == 0;
  if (ok && replacing) ok = fsync(fd_) == 0;
  ok = close(fd_) == 0 && ok;
  fd_ = -1;
  if (ok) {
    ok = replace ? rename(path_.c_str(), target.c_str()) == 0
                 : RenameNoReplace(path_.c_str(), target.c_str());
  }
  if (!ok) {
    Discard();
    return false;
  }
  pending = 0;
  path_.clear();
  return true;
}

void ReplacementFile::Discard() {
  SavedErrno saved;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!path_.empty()) {
    pending = 0;
    unlink(path_.c_str());
    path_.clear();
  }
}

bool LookForRewrite(const std::string& path, FileLook* look) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0;
  if (ok) {
    *look = LookOf(fd, st);
    look->has_times = false;
  }
  SavedErrno saved;
  close(fd);
  return ok;
}

bool ReplaceWithBytes(const std::string& target, const void* data, size_t size,
                      const FileLook& look) {
  ReplacementFile out;
  return out.Create(target) && WriteAll(out.fd(), data, size) && out.Commit(target, look, true);
}

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

std::string FolderOf(const std::string& system_path) {
  size_t cut = system_path.rfind('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : system_path.substr(0, cut);
}
