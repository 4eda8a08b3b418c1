#include "platform/shortcut.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "foundation/utf8.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/posix/file_io.h"
#include "platform/posix/system_path.h"
#include "standins/shell_link.h"

namespace {

mode_t CurrentUmask() {
  mode_t mask = umask(0);
  umask(mask);
  return mask;
}

}  // namespace

bool SaveShortcut(const char* path, const char* target, const char* working_folder,
                  const char* arguments, int show_command) {
  if (Utf16Length(AnsiToUtf8(path)) > static_cast<size_t>(kMaxShortcutPath)) {
    errno = ENAMETOOLONG;
    return false;
  }
  // Windows refuses to overwrite a folder or a read-only file, whoever runs the program.
  uint32_t attributes = GetPathAttributes(path);
  if (attributes != kInvalidAttributes && (attributes & (kAttrDirectory | kAttrReadOnly))) {
    errno = attributes & kAttrDirectory ? EISDIR : EACCES;
    return false;
  }

  ShellLink link;
  link.target_ansi = target;
  link.target = AnsiToUtf8(target);
  link.working_folder = AnsiToUtf8(working_folder);
  link.arguments = AnsiToUtf8(arguments);
  if (show_command != 0) link.show_command = static_cast<uint32_t>(show_command);
  std::string bytes = WriteShellLink(link);

  // A replaced shortcut keeps its look; a new one is made as any new file would be.
  std::string system_path = ToSystemPath(path);
  FileLook look;
  look.mode = 0666 & ~CurrentUmask();
  LookForRewrite(system_path, &look);
  return ReplaceWithBytes(system_path, bytes.data(), bytes.size(), look);
}
