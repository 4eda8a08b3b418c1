// The registry on Linux: a regedit export file named by UPDATER_REGISTRY.

#include "platform/registry.h"

#include <cerrno>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/posix/cached_file.h"
#include "standins/regedit_file.h"

namespace {

// The registry as the file now reads; null when there is no variable, no file, or no
// regedit header in it.
const RegeditFile* CurrentRegistry() {
  static CachedFile<RegeditFile> file;
  const char* variable = std::getenv("UPDATER_REGISTRY");
  if (variable == nullptr || *variable == '\0') return nullptr;
  return file.Get(variable, [](const std::string& bytes, RegeditFile* registry) {
    return registry->Parse(bytes);
  });
}

}  // namespace

// An open key is its name, looked up again at each query, so that a key opened before the
// file changed reads the new file.
struct RegistryKeyState {
  std::uintptr_t root;
  std::string path;
};

bool RegistryOpen(std::uintptr_t root, const char* subkey, unsigned access, RegistryHandle* key) {
  *key = nullptr;
  const RegeditFile* registry = CurrentRegistry();
  const std::string path = subkey == nullptr ? std::string() : std::string(subkey);
  if (registry == nullptr || !registry->HasKey(root, path)) {
    errno = ENOENT;  // as ERROR_FILE_NOT_FOUND
    return false;
  }
  *key = new (std::nothrow) RegistryKeyState{root, path};
  if (*key == nullptr) errno = ENOMEM;
  return *key != nullptr;
}

bool RegistryQuery(RegistryHandle key, const char* name, unsigned char* data, unsigned long* size) {
  const RegeditFile* registry = CurrentRegistry();
  if (key == nullptr || registry == nullptr) {
    errno = ENOENT;
    return false;
  }
  const auto* open_key = static_cast<const RegistryKeyState*>(key);
  const std::string* value =
      registry->FindValue(open_key->root, open_key->path, name == nullptr ? "" : name);
  if (value == nullptr) {
    errno = ENOENT;
    return false;
  }
  const unsigned long needed = value->size();
  if (data != nullptr) {
    // As on Windows: a buffer that is too small gets nothing but the size needed.
    if (*size < needed) {
      *size = needed;
      errno = EOVERFLOW;  // as ERROR_MORE_DATA
      return false;
    }
    value->copy(reinterpret_cast<char*>(data), needed);
  }
  *size = needed;
  return true;
}

void RegistryClose(RegistryHandle key) { delete key; }
