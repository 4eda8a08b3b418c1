#ifndef UPDATER_SCRIPT_STARTUP_H_
#define UPDATER_SCRIPT_STARTUP_H_

#include "foundation/text_string.h"

// The whole run: prepares it from the command-line text (the text after the program name),
// runs the script, releases everything. Returns the process exit code (0 unless unattended).
int UpdaterMain(const char* command_line);

// Runs work and returns its result. When memory runs out inside it (the standard containers
// throw), message 3 names the section at work and the result is false, so that the run
// still ends with its one box.
bool RunCatchingOutOfMemory(bool (*work)(const char* command_line), const char* command_line);

// Fills RunSettings from the command line and checks that the script exists. False (after
// its one message) when the run cannot start.
bool PrepareRun(const char* command_line);

// Reads UPDATER's NAME and PROC into ScriptState; false after message 2.
bool ReadUpdaterSection();

// Loads and runs the PROC list; false after the failing operation's message.
bool RunScript();

// The value of option /<letter> (else -<letter>): the first word right after the marker.
// False, with value empty, when neither marker is followed by anything.
bool GetOption(const TextString& command_line, const char* letter, TextString& value);

#endif  // UPDATER_SCRIPT_STARTUP_H_
