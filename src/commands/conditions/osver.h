#ifndef UPDATER_COMMANDS_CONDITIONS_OSVER_H_
#define UPDATER_COMMANDS_CONDITIONS_OSVER_H_

#include "script/procedures.h"

struct OSVER_INFO : ProcRecord {};

ProcRecord* LoadOsVer(const char* section);
// Sets the flag on the Windows NT family (and on Linux, which answers as it); never fails.
bool ExecuteOsVer(ProcRecord* record);

#endif  // UPDATER_COMMANDS_CONDITIONS_OSVER_H_
