#ifndef UPDATER_SCRIPT_PROCEDURES_H_
#define UPDATER_SCRIPT_PROCEDURES_H_

#include <cstdint>

#include "foundation/text_string.h"

// The head of every command record.
struct ProcRecord {
  virtual ~ProcRecord() = default;

  TextString sectionName;  // as the list named it, trimmed of spaces
  TextString mode;         // "MODE" as the command's loader read it
  uint8_t result = 0;      // set by the command's Execute; read by SWITCH and MSGBOX
};

// A null-terminated array of record pointers that owns its records.
using ProcList = ProcRecord**;

// Loads the procedures named by the comma list (count items) and pushes the list on the
// stack. Nothing, after one message and with nothing left on the stack, when any
// procedure cannot be loaded.
ProcList LoadProcList(const TextString& list, int32_t count);

// Runs the records in order; false at the first Execute that returns false.
bool RunProcList(ProcList list);

// Loads, runs and frees one list: the sequence of the UPDATER list and of SWITCH
// branches. A list whose run failed stays on the stack until FreeAllProcLists.
bool LoadAndRunProcList(const TextString& list, int32_t count);

// Pushes a list; false for a null list, when the stack cannot grow, or when the nesting
// limit is reached.
bool PushProcList(ProcList list);
// The list being run, or null.
ProcList TopProcList();
// Removes the list from the stack (searching from the top); returns the lists left.
int32_t RemoveProcList(ProcList list);
// The first record of the list whose section name equals name (ASCII case ignored).
ProcRecord* FindProcRecord(ProcList list, const TextString& name);
// Destroys the records and the array and removes the list from the stack; returns the
// lists left (0 for a null list).
int32_t FreeProcList(ProcList list);
void FreeAllProcLists();

// The section of the procedure being loaded or run, "" outside any: what a failure that
// no procedure reports itself (memory running out) names.
const char* CurrentSection();

// How many lists may be nested: SWITCH branches within branches. Far deeper than any
// real script, far from exhausting the call stack.
constexpr int32_t kMaxListDepth = 64;

#endif  // UPDATER_SCRIPT_PROCEDURES_H_
