#ifndef UPDATER_SCRIPT_MESSAGES_H_
#define UPDATER_SCRIPT_MESSAGES_H_

#include "foundation/text_string.h"

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
};

// Formats message id with its arguments (printf rules) and shows it in an error box with
// the run's title as caption. Every failure of a run is reported by exactly one call; the
// run then ends, and the unattended exit code says so.
void ShowMessage(unsigned id, ...);

// Where ShowMessage hands its text instead of showing a box: the checker collects what the
// updater would show. Null, the default, shows boxes.
using MessageSink = void (*)(unsigned id, const TextString& text);
void SetMessageSink(MessageSink sink);

#endif  // UPDATER_SCRIPT_MESSAGES_H_
