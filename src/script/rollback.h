#ifndef UPDATER_SCRIPT_ROLLBACK_H_
#define UPDATER_SCRIPT_ROLLBACK_H_

// Updates that never stay half done. A script that sets ROLLBACK=1 in its UPDATER section
// has every change journaled before it is made, with what it destroys kept aside; a run that
// ends after an error message undoes them all, newest first, and a run killed or cut off by
// a power loss is undone by the next start of the same script.
//
// The journal is a folder per script in the user's state folder (RollbackFolder): a file
// "journal" of lines, each a record with its own CRC so that a torn last line is ignored,
// and a folder "kept" holding the kept files. Each step's records are forced to the disk
// before the step changes anything; each record undone is marked the same way, so that an
// undo cut off halfway resumes where it stopped and never undoes a record twice.

#include <cstdint>
#include <string>

#include "foundation/text_string.h"

// How a file about to change is kept.
enum class KeepHow {
  kLink,     // the step replaces or removes the name: a second name keeps the file
  kRewrite,  // the step writes into the file itself: it goes aside, a copy takes its place
};

// The records of one step of a command, gathered before the step and written by Commit.
// Record them in the order the step changes things: they are undone in the reverse order.
class UndoBatch {
 public:
  // The look (attributes, time of last change) of a file or folder about to change, once a
  // run: a folder's time changes whenever an entry is added or removed.
  void Look(const TextString& path);
  // A file or link that is not there yet.
  void Created(const TextString& path);
  void CreatedFolder(const TextString& path);
  // Whatever will be at path, a whole tree.
  void CreatedTree(const TextString& path);
  // A folder that will be removed: made again with its look.
  void RemovedFolder(const TextString& path);
  // An entry moving from one path to another; to_free: nothing will be at "to" when it
  // moves, so an entry found at both paths is a copy the move left.
  void Moved(const TextString& from, const TextString& to, bool to_free);
  // A file or link about to be replaced, removed or written; nothing when path is missing.
  // attributes: the path's, when the caller has just read them (0: read them here).
  void Keep(const TextString& path, KeepHow how, uint32_t attributes = 0);

  // MakePath(path): the folders it will make, and the look of the one they go into.
  void MakesPath(const TextString& path);
  // What is at path goes: a file, a link, or a folder with everything in it.
  void RemovesTree(const TextString& path, KeepHow how);

  // Writes the records and forces them to disk. False when something could not be kept or
  // written: the step must then change nothing.
  bool Commit();

 private:
  void Add(char kind, const std::string& a, const std::string& b = std::string(),
           const std::string& c = std::string());
  void KeepTreeEntries(const std::string& folder, KeepHow how);

  std::string pending_;
  bool failed_ = false;
};

// The run's batch when the run journals its changes, else null.
UndoBatch* RunUndo();

// At start, before the script is read: when the journal of an interrupted run of this
// script is there, undoes that run completely and shows one information box.
void RecoverInterruptedRun(const TextString& script_path);

// After the UPDATER section is read: begins the journal when the script sets ROLLBACK=1.
// False after an error message when the journal cannot be made.
bool BeginRollback(const TextString& script_path);

// At the end of a run: undoes every change when undo is true, then removes the journal and
// the kept files.
void EndRollback(bool undo);

// Forgets the run's journal without ending it, as a killed process would (tests).
void AbandonRollback();

#endif  // UPDATER_SCRIPT_ROLLBACK_H_
