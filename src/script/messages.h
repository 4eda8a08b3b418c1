#ifndef UPDATER_SCRIPT_MESSAGES_H_
#define UPDATER_SCRIPT_MESSAGES_H_

#include <cstdarg>
#include <string>

// Message ids of the program's string table.
enum MessageId : unsigned {
  kMsgFileNotFound = 1,
  kMsgBadFormat = 2,
  kMsgNoMemory = 3,
  kMsgBadItemCount = 4,
  kMsgPathFailed = 5,
  kMsgBadSymbol = 6,
  kMsgCopyFailed = 8,
  kMsgLaunchFailed = 9,
  kMsgDeleteFailed = 10,
  kMsgBadProcCount = 11,
  kMsgAttributesFailed = 12,
  kMsgMakeDirFailed = 13,
  kMsgMoveFailed = 14,
  kMsgLinkFailed = 15,
  kMsgResourceFailed = 16,
  kMsgShellFailed = 17,
  kMsgInterruptedUndone = 18,  // information: the next start undid a run cut off halfway
  kMsgDefaultCaption = 100,  // the caption when neither /t nor NAME gives one
};

// Formats message id, in UserMessageLanguage(), with its arguments (printf rules; texts in
// the code page in use) and shows it in an error box with the run's caption. Every failure
// of a run is reported by exactly one call; the run then ends, and the unattended exit code
// says so.
void ShowMessage(unsigned id, ...);

// The text ShowMessage would show for id and its arguments, in UTF-8.
std::string FormatMessageV(unsigned id, va_list args);
// Shows message id in an information box with the run's caption; the run goes on.
void ShowInformation(unsigned id, ...);

// The caption of the run's boxes as UTF-8: RunSettings.title, or the table's default
// caption in UserMessageLanguage() while the title is the default.
std::string RunCaption();

// Where ShowMessage hands its text instead of showing a box: the checker collects what the
// updater would show. Null, the default, shows boxes.
using MessageSink = void (*)(unsigned id, const std::string& utf8_text);
void SetMessageSink(MessageSink sink);

#endif  // UPDATER_SCRIPT_MESSAGES_H_
