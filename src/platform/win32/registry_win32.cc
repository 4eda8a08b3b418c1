#include "platform/registry.h"

#include <windows.h>

bool RegistryOpen(std::uintptr_t root, const char* subkey, unsigned access, RegistryHandle* key) {
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(reinterpret_cast<HKEY>(root), subkey, 0, access, &opened);
  *key = result == ERROR_SUCCESS ? reinterpret_cast<RegistryHandle>(opened) : nullptr;
  // The registry functions return their error instead of setting it.
  SetLastError(static_cast<DWORD>(result));
  return result == ERROR_SUCCESS;
}

bool RegistryQuery(RegistryHandle key, const char* name, unsigned char* data, unsigned long* size) {
  DWORD bytes = *size;
  const LONG result =
      RegQueryValueExA(reinterpret_cast<HKEY>(key), name, nullptr, nullptr, data, &bytes);
  // A missing value leaves the caller's size as it was.
  if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) *size = bytes;
  SetLastError(static_cast<DWORD>(result));
  return result == ERROR_SUCCESS;
}

void RegistryClose(RegistryHandle key) { RegCloseKey(reinterpret_cast<HKEY>(key)); }
