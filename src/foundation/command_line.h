#ifndef UPDATER_FOUNDATION_COMMAND_LINE_H_
#define UPDATER_FOUNDATION_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

// The command line after the program name and the blanks that follow it: a quoted name
// ends at its closing quote, any other at the first byte at or below the space.
const char* SkipProgramName(const char* command_line);

// Whether the command-line text (after the program name) asks only for the program's
// version: "--version" alone, with any blanks around it. Any other text runs a script, as
// it always has.
bool IsVersionRequest(const char* command_line);
// Whether the command-line text is word alone, with any blanks around it.
bool IsLoneWord(const char* command_line, std::string_view word);

// The arguments joined into one command-line text as Windows passes them: separated by
// single spaces, an empty argument or one holding a space or tab enclosed in double quotes,
// quotes and the backslashes before them escaped so that the Windows rules give them back.
std::string JoinWindowsArguments(const std::vector<std::string>& arguments);

// A command line split into arguments by the rules of CommandLineToArgvW, which the
// Windows C runtime also follows: the program name (the first argument) ends at its closing
// quote or at the first space or tab, with no escapes; the other arguments are separated
// by spaces and tabs outside quotes, 2n backslashes before a quote give n and the quote
// opens or closes a quoted part, 2n+1 give n and a literal quote, other backslashes are
// literal, and three quotes in a row give one literal quote. A double-byte character is
// never taken apart. An empty text gives one empty program name.
std::vector<std::string> SplitWindowsArguments(const char* command_line);

#endif  // UPDATER_FOUNDATION_COMMAND_LINE_H_
