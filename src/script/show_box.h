#ifndef UPDATER_SCRIPT_SHOW_BOX_H_
#define UPDATER_SCRIPT_SHOW_BOX_H_

#include "platform/message_box.h"

// Shows a modal box and returns the answer. The texts are UTF-8 (texts in the code page in
// use pass through AnsiToUtf8 first), so that every character shows whatever the code page.
// Unattended (UPDATER_UNATTENDED set, or nobody to ask), nothing is shown: the box is
// appended to the transcript as one JSON line holding the texts as they would have shown,
// and answered from UPDATER_ANSWERS (boxes with a choice only) or by its default button.
int ShowBox(const char* text, const char* caption, unsigned style);

// How a run ended, for the unattended exit code.
enum class RunEnd { kCompleted, kError, kUserStop };
void NoteRunEnd(RunEnd end);
RunEnd NotedRunEnd();
// 0 when attended; unattended: 0 completed, 1 ended by an error message, 2 by an answer.
int ProcessExitCode();

// Forgets the answers used and the run's end; rereads the environment. For tests.
void ResetBoxState();

#endif  // UPDATER_SCRIPT_SHOW_BOX_H_
