#include "foundation/registry_key.h"

RegistryKey::RegistryKey(std::uintptr_t root, const TextString& subkey)
    : rootKey(root), subkeyPath(subkey), openKey(nullptr) {}

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::Open(unsigned access) {
  Close();
  // A path lost to a failed copy must not open the root itself.
  if (rootKey == 0 || subkeyPath.GetText() == nullptr) return false;
  return RegistryOpen(rootKey, subkeyPath.GetText(), access, &openKey);
}

uint32_t RegistryKey::QueryValueSize(const char* name) {
  if (openKey == nullptr) return 0;
  unsigned long size = 0;
  RegistryQuery(openKey, name, nullptr, &size);
  return static_cast<uint32_t>(size);
}

bool RegistryKey::QueryValue(const char* name, TextString& out) {
  unsigned long n = QueryValueSize(name);
  if (n == 0 || openKey == nullptr) return false;
  // TextString keeps a zero byte after the n it allocates, so a value stored without its
  // terminator (or not a string at all) still ends inside the buffer.
  if (n > INT32_MAX || !out.Allocate(static_cast<int32_t>(n))) return false;
  return RegistryQuery(openKey, name, reinterpret_cast<unsigned char*>(out.GetBuffer()), &n);
}

void RegistryKey::Close() {
  if (openKey == nullptr) return;
  RegistryClose(openKey);
  openKey = nullptr;
}

bool RegistryKey::ReadValue(const char* name, TextString& out) {
  if (!Open(kKeyRead)) return false;
  const bool read = QueryValue(name, out);
  Close();
  return read;
}
