#include "foundation/paths.h"

#include <string>

#include "foundation/code_page.h"
#include "platform/files.h"

size_t LastPathSeparator(const char* path) {
  size_t last = std::string::npos;
  for (size_t i = 0; path[i]; ++i) {
    if (IsLeadByte(static_cast<unsigned char>(path[i])) && path[i + 1] != '\0') {
      ++i;
    } else if (path[i] == '\\') {
      last = i;
    }
  }
  return last;
}

bool PathExists(const char* path) {
  FoundEntry entry;
  FileSearchHandle search = FindFirstEntry(path, &entry);
  if (!search) return false;
  FindCloseSearch(search);
  return true;
}

bool IsFolder(const char* path) {
  uint32_t attributes = GetPathAttributes(path);
  return attributes != kInvalidAttributes && (attributes & kAttrDirectory);
}

bool MakePath(const TextString& path) {
  if (IsFolder(path.GetText())) return true;
  int32_t count = path.CountItems("\\");
  for (int32_t i = 1; i < count; ++i) {
    // "D:\a\" or "D:\a\\b": the empty item names the folder before it once more.
    if (path.GetItem(i, "\\").GetLength() == 0) continue;
    TextString prefix = path.GetItems(0, i, "\\");
    if (IsFolder(prefix.GetText())) continue;
    // Made meanwhile by someone else is as good as made here.
    if (!CreateFolder(prefix.GetText()) && !IsFolder(prefix.GetText())) return false;
  }
  return true;
}

TextString WithoutTrailingBackslashes(const TextString& path) {
  // Item by item rather than byte-wise: in code page 932 a name may end in a byte 0x5C.
  TextString base = path;
  while (base.CountItems("\\") > 1 && base.GetItem(-1, "\\").GetLength() == 0) {
    base = base.GetItems(0, -2, "\\");
  }
  return base;
}

bool WalkFolder(const TextString& path, WalkCallback callback, bool recurse, void* context) {
  // Entry paths begin with prefix: the base folder and a backslash.
  TextString prefix, pattern;
  if (recurse && IsFolder(path.GetText())) {
    // Leading backslashes stay: a Linux root path or a network path begins with them.
    prefix = WithoutTrailingBackslashes(path) + "\\";
    pattern = prefix + "*.*";
  } else {
    // A path of one item is relative to the current folder; its entries are bare names.
    if (path.CountItems("\\") > 1) prefix = path.GetItems(0, -2, "\\") + "\\";
    pattern = path;
  }
  FoundEntry entry;
  FileSearchHandle search = FindFirstEntry(pattern.GetText(), &entry);
  if (!search) return false;
  bool ok = true;
  do {
    if ((entry.attributes & kAttrDirectory) && (entry.name == "." || entry.name == "..")) continue;
    if (LastPathSeparator(entry.name.c_str()) != std::string::npos) {
      ok = false;
      break;
    }
    TextString entry_path = prefix + entry.name.c_str();
    if (entry.attributes & kAttrReparsePoint) {
      ok = callback(entry_path, kWalkLink, context);
    } else if (entry.attributes & kAttrDirectory) {
      ok = callback(entry_path, kWalkEnterFolder, context) &&
           (!recurse || WalkFolder(entry_path, callback, recurse, context)) &&
           callback(entry_path, kWalkLeaveFolder, context);
    } else {
      ok = callback(entry_path, kWalkFile, context);
    }
  } while (ok && FindNextEntry(search, &entry));
  FindCloseSearch(search);
  return ok;
}
