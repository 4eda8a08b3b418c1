#include "platform/posix/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <set>
#include <tuple>

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

namespace {

bool allow_unnamed = true;

// Linking an unnamed file into place goes through /proc, which a chroot may lack.
bool UnnamedFilesWork() {
  static const bool proc = access("/proc/self/fd", X_OK) == 0;
  return allow_unnamed && proc;
}

// A name for a temporary file, new at each call.
std::string TemporaryName() {
  static unsigned counter = 0;
  char name[48];
  std::snprintf(name, sizeof name, ".updater-%d-%u-%lx", static_cast<int>(getpid()), ++counter,
                static_cast<unsigned long>(clock()));
  return name;
}

// The process that made a temporary file, from its name (".updater-PID-..." or
// ".updater-link-PID"); 0 when the name is none of ours.
pid_t MakerOf(const char* name) {
  const char* rest = nullptr;
  if (std::strncmp(name, ".updater-link-", 14) == 0) {
    rest = name + 14;
  } else if (std::strncmp(name, ".updater-", 9) == 0) {
    rest = name + 9;
  } else {
    return 0;
  }
  char* end = nullptr;
  long pid = std::strtol(rest, &end, 10);
  if (end == rest || pid <= 0 || (*end != '-' && *end != '\0')) return 0;
  return static_cast<pid_t>(pid);
}

// A run killed while a named temporary file existed left it behind. The first time a run
// writes one in a folder, it removes those it can prove are a dead run's: our name, a maker
// that no longer runs, our owner.
void RemoveLeftoversOnce(int folder_fd) {
  // A folder made anew may get the number of one removed earlier in the run: its time of
  // birth tells them apart where the file system keeps one.
  static std::set<std::tuple<uint32_t, uint32_t, uint64_t, int64_t, uint32_t>> cleaned;
  struct statx folder;
  if (statx(folder_fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &folder) != 0 ||
      !cleaned
           .insert({folder.stx_dev_major, folder.stx_dev_minor, folder.stx_ino,
                    folder.stx_btime.tv_sec, folder.stx_btime.tv_nsec})
           .second) {
    return;
  }
  int listing = openat(folder_fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = listing < 0 ? nullptr : fdopendir(listing);
  if (!dir) {
    if (listing >= 0) close(listing);
    return;
  }
  while (dirent* d = readdir(dir)) {
    pid_t maker = MakerOf(d->d_name);
    struct stat st;
    if (maker == 0 || maker == getpid() || kill(maker, 0) == 0 || errno != ESRCH) continue;
    if (fstatat(folder_fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && st.st_uid == geteuid() &&
        (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) {
      unlinkat(folder_fd, d->d_name, 0);
    }
  }
  closedir(dir);
}

}  // namespace

void RemoveLeftoverFiles(int folder_fd) {
  SavedErrno saved;
  RemoveLeftoversOnce(folder_fd);
}

void ReplacementFile::AllowUnnamedFiles(bool allow) { allow_unnamed = allow; }

ReplacementFile::~ReplacementFile() { Discard(); }

bool ReplacementFile::Create(const std::string& target) {
  Discard();
  std::string folder = FolderOf(target);
  int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder_fd < 0) return false;
  if (!CreateIn(folder_fd, folder)) {
    SavedErrno saved;
    close(folder_fd);
    return false;
  }
  owns_folder_fd_ = true;
  return true;
}

bool ReplacementFile::CreateIn(int folder_fd, const std::string& folder_path) {
  Discard();
  InstallHandlersOnce();
  folder_fd_ = folder_fd;
  folder_path_ = folder_path;
  if (UnnamedFilesWork()) {
    fd_ = openat(folder_fd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) return true;
    // File systems without unnamed files say so in several ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
  }
  RemoveLeftoverFiles(folder_fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryName();
    fd_ = openat(folder_fd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd_ >= 0) {
      temp_name_ = name;
      SetPending(folder_path_ + "/" + temp_name_);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// What does not depend on the target: permissions, owner, DOS attributes and times.
bool ReplacementFile::Prepare(const FileLook& look) {
  if (fchmod(fd_, look.mode) != 0) return false;
  // Only root may give a file away; anyone else keeps what they write.
  if (look.has_owner && fchown(fd_, look.uid, look.gid) != 0 && geteuid() == 0) return false;
  // A file system without extended attributes simply has no such bits.
  if (!look.dos.empty()) fsetxattr(fd_, kDosAttributes, look.dos.data(), look.dos.size(), 0);
  return !look.has_times || futimens(fd_, look.times) == 0;
}

// Called when something is in name's place: refuses it or readies the file to replace it.
bool ReplacementFile::MakeRoomFor(const char* name, const FileLook& look, ReplaceMode mode) {
  if (mode == ReplaceMode::kKeepExisting) {
    errno = EEXIST;
    return false;
  }
  struct stat existing;
  // A link that leads nowhere is replaced as it stands.
  if (fstatat(folder_fd_, name, &existing, 0) != 0) return errno == ENOENT;
  if (mode == ReplaceMode::kReplaceWritableFile &&
      (S_ISDIR(existing.st_mode) || !(existing.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)))) {
    errno = EACCES;
    return false;
  }
  if (!look.has_owner && fchown(fd_, existing.st_uid, existing.st_gid) != 0 && geteuid() == 0) {
    return false;
  }
  return fsync(fd_) == 0;
}

bool ReplacementFile::LinkUnnamed(const char* name) {
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd_);
  return linkat(AT_FDCWD, self, folder_fd_, name, AT_SYMLINK_FOLLOW) == 0;
}

// Gives the unnamed file a temporary name, to be renamed over what is in its place.
bool ReplacementFile::NameUnnamed() {
  RemoveLeftoverFiles(folder_fd_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = TemporaryName();
    if (LinkUnnamed(name.c_str())) {
      temp_name_ = name;
      SetPending(folder_path_ + "/" + temp_name_);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

bool ReplacementFile::Commit(const std::string& target, const FileLook& look, ReplaceMode mode) {
  return CommitIn(NameOf(target).c_str(), look, mode);
}

bool ReplacementFile::CommitIn(const char* name, const FileLook& look, ReplaceMode mode) {
  if (fd_ < 0) {
    errno = EBADF;
    return false;
  }
  bool ok = Prepare(look);
  bool placed = false;
  if (ok && temp_name_.empty()) {
    // The common case of a new target: one link, nothing to rename over.
    placed = LinkUnnamed(name);
    ok = placed || errno == EEXIST;
    if (ok && !placed) ok = MakeRoomFor(name, look, mode) && NameUnnamed();
  } else if (ok) {
    struct stat existing;
    if (fstatat(folder_fd_, name, &existing, AT_SYMLINK_NOFOLLOW) == 0) {
      ok = MakeRoomFor(name, look, mode);
    }
  }
  ok = close(fd_) == 0 && ok;
  fd_ = -1;
  if (ok && !placed) {
    ok = mode == ReplaceMode::kKeepExisting
             ? RenameNoReplaceAt(folder_fd_, temp_name_.c_str(), name)
             : renameat(folder_fd_, temp_name_.c_str(), folder_fd_, name) == 0;
  }
  if (!ok) {
    Discard();
    return false;
  }
  pending = 0;
  temp_name_.clear();
  Discard();  // closes the folder when it is ours
  return true;
}

void ReplacementFile::Discard() {
  SavedErrno saved;
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  if (!temp_name_.empty()) {
    pending = 0;
    unlinkat(folder_fd_, temp_name_.c_str(), 0);
    temp_name_.clear();
  }
  if (owns_folder_fd_) close(folder_fd_);
  owns_folder_fd_ = false;
  folder_fd_ = -1;
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
  return out.Create(target) && WriteAll(out.fd(), data, size) &&
         out.Commit(target, look, ReplaceMode::kReplaceExisting);
}

bool RenameNoReplace(const char* from, const char* to) {
  return RenameNoReplaceAt(AT_FDCWD, from, to);
}

bool RenameNoReplaceAt(int folder_fd, const char* from, const char* to) {
  if (renameat2(folder_fd, from, folder_fd, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat st;
  if (fstatat(folder_fd, to, &st, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return false;
  }
  return renameat(folder_fd, from, folder_fd, to) == 0;
}

std::string NameOf(const std::string& system_path) {
  size_t cut = system_path.rfind('/');
  return cut == std::string::npos ? system_path : system_path.substr(cut + 1);
}

std::string FolderOf(const std::string& system_path) {
  size_t cut = system_path.rfind('/');
  if (cut == std::string::npos) return ".";
  return cut == 0 ? "/" : system_path.substr(0, cut);
}
