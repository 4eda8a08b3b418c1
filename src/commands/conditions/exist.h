#ifndef UPDATER_COMMANDS_CONDITIONS_EXIST_H_
#define UPDATER_COMMANDS_CONDITIONS_EXIST_H_

#include "script/procedures.h"

class ProcCheck;

struct EXIST_INFO : ProcRecord {
  TextString file;  // "FILE": comma list of paths or patterns
};

ProcRecord* LoadExist(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckExist(ProcCheck& check);
// Sets the flag when every path exists; a missing path only leaves it 0.
bool ExecuteExist(ProcRecord* record);

#endif  // UPDATER_COMMANDS_CONDITIONS_EXIST_H_
