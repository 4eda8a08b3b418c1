#ifndef UPDATER_COMMANDS_PROGRAMS_WAITAPP_H_
#define UPDATER_COMMANDS_PROGRAMS_WAITAPP_H_

#include "script/procedures.h"

class ProcCheck;

struct WAITAPP_INFO : ProcRecord {
  TextString app;   // "APP": comma list of full executable paths
  TextString tick;  // "TICK": comma list, item i the longest wait for program i in ms
};

ProcRecord* LoadWaitApp(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckWaitApp(ProcCheck& check);
// Waits for each running program in turn, at most its TICK (-1: no limit; missing, empty
// or not a number: 0). Programs that do not run or outlast their time are no failure; the
// flag is set whatever the waits gave.
bool ExecuteWaitApp(ProcRecord* record);

#endif  // UPDATER_COMMANDS_PROGRAMS_WAITAPP_H_
