#include "platform/launch.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/command_line.h"
#include "platform/posix/system_path.h"

extern char** environ;

namespace {

bool IsRegularFile(const std::string& core_path) {
  struct stat st;
  return stat(ToSystemPath(core_path.c_str()).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The program CreateProcessA would run for the line, as a core path.
std::string ProgramOf(const char* line) {
  if (*line == '"') {
    const char* end = std::strchr(line + 1, '"');
    return end ? std::string(line + 1, end) : std::string(line + 1);
  }
  // Unquoted, a path with blanks is ambiguous: the shortest run of words that names a
  // file wins. No trail byte of a double-byte character is a blank.
  std::string text = line;
  for (size_t blank = text.find_first_of(" \t"); blank != std::string::npos;
       blank = text.find_first_of(" \t", blank + 1)) {
    if (blank > 0 && IsRegularFile(text.substr(0, blank))) return text.substr(0, blank);
  }
  if (IsRegularFile(text)) return text;
  return text.substr(0, text.find_first_of(" \t"));
}

// In the child, between fork and exec: async-signal-safe calls only. A failure is
// reported to the parent as errno through the pipe, which a successful exec closes.
[[noreturn]] void RunChild(const char* file, char* const* argv, const char* folder, int report) {
  if (chdir(folder) == 0) {
    // Like CreateProcessA without handle inheritance: only the standard descriptors go on.
    syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC);
    execve(file, argv, environ);
  }
  int error = errno;
  ssize_t ignored = write(report, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

bool WaitForChild(pid_t child) {
  int status = 0;
  pid_t done;
  do {
    done = waitpid(child, &status, 0);
  } while (done < 0 && errno == EINTR);
  return done == child;
}

}  // namespace

bool LaunchCommandLine(const char* command_line, const char* folder, bool wait_for_end) {
  // Everything the child needs is prepared before fork.
  std::string file = ToSystemPath(ProgramOf(command_line).c_str());
  if (file.empty()) {
    errno = ENOENT;
    return false;
  }
  if (file[0] != '/') {
    // Relative to our folder, as CreateProcessA takes it, not to the program's.
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return false;
    file = std::string(cwd) + "/" + file;
  }
  std::string system_folder = ToSystemPath(folder);
  std::vector<std::string> arguments = SplitWindowsArguments(command_line);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    if (!wait_for_end) {
      // A program we do not wait for runs as a grandchild that init adopts, so that no
      // zombie is left behind when it ends before us.
      pid_t grandchild = fork();
      if (grandchild < 0) {
        int error = errno;
        ssize_t ignored = write(report[1], &error, sizeof error);
        (void)ignored;
      }
      if (grandchild != 0) _exit(0);
    }
    RunChild(file.c_str(), argv.data(), system_folder.c_str(), report[1]);
  }

  close(report[1]);
  int error = 0;
  ssize_t n;
  do {
    n = read(report[0], &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  close(report[0]);
  bool started = n == 0;
  bool ended = WaitForChild(child);
  // The child's reason (exec's errno) is the reason of the failure.
  if (!started) errno = n > 0 && error != 0 ? error : ECHILD;
  return started && ended;
}

void WaitForProcessEnd(uint32_t id, int32_t timeout) {
  if (id == 0 || id > static_cast<uint32_t>(INT_MAX)) return;
  int fd = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(id), 0u));
  if (fd < 0) return;
  auto ms = static_cast<uint32_t>(timeout);
  bool forever = ms == 0xFFFFFFFFu;
  auto start = std::chrono::steady_clock::now();
  for (;;) {
    int slice = -1;
    if (!forever) {
      auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
      if (elapsed >= static_cast<int64_t>(ms)) break;
      slice = static_cast<int>(std::min<int64_t>(ms - elapsed, INT_MAX));
    }
    pollfd wait{fd, POLLIN, 0};
    int ready = poll(&wait, 1, slice);
    // A signal only interrupts the wait; the time left is waited again.
    if (ready != 0 && !(ready < 0 && errno == EINTR)) break;
  }
  close(fd);
}
