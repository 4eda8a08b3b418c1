#include "platform/shortcut.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "standins/shell_link.h"
#include "foundation/utf8.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/posix/system_path.h"

namespace {

bool WriteAll(int fd, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

mode_t CurrentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

bool SaveShortcut(const char* path, const char* target, const char* working_folder,
                  const char* arguments, int show_command) {
  if (Utf16Length(AnsiToUtf8(path)) > static_cast<size_t>(kMaxShortcutPath)) return false;
  // Windows refuses to overwrite a folder or a read-only file, whoever runs the program.
  uint32_t attributes = GetPathAttributes(path);
  if (attributes != kInvalidAttributes && (attributes & (kAttrDirectory | kAttrReadOnly)))
    return false;

  ShellLink link;
  link.target_ansi = target;
  link.target = AnsiToUtf8(target);
  link.working_folder = AnsiToUtf8(working_folder);
  link.arguments = AnsiToUtf8(arguments);
  if (show_command != 0) link.show_command = static_cast<uint32_t>(show_command);
  std::string bytes = WriteShellLink(link);

  // Written beside the target and renamed over it, so no reader sees half a file.
  std::string system_path = ToSystemPath(path);
  std::string temp = system_path + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0666 & ~CurrentUmask()) == 0 && WriteAll(fd, bytes);
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), system_path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}
