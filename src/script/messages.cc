#include "script/messages.h"

#include <cstdarg>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "script/show_box.h"

void ShowMessage(unsigned id, ...) {
  TextString text;
  va_list args;
  va_start(args, id);
  text.FormatResourceV(id, args);
  va_end(args);
  NoteRunEnd(RunEnd::kError);
  ShowBox(text.GetText(), RunSettings.title.GetText(), kIconError);
}
