#include "platform/resources.h"

#include <windows.h>

#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "standins/pe_resources.h"

namespace {

// Wine's resource functions trust the file's resource directory: a loop, an offset past the
// end or a huge count makes them fault. Our reader checks every offset, and what it refuses
// never reaches them. True, with ERROR_BAD_EXE_FORMAT, for a file that could be read and is no
// sound image; a file that cannot be read is left to the system function to refuse.
bool RefusedByOurReader(const char* path) {
  HANDLE file =
      CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool refused = true;
  DWORD error = ERROR_BAD_EXE_FORMAT;
  LARGE_INTEGER size;
  // Images past 2 GB do not exist; nothing that large is read into memory.
  if (GetFileSizeEx(file, &size) && size.QuadPart <= 0x7FFFFFFF) {
    try {
      std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
      DWORD done = 0;
      if (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
          done == bytes.size()) {
        PeImage image;
        std::vector<Resource> resources;
        refused = !image.Parse(std::move(bytes)) || !image.ReadResources(&resources);
      } else {
        refused = false;  // unreadable after all: the system function tells why
      }
    } catch (const std::bad_alloc&) {
      error = ERROR_NOT_ENOUGH_MEMORY;
    }
  }
  CloseHandle(file);
  if (refused) SetLastError(error);
  return refused;
}

struct FirstLanguage {
  WORD language = 0;
  bool found = false;
};

// Takes the first language listed and stops the enumeration.
BOOL CALLBACK FirstLanguageProc(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  auto* first = reinterpret_cast<FirstLanguage*>(param);
  first->language = language;
  first->found = true;
  return FALSE;
}

}  // namespace

ResourceModule OpenResourceModule(const char* path) {
  if (RefusedByOurReader(path)) return nullptr;
  // As a data file: a DLL's entry point does not run, and a module of the other bitness
  // opens too.
  return reinterpret_cast<ResourceModule>(LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

void CloseResourceModule(ResourceModule module) { FreeLibrary(reinterpret_cast<HMODULE>(module)); }

bool LoadFirstLanguageResource(ResourceModule handle, const char* type, const char* name,
                               uint16_t* language, const void** data, uint32_t* size) {
  auto module = reinterpret_cast<HMODULE>(handle);
  FirstLanguage first;
  EnumResourceLanguagesA(module, type, name, FirstLanguageProc, reinterpret_cast<LONG_PTR>(&first));
  if (!first.found) return false;
  *language = first.language;
  // FindResourceA would pick the language of the user's settings, whose data need not be
  // that of the language written with it.
  HRSRC found = FindResourceExA(module, type, name, first.language);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* locked = loaded ? LockResource(loaded) : nullptr;
  if (!locked) return false;
  *data = locked;
  *size = SizeofResource(module, found);
  return true;
}

ResourceUpdate BeginResourceUpdate(const char* path) {
  // Wine running as root updates a read-only file, which Windows refuses.
  DWORD attributes = GetFileAttributesA(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  if (RefusedByOurReader(path)) return nullptr;
  SetLastError(ERROR_SUCCESS);
  HANDLE update = BeginUpdateResourceA(path, FALSE);
  // Wine fails on a missing file or one that is no image without saying why.
  if (!update && GetLastError() == ERROR_SUCCESS) {
    SetLastError(attributes == INVALID_FILE_ATTRIBUTES ? ERROR_FILE_NOT_FOUND
                                                       : ERROR_BAD_EXE_FORMAT);
  }
  return reinterpret_cast<ResourceUpdate>(update);
}

bool WriteResource(ResourceUpdate update, const char* type, const char* name, uint16_t language,
                   const void* data, uint32_t size) {
  return UpdateResourceA(reinterpret_cast<HANDLE>(update), type, name, language,
                         const_cast<void*>(data), size) != 0;
}

bool EndResourceUpdate(ResourceUpdate update, bool discard) {
  return EndUpdateResourceA(reinterpret_cast<HANDLE>(update), discard) != 0;
}
