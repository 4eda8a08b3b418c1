#ifndef UPDATER_COMMANDS_FILES_DELETE_H_
#define UPDATER_COMMANDS_FILES_DELETE_H_

#include "script/procedures.h"

class ProcCheck;

struct DELETE_INFO : ProcRecord {
  TextString file;  // "FILE": comma list of files, folders and patterns
};

ProcRecord* LoadDelete(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckDelete(ProcCheck& check);
// DeletePath for each item in order (nothing there is no error); the first that fails
// shows its message and stops the run. Sets the flag when every item succeeded.
bool ExecuteDelete(ProcRecord* record);

#endif  // UPDATER_COMMANDS_FILES_DELETE_H_
