#ifndef UPDATER_COMMANDS_CONDITIONS_SWITCH_H_
#define UPDATER_COMMANDS_CONDITIONS_SWITCH_H_

#include "script/procedures.h"

class ProcCheck;

struct SWITCH_INFO : ProcRecord {
  TextString proc;   // "PROC": the procedure whose result flag decides
  TextString list0;  // "0": run when the flag is 0
  TextString list1;  // "1": run when the flag is 1
};

ProcRecord* LoadSwitch(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckSwitch(ProcCheck& check);
// Loads and runs the chosen list as a nested list; its own flag is never set.
bool ExecuteSwitch(ProcRecord* record);

#endif  // UPDATER_COMMANDS_CONDITIONS_SWITCH_H_
