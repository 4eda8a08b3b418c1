#ifndef UPDATER_PLATFORM_FILES_H_
#define UPDATER_PLATFORM_FILES_H_

#include <cstdint>
#include <string>

// Windows file attribute bits, used on both platforms.
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
// A symbolic link, junction or other reparse point: the link itself, with kAttrDirectory when
// it stands for a folder. A walk never goes through one.
constexpr uint32_t kAttrReparsePoint = 0x400;
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// A folder itself, not a link that leads to one.
inline bool IsRealFolder(uint32_t attributes) {
  return attributes != kInvalidAttributes && (attributes & kAttrDirectory) &&
         !(attributes & kAttrReparsePoint);
}

struct FoundEntry {
  std::string name;  // the entry's own name, no folder
  uint32_t attributes = 0;
};

// An open search; each backend defines what it holds.
struct FileSearchState;
using FileSearchHandle = FileSearchState*;

// Starts a search for a path whose last item may hold the wildcards "*" and "?", and
// gives the first entry. Null when nothing matches. "." and ".." are returned like any
// entry when the pattern matches them.
FileSearchHandle FindFirstEntry(const char* pattern, FoundEntry* entry);
// The next entry; false when there is none left.
bool FindNextEntry(FileSearchHandle search, FoundEntry* entry);
void FindCloseSearch(FileSearchHandle search);

// The attributes of a path, kInvalidAttributes when it does not exist.
uint32_t GetPathAttributes(const char* path);

// CreateDirectoryA(path, NULL): false when it exists already or cannot be made.
bool CreateFolder(const char* path);

// What follows has the Windows rules on both platforms: a read-only file is never
// overwritten, replaced or deleted, whoever runs the program, and "*" or "?" in the name
// of something to be made is refused.

// CopyFileA(source, target, FALSE): copies a file with its contents, attributes and time
// of last change, replacing an existing target file. False when the source is no file,
// the target is a folder or a read-only file, or the target's folder does not exist, and
// when the target is the source itself by any path or link (a sharing violation; Linux:
// EBUSY). A copy that fails leaves the target as it was.
bool CopyFileTo(const char* source, const char* target);

// Moves (renames) a file or a folder; a file also to another volume. Without replace
// (MoveFileA) an existing target makes it fail. With replace (MoveFileExA with
// MOVEFILE_REPLACE_EXISTING), a file takes the place of an existing target file in one
// step, unless that one is read-only; a folder target, or a folder source onto anything,
// still fails. A failed move leaves both paths as they were.
bool MoveEntry(const char* source, const char* target, bool replace);

// Copies the link at source as a link to the same place, replacing what CopyFileTo would
// replace. False where the system cannot make links this way (Windows), which never follows
// the link instead.
bool CopyLinkTo(const char* source, const char* target);

// DeleteFileA: false for a folder, a missing path or a read-only file. A link is removed
// itself, also one that stands for a folder, never what it leads to.
bool RemoveFile(const char* path);

// RemoveDirectoryA: false unless the path is an empty folder.
bool RemoveFolder(const char* path);

// SetFileAttributesA: the read-only, hidden, system and archive bits of the path become
// those of attributes (kAttrNormal or 0: none of them); other bits count only where the
// system keeps them. False when the path does not exist or cannot be changed.
bool SetAttributes(const char* path, uint32_t attributes);

// An open folder, listed when it is opened. Its entries are then opened and changed
// relative to it, so that a walk looks each entry up once and a folder renamed meanwhile
// cannot send the walk elsewhere. Each backend defines what it holds.
struct OpenFolderState;
using FolderHandle = OpenFolderState*;

enum FolderEntryKind {
  kEntryFile = 0,
  kEntryFolder = 1,
  kEntryLink = 2,  // a symbolic link, junction or other reparse point, whatever it leads to
};

struct FolderEntry {
  std::string name;
  FolderEntryKind kind = kEntryFile;
};

// Opens the folder at path (no final backslash; through a link); null when it is no folder or
// cannot be read.
FolderHandle OpenFolder(const char* path);
// Opens the folder name of folder; a link is followed only with follow_link.
FolderHandle OpenFolderIn(FolderHandle folder, const char* name, bool follow_link);
// The next entry but "." and ".."; false after the last.
bool NextFolderEntry(FolderHandle folder, FolderEntry* entry);
void CloseFolder(FolderHandle folder);

// RemoveFile for the entry name of folder; a link is removed itself, never what it leads
// to.
bool RemoveFileIn(FolderHandle folder, const char* name);
// RemoveFolder for the entry name of folder.
bool RemoveFolderIn(FolderHandle folder, const char* name);
// Makes the folder name in folder; true as well when a folder of that name is there.
bool EnsureFolderIn(FolderHandle folder, const char* name);
// CopyFileTo from the entry name of source to the entry of that name in target.
bool CopyFileInto(FolderHandle source, const char* name, FolderHandle target);
// CopyLinkTo from the link name of source to the entry of that name in target.
bool CopyLinkInto(FolderHandle source, const char* name, FolderHandle target);

// What undoing an update needs of the file system.

// CreateHardLinkA: link becomes a second name of the file (or link) at existing. False
// across volumes and where the file system has no such links.
bool MakeHardLink(const char* existing, const char* link);

// Removes a file or link even when it is read-only, leaving every other name of the same
// file (a hard link) with its attributes as they were. False for a folder or a missing path.
bool RemoveFileAnyway(const char* path);

// The look of a file, folder or link that SetEntryLook gives back: its attributes and its
// time of last change (Linux: the permission bits, the stored attribute bits and the time
// to the nanosecond). A short text of printable ASCII without tabs; empty when the path
// does not exist.
std::string GetEntryLook(const char* path);
bool SetEntryLook(const char* path, const std::string& look);

// Removes from folder the temporary files that copies of this program, killed before they
// ended, left there.
void RemoveLeftoversIn(const char* folder);

// A file only ever appended to, each append forced to the disk before it returns: it
// survives the process being killed and the machine losing power.
struct DurableFileState;
using DurableFile = DurableFileState*;
// Opens path for reading and appending, making it when missing (private to the user). Only
// one process at a time holds it: null when another has it open, or on failure.
DurableFile OpenDurableFile(const char* path);
// The whole file as it is on the disk now.
bool ReadDurableFile(DurableFile file, std::string* out);
// Appends the bytes and forces them and the file's size to the disk.
bool AppendDurably(DurableFile file, const std::string& bytes);
void CloseDurableFile(DurableFile file);
// Forces to the disk the names made in folder (Linux: fsync of the folder; Windows, whose
// file systems log every name change, has nothing more to do).
bool SyncFolder(const char* folder);

#endif  // UPDATER_PLATFORM_FILES_H_
