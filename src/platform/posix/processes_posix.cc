#include "platform/processes.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/code_page.h"
#include "platform/posix/system_path.h"

namespace {

// ASCII case only, as for every name the core compares; the second byte of a double-byte
// character is compared as it is, since it may look like an ASCII letter.
bool EqualIgnoringCase(const char* a, const char* b) {
  while (*a && *b) {
    int length = CharLength(a);
    if (length != CharLength(b)) return false;
    if (length == 2) {
      if (a[0] != b[0] || a[1] != b[1]) return false;
    } else if (AsciiToLower(*a) != AsciiToLower(*b)) {
      return false;
    }
    a += length;
    b += length;
  }
  return *a == *b;
}

std::vector<pid_t> ProcessIds() {
  std::vector<pid_t> ids;
  DIR* dir = opendir("/proc");
  if (!dir) return ids;
  while (dirent* d = readdir(dir)) {
    const char* name = d->d_name;
    if (!*name || name[std::strspn(name, "0123456789")] != '\0') continue;
    ids.push_back(static_cast<pid_t>(std::strtol(name, nullptr, 10)));
  }
  closedir(dir);
  // The directory's order is not defined; the lowest id stands for "first in the list".
  std::sort(ids.begin(), ids.end());
  return ids;
}

// What a snapshot entry would hold: the executable's full path when it can be read (only
// for our own user's processes, unless we are root), else the bare name.
std::string ImageName(pid_t pid) {
  std::string proc = "/proc/" + std::to_string(pid);
  char buffer[4096];
  ssize_t n = readlink((proc + "/exe").c_str(), buffer, sizeof buffer);
  if (n > 0 && static_cast<size_t>(n) < sizeof buffer) {
    std::string path(buffer, n);
    static const std::string kDeleted = " (deleted)";
    // A replaced executable still names the path the process was started from.
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
      path.resize(path.size() - kDeleted.size());
    }
    return FromSystemPath(path);
  }
  std::string name;
  std::getline(std::ifstream(proc + "/comm"), name);
  // A process may name itself anything; a name with a separator would pass for a path.
  if (name.find_first_of("/\\") != std::string::npos) return std::string();
  return name;
}

}  // namespace

uint32_t FindRunningProcess(const char* path) {
  if (!path || !*path) return 0;
  pid_t self = getpid();
  for (pid_t pid : ProcessIds()) {
    if (pid == self) continue;
    std::string image = ImageName(pid);
    // A process that ended during the walk leaves nothing to compare.
    if (!image.empty() && EqualIgnoringCase(image.c_str(), path)) return static_cast<uint32_t>(pid);
  }
  return 0;
}

bool IsWindowsNT() { return true; }
