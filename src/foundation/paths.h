#ifndef UPDATER_FOUNDATION_PATHS_H_
#define UPDATER_FOUNDATION_PATHS_H_

#include <cstddef>

#include "foundation/text_string.h"

// Paths are Windows paths on both platforms: items separated by backslashes, searched
// character by character so that the second byte of a double-byte character is never
// taken for a separator.

// The position of the last separator of a path, or std::string::npos.
size_t LastPathSeparator(const char* path);

// True when at least one entry matches the path (wildcards allowed in its last item); a
// folder path matches the folder itself.
bool PathExists(const char* path);

// True when the path names an existing folder; a pattern is never a folder.
bool IsFolder(const char* path);

// Creates every missing folder of the path, its last item included; item 0 (the drive)
// is never made. True when every folder exists afterwards (folders made before a failure
// stay): a file in the way is a failure. The empty text and a path of one item succeed
// without making anything; empty items (doubled or final backslashes) are skipped.
bool MakePath(const TextString& path);

// The path without its final backslashes; leading ones stay ("\" gives "").
TextString WithoutTrailingBackslashes(const TextString& path);

// What a walk reports about one entry. A link (kAttrReparsePoint) is reported as itself and
// never entered: what it leads to is outside the tree.
enum WalkEvent { kWalkFile = 0, kWalkEnterFolder = 1, kWalkLeaveFolder = 2, kWalkLink = 3 };

// Returns false to stop the walk.
using WalkCallback = bool (*)(const TextString& path, WalkEvent event, void* context);

// Calls back for every entry that matches the path (a file, a pattern, or with recurse a
// folder's contents, depth first: EnterFolder, the contents, LeaveFolder). Entry paths
// are the folder (without final backslashes), a backslash and the entry's name. False
// when the search finds nothing, a callback returns false, or an entry's name holds a
// backslash (a Linux name that would make the path of another entry, maybe outside). Without recurse a matched
// folder gets EnterFolder and LeaveFolder and its contents are not visited.
bool WalkFolder(const TextString& path, WalkCallback callback, bool recurse, void* context);

#endif  // UPDATER_FOUNDATION_PATHS_H_
