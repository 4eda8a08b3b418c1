#include "script/messages.h"

#include <cstdarg>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "platform/system_error.h"
#include "script/run_log.h"
#include "script/show_box.h"

void ShowMessage(unsigned id, ...) {
  // Read first: formatting the text may change it.
  uint32_t system_error = LastSystemError();
  TextString text;
  va_list args;
  va_start(args, id);
  text.FormatResourceV(id, args);
  va_end(args);
  NoteRunEnd(RunEnd::kError);
  LogMessageFollows(id, system_error);
  ShowBox(text.GetText(), RunSettings.title.GetText(), kIconError);
}
