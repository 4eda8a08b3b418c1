#ifndef UPDATER_COMMANDS_PROGRAMS_LINK_H_
#define UPDATER_COMMANDS_PROGRAMS_LINK_H_

#include <cstdint>

#include "script/procedures.h"

class ProcCheck;

struct SHORTCUT_INFO : ProcRecord {
  TextString src;      // "SRC": comma list of the programs the shortcuts start
  TextString param;    // "PARAM": item i the arguments of shortcut i
  TextString showCmd;  // "SHOWCMD": item i the window state: 1 normal, 2 minimised, 3 maximised
  TextString dst;      // "DST": item i the shortcut's path without its extension
};

ProcRecord* LoadLink(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckLink(ProcCheck& check);
// Makes the shortcuts in order, each DST item with ".LNK" appended and its folders made
// first; message 15 for the first that cannot be saved, and the later ones are not made.
// Sets the flag when all were made.
bool ExecuteLink(ProcRecord* record);

// Saves a shortcut at link_path that starts target with the arguments in the target's
// folder; show code 1, 2 and 3 give normal, minimised without activation and maximised,
// any other code the default. True when the file was saved.
bool CreateShortcut(const char* target, const char* link_path, const char* arguments,
                    int32_t show_code);

#endif  // UPDATER_COMMANDS_PROGRAMS_LINK_H_
