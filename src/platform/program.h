#ifndef UPDATER_PLATFORM_PROGRAM_H_
#define UPDATER_PLATFORM_PROGRAM_H_

#include <string>

// The command-line text after the program name, as Windows hands it to a program: on Linux
// the arguments are joined by the Windows quoting rules.
std::string CommandLineText(int argc, char** argv);

// The program file's full path, in the core's form (backslashes). At most 259 bytes on
// Windows (a 260-byte buffer); empty when it cannot be found.
std::string ProgramPath();

// Whether program files carry an extension. Windows programs do ("patch.exe" reads
// "patch.ini"); a Linux program usually does not ("updater" reads "updater.ini").
bool ProgramNamesHaveExtensions();

// "windows" or "linux": which program this is, for the operation log.
const char* PlatformName();

// Writes the usage text to standard output and returns true where a program has one to
// show it in (Linux); false where the usage is shown in a box (Windows).
bool PrintUsage(const char* text);

// Tells the user the program's version, one line: on standard output, or on Windows in an
// information box when the program has no standard output (a program started from
// Explorer or a console that does not redirect it).
void ReportVersion(const std::string& line);

// COM for the thread, as a single-threaded apartment (shortcuts need it); no-ops on Linux.
void InitializeCom();
void UninitializeCom();

#endif  // UPDATER_PLATFORM_PROGRAM_H_
