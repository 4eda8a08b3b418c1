#include "platform/message_box.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "foundation/ascii.h"
#include "platform/code_page.h"
#include "platform/posix/file_io.h"

namespace {

const char* IconWord(unsigned style) {
  switch (style & 0xF0) {
    case kIconError:
      return "Error";
    case kIconQuestion:
      return "Question";
    case kIconWarning:
      return "Warning";
    case kIconInformation:
      return "Information";
    default:
      return "Message";
  }
}

const char* ButtonName(int id) {
  switch (id) {
    case kIdOk:
      return "OK";
    case kIdCancel:
      return "Cancel";
    case kIdAbort:
      return "Abort";
    case kIdRetry:
      return "Retry";
    case kIdIgnore:
      return "Ignore";
    case kIdYes:
      return "Yes";
    case kIdNo:
      return "No";
    default:
      return "?";
  }
}

// "[Y]es": the letter in brackets is the key that chooses the button.
std::string ButtonLabel(int id) {
  std::string name = ButtonName(id);
  return "[" + name.substr(0, 1) + "]" + name.substr(1);
}

bool WriteText(int fd, const std::string& text) { return WriteAll(fd, text.data(), text.size()); }

// Reads one line from the terminal: 1 for a line, 0 at the end of input (Ctrl-D), -1 when
// the terminal cannot be read.
int ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) return line->empty() ? 0 : 1;
    if (c == '\n' || c == '\r') return 1;
    *line += c;
  }
}

// Ending the input is the person declining: Cancel or No where the box offers one.
int DecliningButton(const int buttons[3], int count, int default_button) {
  for (int declining : {kIdCancel, kIdNo}) {
    for (int i = 0; i < count; ++i) {
      if (buttons[i] == declining) return declining;
    }
  }
  return default_button;
}

}  // namespace

// The person at the controlling terminal answers. The texts are written in the locale's
// character set; only a character it lacks becomes "?".
int AskUser(const char* text, const char* caption, unsigned style) {
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0;
  int buttons[3];
  int count = BoxButtons(style, buttons);
  int default_button = DefaultButton(style);
  std::string box = "\n== ";
  box += Utf8ToAnsi(caption ? caption : "");
  box += " ==\n[";
  box += IconWord(style);
  box += "] ";
  box += Utf8ToAnsi(text ? text : "");
  box += "\n";
  std::string prompt;
  for (int i = 0; i < count; ++i) {
    prompt += i ? " / " : "";
    prompt += ButtonLabel(buttons[i]);
  }
  prompt += std::string(" (Enter: ") + ButtonName(default_button) + ")? ";
  int answer = 0;
  if (WriteText(fd, box)) {
    std::string line;
    while (answer == 0 && WriteText(fd, prompt)) {
      int got = ReadLine(fd, &line);
      if (got < 0) break;  // nobody to ask after all
      if (got == 0) {
        answer = DecliningButton(buttons, count, default_button);
        break;
      }
      size_t first = line.find_first_not_of(" \t");
      if (first == std::string::npos) {
        answer = default_button;
        break;
      }
      char key = AsciiToUpper(line[first]);
      for (int i = 0; i < count; ++i) {
        if (ButtonName(buttons[i])[0] == key) answer = buttons[i];
      }
    }
  }
  close(fd);
  return answer;
}
