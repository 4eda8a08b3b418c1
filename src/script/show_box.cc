#include "script/show_box.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "foundation/ascii.h"
#include "foundation/utf8.h"
#include "script/run_log.h"

namespace {

struct BoxState {
  bool loaded = false;
  std::vector<int> answers;
  size_t next_answer = 0;
  bool unattended = false;  // a box went to the transcript
  RunEnd end = RunEnd::kCompleted;
};

BoxState& State() {
  static BoxState state;
  return state;
}

int ParseAnswer(std::string_view word) {
  if (AsciiEqualFold(word, "OK")) return kIdOk;
  if (AsciiEqualFold(word, "CANCEL")) return kIdCancel;
  if (AsciiEqualFold(word, "YES")) return kIdYes;
  if (AsciiEqualFold(word, "NO")) return kIdNo;
  return 0;
}

void LoadAnswers(BoxState& state) {
  if (state.loaded) return;
  state.loaded = true;
  const char* list = std::getenv("UPDATER_ANSWERS");
  if (!list) return;
  std::string word;
  for (const char* p = list;; ++p) {
    if (*p == ',' || *p == '\0') {
      size_t b = word.find_first_not_of(" \t"), e = word.find_last_not_of(" \t");
      state.answers.push_back(b == std::string::npos ? 0 : ParseAnswer(word.substr(b, e - b + 1)));
      word.clear();
      if (*p == '\0') break;
    } else {
      word += *p;
    }
  }
}

int UnattendedAnswer(unsigned style) {
  BoxState& state = State();
  LoadAnswers(state);
  int buttons[3];
  int count = BoxButtons(style, buttons);
  int answer = DefaultButton(style);
  if (count > 1 && state.next_answer < state.answers.size()) {
    int given = state.answers[state.next_answer++];
    for (int i = 0; i < count; ++i) {
      if (buttons[i] == given) answer = given;
    }
  }
  return answer;
}

// A JSON string, escaped by the same library as the operation log.
std::string JsonString(const char* utf8) {
  return nlohmann::json(SanitizeUtf8(utf8 ? utf8 : "")).dump();
}

void WriteTranscript(const char* target, const char* text, const char* caption, unsigned style,
                     int answer) {
  // The fields in this order and spacing, which readers of transcripts have come to expect.
  std::string line = "{\"caption\": " + JsonString(caption) + ", \"style\": " +
                     std::to_string(style) + ", \"text\": " + JsonString(text) +
                     ", \"answer\": " + std::to_string(answer) + "}\n";
  bool to_stderr = target[0] == '\0' || (target[0] == '-' && target[1] == '\0');
  // Opened per box, so the transcript is complete whenever the process ends.
  std::FILE* file = to_stderr ? stderr : std::fopen(target, "ab");
  if (!file) return;
  std::fwrite(line.data(), 1, line.size(), file);
  if (to_stderr) {
    std::fflush(file);
  } else {
    std::fclose(file);
  }
}

}  // namespace

int ShowBox(const char* text, const char* caption, unsigned style) {
  const char* target = std::getenv("UPDATER_UNATTENDED");
  if (!target) {
    int answer = AskUser(text, caption, style);
    if (answer != 0) {
      LogBox(text, caption, style, answer);
      return answer;
    }
    target = "-";
  }
  State().unattended = true;
  int answer = UnattendedAnswer(style);
  WriteTranscript(target, text, caption, style, answer);
  LogBox(text, caption, style, answer);
  return answer;
}

RunEnd NotedRunEnd() { return State().end; }

void NoteRunEnd(RunEnd end) {
  if (State().end == RunEnd::kCompleted) State().end = end;
}

int ProcessExitCode() {
  const BoxState& state = State();
  if (!state.unattended && !std::getenv("UPDATER_UNATTENDED")) return 0;
  switch (state.end) {
    case RunEnd::kError: return 1;
    case RunEnd::kUserStop: return 2;
    default: return 0;
  }
}

void ResetBoxState() { State() = BoxState(); }
