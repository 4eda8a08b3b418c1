#include "platform/folders.h"

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "platform/posix/system_path.h"

// The Linux stand-ins for the Windows folders:
// - the Windows folder is /usr/share and the system folder /usr/lib, the places of shared
//   data and of shared libraries; UPDATER_WINDIR and UPDATER_SYSDIR replace them;
// - the temporary folder is $TMPDIR, else /tmp;
// - the shell's folders follow the XDG base and user folders: the desktop and documents
//   come from user-dirs.dirs, the Start menu and its Programs are the menu entries'
//   folder (applications), Startup is autostart; the all-users desktop, menu and Startup
//   are the user's own, since a desktop session shows only those; all users' application
//   data is /var/lib, program files /opt; a CSIDL with no counterpart fails.
// Like the shell, this never creates a folder.

namespace {

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) return std::nullopt;
  return std::string(value);
}

// Windows gives folders without a trailing separator, unless the folder is a root; so
// does this, and items appended to a folder then meet one separator.
std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string CoreFolder(const std::string& path) {
  return FromSystemPath(WithoutTrailingSlash(path));
}

// folder/item, also when the folder is the root.
std::string Below(const std::string& folder, const std::string& item) {
  return (folder == "/" ? std::string() : folder) + "/" + item;
}

std::optional<std::string> Home() {
  std::optional<std::string> home = Variable("HOME");
  if (home) home = WithoutTrailingSlash(*home);
  return home;
}

// An XDG base folder: the variable when it holds an absolute path (the XDG rules ignore a
// relative one), else the default below the home folder.
std::optional<std::string> BaseFolder(const char* name, const char* below_home) {
  std::optional<std::string> value = Variable(name);
  if (value && value->front() == '/') return WithoutTrailingSlash(*value);
  std::optional<std::string> home = Home();
  if (!home) return std::nullopt;
  return Below(*home, below_home);
}

// A value of user-dirs.dirs: a double-quoted "$HOME/..." or absolute path, read as the
// shell that sources the file would read it; the last line for a name wins. Nothing when
// the file or the line is missing or the value has another form.
std::optional<std::string> UserDir(const std::string& name) {
  std::optional<std::string> config = BaseFolder("XDG_CONFIG_HOME", ".config");
  if (!config) return std::nullopt;
  std::ifstream file(Below(*config, "user-dirs.dirs"));
  std::optional<std::string> found;
  std::string line;
  while (std::getline(file, line)) {
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string::npos || line.compare(at, name.size() + 2, name + "=\"") != 0) {
      continue;
    }
    at += name.size() + 2;
    std::string value;
    bool closed = false, escaped_first = false;
    for (; at < line.size(); ++at) {
      char c = line[at];
      if (c == '"') {
        closed = true;
        break;
      }
      // Inside double quotes the shell drops a backslash only before these.
      if (c == '\\' && at + 1 < line.size() && std::strchr("$`\"\\", line[at + 1])) {
        c = line[++at];
        escaped_first = escaped_first || value.empty();
      }
      value += c;
    }
    // An escaped "$" is a literal one, which names no absolute path.
    bool from_home = !escaped_first && (value == "$HOME" || value.rfind("$HOME/", 0) == 0);
    bool valid = from_home || value.rfind('/', 0) == 0;
    if (closed && valid) found = value;
  }
  if (!found || found->front() == '/') return found;
  // Without a home folder the line names nothing.
  std::optional<std::string> home = Home();
  if (!home) return std::nullopt;
  return found->size() == 5 ? *home : Below(*home, found->substr(6));
}

std::optional<std::string> UserFolder(const char* name, const char* default_below_home) {
  if (std::optional<std::string> dir = UserDir(name)) return dir;
  std::optional<std::string> home = Home();
  if (!home) return std::nullopt;
  return Below(*home, default_below_home);
}

std::optional<std::string> Join(std::optional<std::string> folder, const char* item) {
  if (!folder) return std::nullopt;
  return Below(*folder, item);
}

std::optional<std::string> LinuxFolder(unsigned csidl) {
  switch (csidl) {
    case 0x00:  // the desktop
    case 0x10:  // its folder
    case 0x19:  // all users' desktop
      return UserFolder("XDG_DESKTOP_DIR", "Desktop");
    case 0x02:  // Programs
    case 0x0B:  // the Start menu
    case 0x16:  // all users' Start menu
    case 0x17:  // all users' Programs
      return Join(BaseFolder("XDG_DATA_HOME", ".local/share"), "applications");
    case 0x05:  // documents
      return UserFolder("XDG_DOCUMENTS_DIR", "Documents");
    case 0x07:  // Startup
    case 0x18:  // all users' Startup
      return Join(BaseFolder("XDG_CONFIG_HOME", ".config"), "autostart");
    case 0x1A:  // application data
      return BaseFolder("XDG_CONFIG_HOME", ".config");
    case 0x1C:  // local application data
      return BaseFolder("XDG_DATA_HOME", ".local/share");
    case 0x23:  // all users' application data
      return std::string("/var/lib");
    case 0x26:  // program files
      return std::string("/opt");
    case 0x28:  // the user's profile
      return Home();
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string WindowsFolder() {
  return CoreFolder(Variable("UPDATER_WINDIR").value_or("/usr/share"));
}

std::string SystemFolder() { return CoreFolder(Variable("UPDATER_SYSDIR").value_or("/usr/lib")); }

std::string TempPath() {
  std::string folder = Variable("TMPDIR").value_or("/tmp");
  while (!folder.empty() && folder.back() == '/') folder.pop_back();
  return FromSystemPath(folder) + '\\';
}

bool SpecialFolder(unsigned csidl, std::string* out) {
  std::string folder;
  if (csidl == 0x24) {
    folder = WindowsFolder();
  } else if (csidl == 0x25) {
    folder = SystemFolder();
  } else if (std::optional<std::string> path = LinuxFolder(csidl)) {
    folder = CoreFolder(*path);
  } else {
    return false;
  }
  *out = folder;
  return true;
}

bool RollbackFolder(std::string* out) {
  std::optional<std::string> path = BaseFolder("XDG_STATE_HOME", ".local/state");
  if (!path) return false;
  *out = CoreFolder(Below(*path, "corvan-updater/rollback"));
  return true;
}
