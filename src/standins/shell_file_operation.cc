#include "standins/shell_file_operation.h"

#include <cstring>
#include <string>
#include <vector>

#include "foundation/paths.h"
#include "foundation/wildcard.h"
#include "platform/files.h"

namespace {

// Nonzero results, with the values the Windows shell gives for the same faults.
constexpr int kFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
constexpr int kInvalidParameter = 87;       // ERROR_INVALID_PARAMETER
constexpr int kInvalidName = 123;           // ERROR_INVALID_NAME
constexpr int kAlreadyExists = 183;         // ERROR_ALREADY_EXISTS
constexpr int kSameFile = 0x71;             // DE_SAMEFILE
constexpr int kManySources = 0x72;          // DE_MANYSRC1DEST
constexpr int kDifferentFolder = 0x73;      // DE_DIFFDIR
constexpr int kDestinationInSource = 0x76;  // DE_DESTSUBTREE
constexpr int kNotCompleted = 1223;         // ERROR_CANCELLED

struct Entry {
  std::string path;  // a core path without final backslashes
  uint32_t attributes = kInvalidAttributes;
};

bool Exists(uint32_t attributes) { return attributes != kInvalidAttributes; }
bool IsFolder(uint32_t attributes) { return Exists(attributes) && (attributes & kAttrDirectory); }
// A link is handled as an entry of its own and never entered.
bool IsLink(uint32_t attributes) { return Exists(attributes) && (attributes & kAttrReparsePoint); }
bool IsTree(uint32_t attributes) { return IsFolder(attributes) && !IsLink(attributes); }

bool EndsWithSeparator(const std::string& path) {
  return !path.empty() && LastPathSeparator(path.c_str()) == path.size() - 1;
}

// "dir\" names dir; the root "\" stays.
std::string WithoutFinalSeparators(std::string path) {
  while (path.size() > 1 && EndsWithSeparator(path)) path.pop_back();
  return path;
}

std::string Parent(const std::string& path) {
  size_t cut = LastPathSeparator(path.c_str());
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string NameOf(const std::string& path) {
  size_t cut = LastPathSeparator(path.c_str());
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return EndsWithSeparator(folder) ? folder + name : folder + "\\" + name;
}

bool Inside(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '\\');
}

// A Linux name holding a backslash would make the path of another entry, maybe outside.
bool IsPathName(const std::string& name) {
  return LastPathSeparator(name.c_str()) == std::string::npos;
}

// The entries of a folder. Read before anything is made in it, so that a copy into the
// folder itself never copies its own result. False for a name no path can hold.
bool Children(const std::string& folder, std::vector<Entry>* children) {
  FoundEntry found;
  FileSearchHandle search = FindFirstEntry(Join(folder, "*").c_str(), &found);
  if (!search) return true;
  bool ok = true;
  do {
    if (found.name == "." || found.name == "..") continue;
    ok = IsPathName(found.name);
    if (ok) children->push_back({Join(folder, found.name), found.attributes});
  } while (ok && FindNextEntry(search, &found));
  FindCloseSearch(search);
  return ok;
}

// The entries a source names: what a pattern in its last item matches, or the path itself
// (with invalid attributes when it does not exist); none, with unnameable set, when a match
// has a name no path can hold.
std::vector<Entry> Sources(const std::string& source, bool* pattern, bool* unnameable) {
  std::string path = WithoutFinalSeparators(source);
  *pattern = HasWildcard(NameOf(path).c_str());
  if (!*pattern) return {{path, GetPathAttributes(path.c_str())}};
  size_t cut = LastPathSeparator(path.c_str());
  std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  std::vector<Entry> entries;
  FoundEntry found;
  FileSearchHandle search = FindFirstEntry(path.c_str(), &found);
  if (!search) return entries;
  do {
    if (found.name == "." || found.name == "..") continue;
    // Nothing is done when a match cannot be named.
    if (!IsPathName(found.name)) {
      *unnameable = true;
      entries.clear();
      break;
    }
    entries.push_back({folder + found.name, found.attributes});
  } while (FindNextEntry(search, &found));
  FindCloseSearch(search);
  return entries;
}

bool MakeFolders(const std::string& path) {
  if (path.empty() || IsFolder(GetPathAttributes(path.c_str()))) return true;
  std::string parent = Parent(path);
  if (!MakeFolders(parent)) return false;
  return CreateFolder(path.c_str()) || IsFolder(GetPathAttributes(path.c_str()));
}

// The shell replaces and deletes read-only files without asking when told not to ask.
bool MakeWritable(const std::string& path, uint32_t attributes) {
  if (!Exists(attributes) || !(attributes & kAttrReadOnly) || IsFolder(attributes)) return true;
  return SetAttributes(path.c_str(), attributes & ~(kAttrReadOnly | kAttrNormal));
}

class Operation {
 public:
  Operation(ShellProgress progress, void* context) : progress_(progress), context_(context) {}

