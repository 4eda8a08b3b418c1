#include "platform/resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "platform/posix/file_io.h"
#include "platform/posix/system_path.h"
#include "standins/pe_resources.h"

namespace {

bool ReadWholeFile(int fd, size_t size, std::vector<uint8_t>* bytes) {
  bytes->resize(size);
  for (size_t done = 0; done < size;) {
    ssize_t n = read(fd, bytes->data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;  // the file shrank under us
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The image and its resources; false when the file is no regular file or no sound image.
bool ReadImageOrThrow(const std::string& path, struct stat* st, PeImage* image,
                      std::vector<Resource>* resources) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<uint8_t> bytes;
  // Images past 2 GB do not exist; nothing that large is read into memory.
  bool ok = fstat(fd, st) == 0;
  if (ok && (!S_ISREG(st->st_mode) || st->st_size > 0x7FFFFFFF)) {
    errno = S_ISDIR(st->st_mode) ? EISDIR : EFBIG;
    ok = false;
  }
  ok = ok && ReadWholeFile(fd, static_cast<size_t>(st->st_size), &bytes);
  {
    SavedErrno saved;
    close(fd);
  }
  if (!ok) return false;
  // As ERROR_BAD_EXE_FORMAT.
  if (!image->Parse(std::move(bytes)) || !image->ReadResources(resources)) {
    errno = ENOEXEC;
    return false;
  }
  return true;
}

// Memory running out is one more way for these operations to fail.
bool ReadImage(const std::string& path, struct stat* st, PeImage* image,
               std::vector<Resource>* resources) {
  try {
    return ReadImageOrThrow(path, st, image, resources);
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return false;
  }
}

bool ToResourceId(const char* text, ResourceId* id) {
  return ParseResourceId(std::string_view(AnsiToUtf8(text)), id);
}

}  // namespace

struct ResourceModuleState {
  std::vector<Resource> resources;
};

struct ResourceUpdateState {
  std::string path;  // the real file, symbolic links resolved
  struct stat st;
  PeImage image;
  std::vector<Resource> resources;
};

ResourceModule OpenResourceModule(const char* path) {
  auto* module = new (std::nothrow) ResourceModuleState;
  if (!module) return nullptr;
  struct stat st;
  PeImage image;
  if (!ReadImage(ToSystemPath(path), &st, &image, &module->resources)) {
    delete module;
    return nullptr;
  }
  return module;
}

void CloseResourceModule(ResourceModule module) { delete module; }

bool LoadFirstLanguageResource(ResourceModule module, const char* type, const char* name,
                               uint16_t* language, const void** data, uint32_t* size) {
  ResourceId type_id, name_id;
  if (!ToResourceId(type, &type_id) || !ToResourceId(name, &name_id)) return false;
  const Resource* found = FindFirstLanguage(module->resources, type_id, name_id);
  if (!found) return false;
  static const uint8_t kEmpty = 0;
  *language = found->language;
  // An empty resource still has data, which a write must not take for a removal.
  *data = found->data.empty() ? &kEmpty : found->data.data();
  *size = static_cast<uint32_t>(found->data.size());
  return true;
}

ResourceUpdate BeginResourceUpdate(const char* path) {
  std::string system_path = ToSystemPath(path);
  char real[PATH_MAX];
  if (!realpath(system_path.c_str(), real)) return nullptr;
  auto* update = new (std::nothrow) ResourceUpdateState;
  if (!update) return nullptr;
  update->path = real;
  // A file without write permission is read-only, which Windows refuses to update, even
  // when root could write it.
  if (!ReadImage(update->path, &update->st, &update->image, &update->resources) ||
      !(update->st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) {
    delete update;
    return nullptr;
  }
  return update;
}

bool WriteResource(ResourceUpdate update, const char* type, const char* name, uint16_t language,
                   const void* data, uint32_t size) {
  ResourceId type_id, name_id;
  if (!ToResourceId(type, &type_id) || !ToResourceId(name, &name_id)) return false;
  if (!data) {
    if (size != 0) return false;
    RemoveResource(&update->resources, type_id, name_id, language);
    return true;
  }
  try {
    Resource resource{std::move(type_id), std::move(name_id), language, 0, {}};
    const auto* bytes = static_cast<const uint8_t*>(data);
    resource.data.assign(bytes, bytes + size);
    SetResource(&update->resources, std::move(resource));
    return true;
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return false;
  }
}

bool EndResourceUpdate(ResourceUpdate update, bool discard) {
  bool ok = true;
  if (!discard) {
    try {
      std::vector<uint8_t> bytes;
      FileLook look;  // the target's, but for its time of last change
      ok = update->image.WriteResources(std::move(update->resources), &bytes) &&
           LookForRewrite(update->path, &look) &&
           ReplaceWithBytes(update->path, bytes.data(), bytes.size(), look);
    } catch (const std::bad_alloc&) {
      ok = false;
    }
  }
  delete update;
  return ok;
}
