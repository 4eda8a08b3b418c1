#include "script/messages.h"

#include <cstdarg>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "platform/string_table.h"
#include "script/show_box.h"

void ShowMessage(unsigned id, ...) {
  char format[256];
  LoadStringTemplate(id, format, sizeof format);
  TextString text;
  va_list args;
  va_start(args, id);
  text.FormatV(format, args);
  va_end(args);
  NoteRunEnd(RunEnd::kError);
  ShowBox(text.GetText(), RunSettings.title.GetText(), kIconError);
}
