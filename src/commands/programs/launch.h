#ifndef UPDATER_COMMANDS_PROGRAMS_LAUNCH_H_
#define UPDATER_COMMANDS_PROGRAMS_LAUNCH_H_

#include <cstdint>

#include "script/procedures.h"

class ProcCheck;

struct LAUNCH_INFO : ProcRecord {
  TextString file;     // "FILE": comma list of program paths
  TextString param;    // "PARAM": comma list, item i the parameters of program i
  int32_t isWait = 0;  // "ISWAIT": non-zero waits for each program to end
};

ProcRecord* LoadLaunch(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckLaunch(ProcCheck& check);
// Starts the programs in order, each in its own folder; message 9 for the first that does
// not start, and the later ones are not started. Sets the flag when all started.
bool ExecuteLaunch(ProcRecord* record);

// The text before the path's last backslash (a drive root gives "C:"). False, out
// unchanged, when the path has no backslash or only one in front.
bool GetFolderOfPath(const char* path, TextString& out);

// Starts the program with the parameters in the program's folder and waits for it to end
// (wait) or to start. The command line is the program, a space and the parameters; the
// program is quoted when it names an existing file, so that blanks in its path cannot
// make another program run. A program text that names no file (it may hold arguments of
// its own) goes on the line as written. False when there is no folder part, the file it
// names holds a double quote (no quoting can carry it), the program does not start or the
// wait fails.
bool LaunchProgram(const char* program, const char* params, bool wait);

#endif  // UPDATER_COMMANDS_PROGRAMS_LAUNCH_H_
