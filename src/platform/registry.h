#ifndef UPDATER_PLATFORM_REGISTRY_H_
#define UPDATER_PLATFORM_REGISTRY_H_

#include <cstdint>

// Reading the registry: advapi32 on Windows; on Linux the keys and values of the regedit
// export file named by UPDATER_REGISTRY (no variable or no file: no key can be opened).

// Root keys by their Windows handle values.
constexpr std::uintptr_t kHkeyCurrentUser = 0x80000001;
constexpr std::uintptr_t kHkeyLocalMachine = 0x80000002;
constexpr unsigned kKeyRead = 0x20019;

// An open key; each backend defines what it holds.
struct RegistryKeyState;
using RegistryHandle = RegistryKeyState*;

// Opens subkey below root. Returns true and sets *key on success; *key stays null otherwise.
bool RegistryOpen(std::uintptr_t root, const char* subkey, unsigned access, RegistryHandle* key);

// RegQueryValueExA's contract: with data null only *size is set (bytes the value needs, 0
// and left unchanged on failure for a missing value); with data, up to *size bytes are
// copied. Returns true on ERROR_SUCCESS. An empty name means the key's default value.
bool RegistryQuery(RegistryHandle key, const char* name, unsigned char* data, unsigned long* size);

void RegistryClose(RegistryHandle key);

#endif  // UPDATER_PLATFORM_REGISTRY_H_
