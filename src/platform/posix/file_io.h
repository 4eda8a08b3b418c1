#ifndef UPDATER_PLATFORM_POSIX_FILE_IO_H_
#define UPDATER_PLATFORM_POSIX_FILE_IO_H_

// What the Linux backend's writers share: whole writes, the DOS attributes' extended
// attribute, and files that replace their target in one step.

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <string>

// Hidden, system and archive live in this extended attribute as hex text ("0x22"), the form
// older Samba versions write; read-only is the absence of every write bit.
constexpr char kDosAttributes[] = "user.DOSATTRIB";

// Writes all of data, again after EINTR. False (errno set) on an error.
bool WriteAll(int fd, const void* data, size_t size);

// Keeps errno across cleanup, so that a failure reports its own reason.
class SavedErrno {
 public:
  SavedErrno() : saved_(errno) {}
  ~SavedErrno() { errno = saved_; }

 private:
  int saved_;
};

// What a finished file carries besides its bytes.
struct FileLook {
  mode_t mode = 0644;      // permission bits
  std::string dos;         // the DOS attributes' raw value; "" for none
  bool has_times = false;  // else the time of writing
  struct timespec times[2] = {};
  bool has_owner = false;  // else whoever runs the program
  uid_t uid = 0;
  gid_t gid = 0;
};

// The look of an open file: its permission bits, DOS attributes, times and owner.
FileLook LookOf(int fd, const struct stat& st);

// What a replacement may do to a file that is already in its target's place.
enum class ReplaceMode {
  kKeepExisting,         // fail with EEXIST
  kReplaceExisting,      // replace whatever is there
  kReplaceWritableFile,  // fail with EACCES on a folder or a read-only file (CopyFileA)
};

// A new file written beside its target and put in its place in one step, so that no reader
// ever sees half a file and a failure at any step leaves the target as it was. Where the
// file system allows it the file has no name until it is complete (O_TMPFILE): then a new
// target is simply linked into place, and nothing is left behind by a crash or a kill.
// Otherwise, and to replace an existing file, a named temporary file is renamed over the
// target; while it exists its path is known to the handlers of SIGINT, SIGTERM and SIGHUP,
// which remove it before the program ends. Destroying an uncommitted file removes it too.
//
// The one policy for every replacement: the owner of a replaced file is kept where the
// program may set it, and the bytes are synced before the rename when an existing file is
// replaced, so that after a crash the target holds its old or its new bytes, never none. A
// new file is not synced: a crash cannot lose what was not there.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  // Creates the file in the folder of target (a system path). False, errno set.
  bool Create(const std::string& target);
  // Creates the file in an open folder, whose system path folder_path is (for the signal
  // handlers). The folder must stay open until the commit.
  bool CreateIn(int folder_fd, const std::string& folder_path);
  int fd() const { return fd_; }

  // Gives the file its look and puts it in the place of target (a system path, in the
  // folder given to Create), or of name in the folder given to CreateIn. False (errno set,
  // the file gone, the target as it was) when any step fails.
  bool Commit(const std::string& target, const FileLook& look, ReplaceMode mode);
  bool CommitIn(const char* name, const FileLook& look, ReplaceMode mode);

  // Tests turn unnamed files off to exercise the named ones on any file system.
  static void AllowUnnamedFiles(bool allow);

 private:
  bool Prepare(const FileLook& look);
  bool MakeRoomFor(const char* name, const FileLook& look, ReplaceMode mode);
  bool LinkUnnamed(const char* name);
  bool NameUnnamed();
  void Discard();

  int folder_fd_ = -1;
  bool owns_folder_fd_ = false;
  std::string folder_path_;
  int fd_ = -1;
  std::string temp_name_;  // empty while the file has no name
};

// The look of the file at path but for its times, which a rewritten file takes anew. False,
// look unchanged, when the file cannot be opened.
bool LookForRewrite(const std::string& path, FileLook* look);

// Puts a file of these bytes and this look in target's place in one step (a replacement
// file). False (errno set) with the target as it was.
bool ReplaceWithBytes(const std::string& target, const void* data, size_t size,
                      const FileLook& look);

// rename() that fails with EEXIST when the target exists, also where the file system lacks
// RENAME_NOREPLACE. The At form takes paths relative to one open folder.
bool RenameNoReplace(const char* from, const char* to);
bool RenameNoReplaceAt(int folder_fd, const char* from, const char* to);

// Removes the temporary files a killed run left in the open folder, once per folder and
// run: only those of our naming whose maker no longer runs and whose owner we are.
void RemoveLeftoverFiles(int folder_fd);

// The last item of a system path.
std::string NameOf(const std::string& system_path);

// The folder of a system path ("." for a bare name, "/" for a top-level entry).
std::string FolderOf(const std::string& system_path);

#endif  // UPDATER_PLATFORM_POSIX_FILE_IO_H_
