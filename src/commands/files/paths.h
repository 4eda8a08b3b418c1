#ifndef UPDATER_COMMANDS_FILES_PATHS_H_
#define UPDATER_COMMANDS_FILES_PATHS_H_

#include "foundation/text_string.h"

// True when at least one entry matches the path (wildcards allowed in its last item); a
// folder path matches the folder itself.
bool PathExists(const char* path);

// True when the path names an existing folder; a pattern is never a folder.
bool IsFolder(const char* path);

#endif  // UPDATER_COMMANDS_FILES_PATHS_H_
