// The registry on Linux: a regedit export file named by UPDATER_REGISTRY.

#include "platform/registry.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>

#include "standins/regedit_file.h"

namespace {

// An open key is its name, looked up again at each query, so that a key opened before the
// file changed reads the new file.
struct OpenKey {
  std::uintptr_t root;
  std::string path;
};

struct LoadedFile {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified = {};
  RegeditFile registry;
};

bool SameFile(const LoadedFile& loaded, const std::string& path, const struct stat& st) {
  return loaded.path == path && loaded.device == st.st_dev && loaded.inode == st.st_ino &&
         loaded.size == st.st_size && loaded.modified.tv_sec == st.st_mtim.tv_sec &&
         loaded.modified.tv_nsec == st.st_mtim.tv_nsec;
}

// The registry as the file now reads, parsed again only when the file changed; null when
// there is no variable, no file, or no regedit header in it.
const RegeditFile* CurrentRegistry() {
  static LoadedFile loaded;
  const char* variable = std::getenv("UPDATER_REGISTRY");
  struct stat st;
  if (variable == nullptr || *variable == '\0' || stat(variable, &st) != 0 ||
      !S_ISREG(st.st_mode)) {
    loaded.path.clear();
    return nullptr;
  }
  const std::string path = variable;
  if (!SameFile(loaded, path, st)) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    loaded.path = in.is_open() ? path : std::string();
    loaded.device = st.st_dev;
    loaded.inode = st.st_ino;
    loaded.size = st.st_size;
    loaded.modified = st.st_mtim;
    if (!loaded.registry.Parse(bytes)) loaded.path.clear();
    if (loaded.path.empty()) return nullptr;
  }
  return &loaded.registry;
}

}  // namespace

bool RegistryOpen(std::uintptr_t root, const char* subkey, unsigned access, RegistryHandle* key) {
  *key = nullptr;
  const RegeditFile* registry = CurrentRegistry();
  const std::string path = subkey == nullptr ? std::string() : std::string(subkey);
  if (registry == nullptr || !registry->HasKey(root, path)) return false;
  *key = new (std::nothrow) OpenKey{root, path};
  return *key != nullptr;
}

bool RegistryQuery(RegistryHandle key, const char* name, unsigned char* data, unsigned long* size) {
  const RegeditFile* registry = CurrentRegistry();
  if (key == nullptr || registry == nullptr) return false;
  const auto* open_key = static_cast<const OpenKey*>(key);
  const std::string* value =
      registry->FindValue(open_key->root, open_key->path, name == nullptr ? "" : name);
  if (value == nullptr) return false;
  const unsigned long needed = value->size();
  if (data != nullptr) {
    // As on Windows: a buffer that is too small gets nothing but the size needed.
    if (*size < needed) {
      *size = needed;
      return false;
    }
    value->copy(reinterpret_cast<char*>(data), needed);
  }
  *size = needed;
  return true;
}

void RegistryClose(RegistryHandle key) { delete static_cast<OpenKey*>(key); }
