#ifndef UPDATER_COMMANDS_FILES_MAKEDIR_H_
#define UPDATER_COMMANDS_FILES_MAKEDIR_H_

#include "script/procedures.h"

class ProcCheck;

struct MAKEDIR_INFO : ProcRecord {
  TextString dir;  // "DIR": comma list of folders to make
};

ProcRecord* LoadMakeDir(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckMakeDir(ProcCheck& check);
// MakePath for each folder in order; the first that fails shows its message and stops the
// run. Sets the flag when every folder exists.
bool ExecuteMakeDir(ProcRecord* record);

#endif  // UPDATER_COMMANDS_FILES_MAKEDIR_H_
