#ifndef UPDATER_SCRIPT_COMMAND_TABLE_H_
#define UPDATER_SCRIPT_COMMAND_TABLE_H_

#include "script/procedures.h"

struct Command {
  const char* word;                       // the "MODE" value
  ProcRecord* (*load)(const char* section);  // null: not available in this build
  bool (*execute)(ProcRecord* record);
};

// The command whose word equals mode (ASCII case ignored), or null. Commands are compared
// in a fixed order.
const Command* FindCommand(const TextString& mode);

#endif  // UPDATER_SCRIPT_COMMAND_TABLE_H_
