#ifndef UPDATER_FOUNDATION_COMMAND_LINE_H_
#define UPDATER_FOUNDATION_COMMAND_LINE_H_

#include <string>
#include <vector>

// The command line after the program name and the blanks that follow it: a quoted name
// ends at its closing quote, any other at the first byte at or below the space.
const char* SkipProgramName(const char* command_line);

// The arguments joined into one command-line text as Windows passes them: separated by
// single spaces, an empty argument or one holding a space or tab enclosed in double quotes,
// quotes and the backslashes before them escaped so that the Windows rules give them back.
std::string JoinWindowsArguments(const std::vector<std::string>& arguments);

#endif  // UPDATER_FOUNDATION_COMMAND_LINE_H_
