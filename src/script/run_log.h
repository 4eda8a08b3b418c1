#ifndef UPDATER_SCRIPT_RUN_LOG_H_
#define UPDATER_SCRIPT_RUN_LOG_H_

#include <cstdint>

#include "foundation/text_string.h"

struct ProcRecord;

// The operation log. When UPDATER_LOG names a file, each event of the run is appended to it
// as one JSON line (UTF-8): the start, each procedure begun and ended with the values it
// read, each file operation, each box and, for a failure, the system's error code and text
// that the box does not show. Without the variable every call returns at once. Writing the
// log never changes what the run does: a log that cannot be written loses its lines.

void LogRunStart(const char* command_line);
// exit_code: what the process returns; outcome: "completed", "error" or "stopped".
void LogRunEnd(int exit_code);

// A value as ReadKey gave it to a procedure being loaded, after expansion.
void LogValueRead(const char* section, const char* key, const TextString& value);

void LogProcedureBegin(const ProcRecord& record);
void LogProcedureEnd(const ProcRecord& record, bool ok);

// One item of a command's work: what (the command word, or a step of it), the path or
// program it acted on and the target ("" when it has none). A failure records the
// system's last error, so call it right after the failing call.
void LogOperation(const char* what, const char* source, const char* target, bool ok);

// Called by ShowMessage before its box: the message id and the system's last error, which
// the box event then carries.
void LogMessageFollows(unsigned id, uint32_t system_error);
// The texts in UTF-8, as ShowBox takes them.
void LogBox(const char* text, const char* caption, unsigned style, int answer);

// Forgets the state between runs (tests).
void ResetRunLog();

#endif  // UPDATER_SCRIPT_RUN_LOG_H_
