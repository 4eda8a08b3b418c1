#ifndef UPDATER_COMMANDS_FILES_MOVE_H_
#define UPDATER_COMMANDS_FILES_MOVE_H_

#include "script/procedures.h"

class ProcCheck;

struct MOVE_INFO : ProcRecord {
  TextString from;  // "FROM": comma list of files, folders and patterns
  TextString to;    // "TO": the destinations, paired with FROM by position
};

ProcRecord* LoadMove(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckMove(ProcCheck& check);
// MovePath for each pair in order; the first that fails shows its message and stops the run.
// FROM alone gives the number of pairs. Sets the flag when every pair succeeded.
bool ExecuteMove(ProcRecord* record);

#endif  // UPDATER_COMMANDS_FILES_MOVE_H_
