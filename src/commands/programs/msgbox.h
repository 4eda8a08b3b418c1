#ifndef UPDATER_COMMANDS_PROGRAMS_MSGBOX_H_
#define UPDATER_COMMANDS_PROGRAMS_MSGBOX_H_

#include "script/procedures.h"

class ProcCheck;

struct MSGBOX_INFO : ProcRecord {
  TextString flag;     // "FLAG": empty, or procedure name "," 0 or 1
  TextString type;     // "TYPE": ERROR, INFORMATION, WARNING or QUESTION
  TextString text;     // "TEXT": "%n" a line feed, "%t" a tab
  TextString isAbort;  // "ISABORT": stop after OK/Yes "," stop after Cancel/No
};

ProcRecord* LoadMsgBox(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckMsgBox(ProcCheck& check);
// Shows the box (when FLAG allows), sets the flag on OK or Yes, and stops the run quietly
// when the answer's ISABORT number is not 0.
bool ExecuteMsgBox(ProcRecord* record);

#endif  // UPDATER_COMMANDS_PROGRAMS_MSGBOX_H_
