#ifndef UPDATER_COMMANDS_FILES_ATTR_H_
#define UPDATER_COMMANDS_FILES_ATTR_H_

#include "script/procedures.h"

class ProcCheck;

struct ATTR_INFO : ProcRecord {
  TextString file;  // "FILE": comma list of files and patterns
  TextString arg;   // "ARG": hexadecimal attribute values, paired with FILE by position
};

ProcRecord* LoadAttr(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckAttr(ProcCheck& check);
// SetPathAttributes for each item in order, the value read as hexadecimal ("20", "0x21";
// a missing or non-numeric one is 0); the first that fails shows its message and stops
// the run. FILE alone gives the number of items. Sets the flag when every item succeeded.
bool ExecuteAttr(ProcRecord* record);

#endif  // UPDATER_COMMANDS_FILES_ATTR_H_
