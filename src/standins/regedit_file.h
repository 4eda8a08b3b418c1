#ifndef UPDATER_STANDINS_REGEDIT_FILE_H_
#define UPDATER_STANDINS_REGEDIT_FILE_H_

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

// A registry described by a file in the regedit export format, the stand-in for the
// Windows registry where there is none.
//
// Accepted: the header "REGEDIT4" (text in the code page in use, or UTF-8 after a UTF-8
// byte-order mark) or "Windows Registry Editor Version 5.00" (UTF-16LE after its byte-order
// mark, or UTF-8 with or without one); lines beginning with ";" are comments. Keys:
// [HKEY_LOCAL_MACHINE\path] (also HKLM, HKEY_CURRENT_USER, HKCU, HKEY_CLASSES_ROOT, HKCR,
// HKEY_USERS, HKU); [-...] deletes a key with its subkeys. Values: @ names the default
// value, "name" any other; data "text" (escapes \\ and \"), dword:xxxxxxxx, hex:.. and
// hex(n):.. byte lists continued over lines ending in "\", or - to delete the value.
// Later lines override earlier ones; malformed lines are skipped.
//
// Key paths and value names match without regard to ASCII letter case. Texts are handed
// out in the code page in use.
class RegeditFile {
 public:
  // Replaces the contents by those of the file's bytes. False, with nothing in the
  // registry, when the bytes do not begin with a regedit header.
  bool Parse(std::string_view bytes);

  // True when the key is in the file or is the parent of a key in the file; the empty
  // path is the root itself, which exists once a file has been parsed.
  bool HasKey(std::uintptr_t root, std::string_view path) const;

  // The value's data as RegQueryValueExA gives it (a string's bytes and its terminating
  // NUL, a dword's 4 bytes little-endian...), or null. An empty name is the default value.
  const std::string* FindValue(std::uintptr_t root, std::string_view path,
                               std::string_view name) const;

 private:
  // Handles a [key] or [-key] line; returns the values of the key that later lines fill,
  // or null when they are to be skipped.
  std::map<std::string, std::string>* KeyLine(std::string_view line, bool utf8);

  bool parsed_ = false;
  // Folded "ROOT\path" -> folded value name -> data.
  std::map<std::string, std::map<std::string, std::string>> keys_;
};

// UTF-16LE bytes as UTF-8; unpaired surrogates become U+FFFD, an odd last byte is dropped.
std::string Utf16LeToUtf8(std::string_view bytes);

#endif  // UPDATER_STANDINS_REGEDIT_FILE_H_
