#include "platform/message_box.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace {

struct Dialog {
  int answer;
  std::string screen;
};

// Runs AskUser in a child whose controlling terminal is a pseudo-terminal, and types
// `typed` there once the question has been written, as a person at a terminal would.
Dialog AskThroughTerminal(const char* text, const char* caption, unsigned style,
                          const std::string& typed) {
  int master;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid == 0) _exit(AskUser(text, caption, style));
  Dialog dialog{-1, ""};
  if (pid < 0) return dialog;
  char buffer[512];
  size_t sent = 0;
  for (;;) {
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n <= 0) break;  // the child has gone and closed the terminal
    dialog.screen.append(buffer, n);
    // One line per prompt shown.
    size_t prompts = 0;
    for (size_t at = 0; (at = dialog.screen.find(")? ", at)) != std::string::npos; ++at) ++prompts;
    while (prompts > 0 && sent < typed.size()) {
      size_t end = typed.find('\n', sent);
      if (end == std::string::npos) end = typed.size() - 1;  // Ctrl-D ends no line
      std::string line = typed.substr(sent, end - sent + 1);
      if (write(master, line.data(), line.size()) < 0) break;
      sent = end + 1;
      --prompts;
      if (prompts == 0) break;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  dialog.answer = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return dialog;
}

}  // namespace

TEST(MessageBoxPosixTest, PersonAtTerminalAnswers) {
  Dialog yes = AskThroughTerminal("Update now?", "Patch 1.2", kBoxYesNo | kIconQuestion, "y\n");
  EXPECT_EQ(kIdYes, yes.answer);
  EXPECT_NE(std::string::npos, yes.screen.find("== Patch 1.2 =="));
  EXPECT_NE(std::string::npos, yes.screen.find("[Question] Update now?"));
  EXPECT_NE(std::string::npos, yes.screen.find("[Y]es / [N]o (Enter: Yes)? "));

  EXPECT_EQ(kIdNo, AskThroughTerminal("q", "c", kBoxYesNo, "No\n").answer);
  // Enter takes the default button.
  EXPECT_EQ(kIdNo, AskThroughTerminal("q", "c", kBoxYesNo | kDefaultButton2, "\n").answer);
  EXPECT_EQ(kIdOk, AskThroughTerminal("failed", "c", kIconError, "\n").answer);
  // A key that names no button asks again.
  Dialog retry = AskThroughTerminal("q", "c", kBoxOkCancel, "x\nc\n");
  EXPECT_EQ(kIdCancel, retry.answer);
  EXPECT_NE(retry.screen.find("(Enter: OK)? "), retry.screen.rfind("(Enter: OK)? "));
}

// Ctrl-D at the prompt is the person declining, never the default button.
TEST(MessageBoxPosixTest, EndOfInputAtTheTerminalDeclines) {
  const std::string kCtrlD = "\x04";
  EXPECT_EQ(kIdNo, AskThroughTerminal("q", "c", kBoxYesNo | kIconQuestion, kCtrlD).answer);
  EXPECT_EQ(kIdCancel, AskThroughTerminal("q", "c", kBoxYesNoCancel, kCtrlD).answer);
  EXPECT_EQ(kIdCancel, AskThroughTerminal("q", "c", kBoxOkCancel, kCtrlD).answer);
  EXPECT_EQ(kIdCancel, AskThroughTerminal("q", "c", kBoxRetryCancel, kCtrlD).answer);
  // Also after a key that named no button.
  EXPECT_EQ(kIdNo, AskThroughTerminal("q", "c", kBoxYesNo, "x\n" + kCtrlD).answer);
  // A box with nothing to decline is only acknowledged.
  EXPECT_EQ(kIdOk, AskThroughTerminal("failed", "c", kIconError, kCtrlD).answer);
}

TEST(MessageBoxPosixTest, NoTerminalMeansNobodyToAsk) {
  pid_t pid = fork();
  if (pid == 0) {
    setsid();  // leaves the controlling terminal behind
    _exit(AskUser("q", "c", kBoxYesNo));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
}
