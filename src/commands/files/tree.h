#ifndef UPDATER_COMMANDS_FILES_TREE_H_
#define UPDATER_COMMANDS_FILES_TREE_H_

#include <cstdint>

#include "foundation/text_string.h"

class UndoBatch;

// The four tree operations under COPY, MOVE, DELETE and ATTR. A source is a file, a
// folder (its contents go into the destination folder, which is made when missing) or a
// pattern whose last item holds "*" (the matching files and folders go into the parent of
// the destination). A last item with "?" but no "*" names one file. None shows a message
// and nothing is undone after a failure: what was done before it stays done. Given an undo
// batch, each first records how to undo what it is about to change and commits it; a
// commit that fails makes it fail before changing anything.

// Copies, replacing existing files that are not read-only. False at the first failure,
// for an empty destination and for a pattern that matches nothing.
bool CopyPath(const TextString& source, const TextString& destination,
              UndoBatch* undo = nullptr);

// Moves, replacing existing files that are not read-only and removing the emptied source
// folders (a folder source included; a pattern's folder stays). False as for CopyPath; a
// file whose move fails stays where it was, and so does the file it was to replace.
bool MovePath(const TextString& source, const TextString& destination,
              UndoBatch* undo = nullptr);

// Deletes a file, a folder with everything in it, or what a pattern matches. True also
// when nothing matches; false at the first entry that cannot be deleted (read-only...).
bool DeletePath(const TextString& path, UndoBatch* undo = nullptr);

// Records in undo what DeletePath(path) is about to remove: a file, a link, a folder with
// everything in it, or what a pattern matches.
void PlanRemoval(const TextString& path, UndoBatch& undo);

// Sets the attributes of a file, or of every file a pattern matches directly in its
// folder (folders are neither changed nor entered; a folder path changes nothing). False
// when nothing matches or a file cannot be changed.
bool SetPathAttributes(const TextString& path, uint32_t attributes,
                       UndoBatch* undo = nullptr);

#endif  // UPDATER_COMMANDS_FILES_TREE_H_
