#include "script/messages.h"

#include <cstdarg>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "script/show_box.h"

namespace {

MessageSink message_sink = nullptr;

}  // namespace

void SetMessageSink(MessageSink sink) { message_sink = sink; }

void ShowMessage(unsigned id, ...) {
  TextString text;
  va_list args;
  va_start(args, id);
  text.FormatResourceV(id, args);
  va_end(args);
  if (message_sink) {
    message_sink(id, text);
    return;
  }
  NoteRunEnd(RunEnd::kError);
  ShowBox(text.GetText(), RunSettings.title.GetText(), kIconError);
}
