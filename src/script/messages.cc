#include "script/messages.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "foundation/utf8.h"
#include "platform/code_page.h"
#include "platform/string_table.h"
#include "platform/system_error.h"
#include "script/run_log.h"
#include "script/show_box.h"

namespace {

// A message is cut where it would pass this many bytes in the code page in use, as it
// always was when it was formatted in that code page.
constexpr size_t kMaxAnsiLength = 1023;

// Appends UTF-8 text while the budget of code-page bytes lasts, whole characters only.
void AppendUtf8Within(std::string& out, std::string_view utf8, size_t& budget) {
  size_t pos = 0;
  char32_t c;
  while (size_t n = DecodeUtf8(utf8, pos, &c)) {
    size_t cost = c < 0x80 ? 1 : Utf8ToAnsi(utf8.substr(pos, n)).size();
    if (cost > budget) {
      budget = 0;
      return;
    }
    budget -= cost;
    out.append(utf8.substr(pos, n));
    pos += n;
  }
}

// Appends text in the code page in use, as UTF-8, while the budget lasts.
void AppendAnsiWithin(std::string& out, std::string_view ansi, size_t& budget) {
  size_t keep = 0;
  while (keep < ansi.size()) {
    size_t n = IsLeadByte(static_cast<unsigned char>(ansi[keep])) && keep + 1 < ansi.size() ? 2 : 1;
    if (keep + n > budget) break;
    keep += n;
  }
  budget = keep < ansi.size() ? 0 : budget - keep;
  out += AnsiToUtf8(ansi.substr(0, keep));
}

// printf over a UTF-8 template whose arguments are in the code page in use: every
// conversion is formatted alone (the message source allows %s, %% and the integer ones)
// and a text argument is converted to UTF-8, so that the message needs no code page that
// holds both the template's characters and the argument's.
std::string FormatUtf8(std::string_view format, va_list args) {
  std::string out;
  size_t budget = kMaxAnsiLength;
  size_t pos = 0;
  while (pos < format.size() && budget > 0) {
    size_t percent = format.find('%', pos);
    AppendUtf8Within(out, format.substr(pos, percent - pos), budget);
    if (percent == std::string_view::npos || budget == 0) break;
    size_t end = format.find_first_not_of("-+ #0123456789.", percent + 1);
    if (end == std::string_view::npos) break;
    std::string conversion(format.substr(percent, end - percent + 1));
    pos = end + 1;
    char piece[64];
    switch (format[end]) {
      case '%':
        AppendUtf8Within(out, "%", budget);
        break;
      case 's': {
        const char* text = va_arg(args, const char*);
        int length = std::snprintf(nullptr, 0, conversion.c_str(), text ? text : "");
        std::string formatted(length > 0 ? length : 0, '\0');
        std::snprintf(formatted.data(), formatted.size() + 1, conversion.c_str(), text ? text : "");
        AppendAnsiWithin(out, formatted, budget);
        break;
      }
      case 'd':
      case 'i':
        std::snprintf(piece, sizeof piece, conversion.c_str(), va_arg(args, int));
        AppendUtf8Within(out, piece, budget);
        break;
      case 'u':
      case 'x':
      case 'X':
        std::snprintf(piece, sizeof piece, conversion.c_str(), va_arg(args, unsigned));
        AppendUtf8Within(out, piece, budget);
        break;
      default:
        return out;  // the source allows no other conversion
    }
  }
  return out;
}

MessageSink message_sink = nullptr;

}  // namespace

void SetMessageSink(MessageSink sink) { message_sink = sink; }

std::string FormatMessageV(unsigned id, va_list args) {
  return FormatUtf8(LoadMessageText(id, UserMessageLanguage()), args);
}

void ShowMessage(unsigned id, ...) {
  // Read first: formatting the text may change it.
  uint32_t system_error = LastSystemError();
  va_list args;
  va_start(args, id);
  std::string text = FormatMessageV(id, args);
  va_end(args);
  if (message_sink) {
    message_sink(id, text);
    return;
  }
  NoteRunEnd(RunEnd::kError);
  LogMessageFollows(id, system_error);
  ShowBox(text.c_str(), RunCaption().c_str(), kIconError);
}

void ShowInformation(unsigned id, ...) {
  va_list args;
  va_start(args, id);
  std::string text = FormatMessageV(id, args);
  va_end(args);
  ShowBox(text.c_str(), RunCaption().c_str(), kBoxOk | kIconInformation);
}

std::string RunCaption() {
  if (RunSettings.defaultTitle) return LoadMessageText(kMsgDefaultCaption, UserMessageLanguage());
  return AnsiToUtf8(RunSettings.title.GetText());
}
