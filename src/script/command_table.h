#ifndef UPDATER_SCRIPT_COMMAND_TABLE_H_
#define UPDATER_SCRIPT_COMMAND_TABLE_H_

#include "script/procedures.h"

class ProcCheck;

struct Command {
  const char* word;                       // the "MODE" value
  ProcRecord* (*load)(const char* section);  // null: not available in this build
  bool (*execute)(ProcRecord* record);
  // The checker's reading of the keys: what Load reads and Execute makes of them, reported
  // instead of shown.
  void (*check)(ProcCheck& check);
};

// The command whose word equals mode (ASCII case ignored), or null. Commands are compared
// in a fixed order.
const Command* FindCommand(const TextString& mode);

#endif  // UPDATER_SCRIPT_COMMAND_TABLE_H_
