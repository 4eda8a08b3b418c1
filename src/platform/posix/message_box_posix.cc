#include "platform/message_box.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>

namespace {

const char* IconWord(unsigned style) {
  switch (style & 0xF0) {
    case kIconError: return "Error";
    case kIconQuestion: return "Question";
    case kIconWarning: return "Warning";
    case kIconInformation: return "Information";
    default: return "Message";
  }
}

const char* ButtonName(int id) {
  switch (id) {
    case kIdOk: return "OK";
    case kIdCancel: return "Cancel";
    case kIdAbort: return "Abort";
    case kIdRetry: return "Retry";
    case kIdIgnore: return "Ignore";
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    default: return "?";
  }
}

// "[Y]es": the letter in brackets is the key that chooses the button.
std::string ButtonLabel(int id) {
  std::string name = ButtonName(id);
  return "[" + name.substr(0, 1) + "]" + name.substr(1);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Reads one line from the terminal; false at end of input.
bool ReadLine(int fd, std::string* line) {
  line->clear();
  char c;
  for (;;) {
    ssize_t n = read(fd, &c, 1);
    if (n <= 0) return !line->empty();
    if (c == '\n' || c == '\r') return true;
    *line += c;
  }
}

}  // namespace

// The person at the controlling terminal answers; the texts are in the locale's charset,
// which is the code page in use, so they are written as they are.
int AskUser(const char* text, const char* caption, unsigned style) {
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return 0;
  int buttons[3];
  int count = BoxButtons(style, buttons);
  int default_button = DefaultButton(style);
  std::string box = "\n== ";
  box += caption ? caption : "";
  box += " ==\n[";
  box += IconWord(style);
  box += "] ";
  box += text ? text : "";
  box += "\n";
  std::string prompt;
  for (int i = 0; i < count; ++i) {
    prompt += i ? " / " : "";
    prompt += ButtonLabel(buttons[i]);
  }
  prompt += std::string(" (Enter: ") + ButtonName(default_button) + ")? ";
  int answer = 0;
  if (WriteAll(fd, box)) {
    std::string line;
    while (answer == 0 && WriteAll(fd, prompt) && ReadLine(fd, &line)) {
      size_t first = line.find_first_not_of(" \t");
      if (first == std::string::npos) {
        answer = default_button;
        break;
      }
      char key = static_cast<char>(std::toupper(static_cast<unsigned char>(line[first])));
      for (int i = 0; i < count; ++i) {
        if (ButtonName(buttons[i])[0] == key) answer = buttons[i];
      }
    }
  }
  close(fd);
  return answer;
}
