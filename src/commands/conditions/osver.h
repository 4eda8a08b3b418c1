#ifndef UPDATER_COMMANDS_CONDITIONS_OSVER_H_
#define UPDATER_COMMANDS_CONDITIONS_OSVER_H_

#include "script/procedures.h"

class ProcCheck;

struct OSVER_INFO : ProcRecord {};

ProcRecord* LoadOsVer(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckOsVer(ProcCheck& check);
// Sets the flag on the Windows NT family (and on Linux, which answers as it); never fails.
bool ExecuteOsVer(ProcRecord* record);

#endif  // UPDATER_COMMANDS_CONDITIONS_OSVER_H_
