#ifndef UPDATER_COMMANDS_FILES_SHELL_H_
#define UPDATER_COMMANDS_FILES_SHELL_H_

#include "platform/shell_operation.h"
#include "script/procedures.h"

class ProcCheck;

struct SHELL_INFO : ProcRecord {
  TextString func;  // "FUNC": COPY, DELETE, MOVE or RENAME
  TextString from;  // "FROM": one path, wildcards allowed; a comma is part of it
  TextString to;    // "TO": the destination; the shell writes TO with ".tmp" appended
};

ProcRecord* LoadShell(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckShell(ProcCheck& check);
// Hands the operation to the shell with TO + ".tmp" as its destination; when the shell
// succeeds, deletes TO and renames TO + ".tmp" to TO (both unchecked) and sets the flag.
// Message 4 for an empty FROM; message 17 when the shell fails or a value does not fit
// its buffer.
bool ExecuteShell(ProcRecord* record);

// The shell's function code for FUNC (ASCII case ignored); 0 for an unknown name.
unsigned ShellFunctionCode(const TextString& func);

// Fills the request's buffers: FROM, TO followed by ".tmp", and the title. False, the
// request unusable, when one does not fit with the NULs that end it (FROM at most 258
// bytes, TO 254, the title 259).
bool FillShellRequest(unsigned function, const TextString& from, const TextString& to,
                      const TextString& title, ShellRequest* request);

#endif  // UPDATER_COMMANDS_FILES_SHELL_H_
