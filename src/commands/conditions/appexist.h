#ifndef UPDATER_COMMANDS_CONDITIONS_APPEXIST_H_
#define UPDATER_COMMANDS_CONDITIONS_APPEXIST_H_

#include "script/procedures.h"

class ProcCheck;

struct APPEXIST_INFO : ProcRecord {
  TextString app;  // "APP": comma list of full executable paths
};

ProcRecord* LoadAppExist(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckAppExist(ProcCheck& check);
// Sets the flag when every program runs; the first that does not ends the lookups.
bool ExecuteAppExist(ProcRecord* record);

#endif  // UPDATER_COMMANDS_CONDITIONS_APPEXIST_H_