  bool Copy(const Entry& from, const std::string& to) {
    uint32_t existing = GetPathAttributes(to.c_str());
    if (IsLink(from.attributes)) {
      if (IsFolder(existing)) return false;
      Show(from.path);
      return CopyLinkTo(from.path.c_str(), to.c_str());
    }
    if (IsFolder(from.attributes)) {
      if (Exists(existing) && !IsFolder(existing)) return false;
      std::vector<Entry> children;
      if (!Children(from.path, &children)) return false;
      if (!Exists(existing) && !CreateFolder(to.c_str())) return false;
      for (const Entry& child : children) {
        if (!Copy(child, Join(to, NameOf(child.path)))) return false;
      }
      return true;
    }
    if (IsFolder(existing)) return false;
    Show(from.path);
    return MakeWritable(to, existing) && CopyFileTo(from.path.c_str(), to.c_str());
  }

  bool Move(const Entry& from, const std::string& to) {
    uint32_t existing = GetPathAttributes(to.c_str());
    Show(from.path);
    if (IsTree(from.attributes)) {
      if (Exists(existing) && !IsFolder(existing)) return false;
      if (!Exists(existing) && MoveEntry(from.path.c_str(), to.c_str(), false)) return true;
      // Into an existing folder, or onto another file system: entry by entry.
      std::vector<Entry> children;
      if (!Children(from.path, &children)) return false;
      if (!Exists(existing) && !CreateFolder(to.c_str())) return false;
      for (const Entry& child : children) {
        if (!Move(child, Join(to, NameOf(child.path)))) return false;
      }
      return RemoveFolder(from.path.c_str());
    }
    if (IsFolder(existing)) return false;
    return MakeWritable(to, existing) && MoveEntry(from.path.c_str(), to.c_str(), true);
  }

  bool Delete(const Entry& entry) {
    if (IsTree(entry.attributes)) {
      std::vector<Entry> children;
      if (!Children(entry.path, &children)) return false;
      for (const Entry& child : children) {
        if (!Delete(child)) return false;
      }
      return RemoveFolder(entry.path.c_str());
    }
    Show(entry.path);
    return MakeWritable(entry.path, entry.attributes) && RemoveFile(entry.path.c_str());
  }

  bool Rename(const Entry& entry, const std::string& to) {
    Show(entry.path);
    return MoveEntry(entry.path.c_str(), to.c_str(), false);
  }

 private:
  void Show(const std::string& path) {
    if (progress_) progress_(path.c_str(), context_);
  }

  ShellProgress progress_;
  void* context_;
};

int Transfer(Operation& operation, bool move, const std::vector<Entry>& sources,
             const std::string& target) {
  if (sources.empty() || !Exists(sources[0].attributes)) return kFileNotFound;
  for (const Entry& entry : sources) {
    if (IsTree(entry.attributes) && Inside(target, entry.path)) return kDestinationInSource;
  }
  auto transfer = [&](const Entry& entry, const std::string& to) {
    return move ? operation.Move(entry, to) : operation.Copy(entry, to);
  };
  uint32_t existing = GetPathAttributes(target.c_str());
  if (sources.size() > 1) {
    if (Exists(existing) && !IsFolder(existing)) return kNotCompleted;
    if (!MakeFolders(target)) return kNotCompleted;
    for (const Entry& entry : sources) {
      if (!transfer(entry, Join(target, NameOf(entry.path)))) return kNotCompleted;
    }
    return 0;
  }
  const Entry& entry = sources[0];
  std::string to = IsFolder(existing) ? Join(target, NameOf(entry.path)) : target;
  if (to == entry.path) return kSameFile;
  if (!MakeFolders(Parent(target))) return kNotCompleted;
  return transfer(entry, to) ? 0 : kNotCompleted;
}

// The first text of a buffer, never read past its end.
std::string FirstText(const char* buffer) {
  return std::string(buffer, strnlen(buffer, kShellBufferSize));
}

}  // namespace

int RunShellFileOperation(const ShellRequest& request, ShellProgress progress, void* context) {
  std::string source = FirstText(request.from);
  std::string target = WithoutFinalSeparators(FirstText(request.to));
  if (source.empty()) return kFileNotFound;
  if (request.function != kShellDelete && HasWildcard(NameOf(target).c_str())) return kInvalidName;
  bool pattern = false;
  bool unnameable = false;
  std::vector<Entry> sources = Sources(source, &pattern, &unnameable);
  if (unnameable) return kNotCompleted;
  Operation operation(progress, context);
  switch (request.function) {
    case kShellCopy:
    case kShellMove:
      return Transfer(operation, request.function == kShellMove, sources, target);
    case kShellDelete:
      // A pattern that matches nothing leaves nothing to delete.
      if (!pattern && !Exists(sources[0].attributes)) return kFileNotFound;
      for (const Entry& entry : sources) {
        if (!operation.Delete(entry)) return kNotCompleted;
      }
      return 0;
    case kShellRename: {
      if (pattern) return kManySources;
      const Entry& entry = sources[0];
      if (!Exists(entry.attributes)) return kFileNotFound;
      if (Parent(entry.path) != Parent(target)) return kDifferentFolder;
      if (Exists(GetPathAttributes(target.c_str()))) return kAlreadyExists;
      return operation.Rename(entry, target) ? 0 : kNotCompleted;
    }
    default:
      return kInvalidParameter;
  }
}
