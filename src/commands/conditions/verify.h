#ifndef UPDATER_COMMANDS_CONDITIONS_VERIFY_H_
#define UPDATER_COMMANDS_CONDITIONS_VERIFY_H_

#include "script/procedures.h"

class ProcCheck;

struct VERIFY_INFO : ProcRecord {
  TextString arg1;  // "ARG1": comma list
  TextString arg2;  // "ARG2": comma list, item i compared with item i of ARG1
};

ProcRecord* LoadVerify(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckVerify(ProcCheck& check);
// Sets the flag when some item of ARG1 equals the item of ARG2 at its position, both
// trimmed, ASCII case ignored (ARG1 decides the count; ARG2 may run short with empty
// items). An empty ARG1 compares the whole values untrimmed. Never fails.
bool ExecuteVerify(ProcRecord* record);

#endif  // UPDATER_COMMANDS_CONDITIONS_VERIFY_H_
