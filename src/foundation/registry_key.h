#ifndef UPDATER_FOUNDATION_REGISTRY_KEY_H_
#define UPDATER_FOUNDATION_REGISTRY_KEY_H_

#include <cstdint>

#include "foundation/text_string.h"
#include "platform/registry.h"

// Reads one value of one registry key. Closed after construction and after every
// ReadValue; a key stays open only between an explicit Open and Close. Every failure
// (missing key or value, empty value, no memory, access denied) is only a false result.
class RegistryKey {
 public:
  // Opens nothing yet.
  RegistryKey(std::uintptr_t root, const TextString& subkey);
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  virtual ~RegistryKey();

  // Closes any open key first. False for a null root, without asking the registry.
  bool Open(unsigned access);
  // Bytes the value holds; 0 when no key is open or the value does not exist.
  uint32_t QueryValueSize(const char* name);
  // The value's bytes, whatever its type, followed by at least one zero byte, so that a
  // string value reads as its text. False when no key is open or the value is missing or
  // empty; out is then unchanged, unless the read itself failed after out was allocated.
  bool QueryValue(const char* name, TextString& out);
  void Close();
  // Open for reading, QueryValue, Close. An empty name is the key's default value.
  bool ReadValue(const char* name, TextString& out);

  std::uintptr_t rootKey;
  TextString subkeyPath;
  RegistryHandle openKey;
};

#endif  // UPDATER_FOUNDATION_REGISTRY_KEY_H_
