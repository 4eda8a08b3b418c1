#include "script/run_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unordered_map>
#include <utility>

#include <nlohmann/json.hpp>

#include "foundation/globals.h"
#include "platform/code_page.h"
#include "platform/program.h"
#include "platform/system_error.h"
#include "script/procedures.h"
#include "script/show_box.h"
#include "updater_version.h"

namespace {

using Json = nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

struct LogState {
  bool checked = false;
  std::string path;  // empty: no log
  Clock::time_point start = Clock::now();
  Clock::time_point procedureStart = Clock::now();
  // The values each section's procedure read while it was loaded, until it begins.
  std::unordered_map<std::string, Json> values;
  bool messageFollows = false;
  unsigned message = 0;
  uint32_t systemError = 0;
};

LogState& State() {
  static LogState state;
  return state;
}

bool Enabled() {
  LogState& state = State();
  if (!state.checked) {
    state.checked = true;
    const char* path = std::getenv("UPDATER_LOG");
    if (path && *path) state.path = path;
  }
  return !state.path.empty();
}

std::string Utf8(const char* ansi) { return AnsiToUtf8(ansi ? ansi : ""); }

int64_t MillisecondsSince(Clock::time_point then) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - then).count();
}

std::string UtcNow() {
  std::time_t now = std::time(nullptr);
  std::tm parts{};
#ifdef _WIN32
  gmtime_s(&parts, &now);
#else
  gmtime_r(&now, &parts);
#endif
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

void AddSystemError(Json& event, uint32_t code) {
  if (code == 0) return;
  event["system_error"] = code;
  event["system_error_text"] = Utf8(SystemErrorText(code).c_str());
}

// Opened per line, so that the log is whole whenever the process ends.
void Write(Json event) {
  std::string line;
  try {
    line = event.dump(-1, ' ', false, Json::error_handler_t::replace);
  } catch (const Json::exception&) {
    return;
  }
  line += '\n';
  std::FILE* file = std::fopen(State().path.c_str(), "ab");
  if (!file) return;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fclose(file);
}

Json Event(const char* name) {
  Json event;
  event["event"] = name;
  event["time"] = UtcNow();
  event["elapsed_ms"] = MillisecondsSince(State().start);
  return event;
}

const char* Outcome() {
  switch (NotedRunEnd()) {
    case RunEnd::kError: return "error";
    case RunEnd::kUserStop: return "stopped";
    default: return "completed";
  }
}

}  // namespace

void LogRunStart(const char* command_line) {
  if (!Enabled()) return;
  State().start = Clock::now();
  Json event = Event("start");
  event["program"] = Utf8(ProgramPath().c_str());
  event["version"] = UPDATER_VERSION;
  event["command_line"] = Utf8(command_line);
  event["script"] = Utf8(RunSettings.scriptPath.GetText());
  event["platform"] = PlatformName();
  event["code_page"] = SystemCodePage();
  Write(std::move(event));
}

void LogRunEnd(int exit_code) {
  if (!Enabled()) return;
  Json event = Event("finish");
  event["outcome"] = Outcome();
  event["exit_code"] = exit_code;
  Write(std::move(event));
}

void LogValueRead(const char* section, const char* key, const TextString& value) {
  if (!Enabled()) return;
  State().values[section ? section : ""][Utf8(key)] = Utf8(value.GetText());
}

void LogProcedureBegin(const ProcRecord& record) {
  if (!Enabled()) return;
  LogState& state = State();
  Json event = Event("procedure_begin");
  event["section"] = Utf8(record.sectionName.GetText());
  event["mode"] = Utf8(record.mode.GetText());
  auto found = state.values.find(record.sectionName.GetText());
  event["values"] = found == state.values.end() ? Json::object() : found->second;
  // Errors left by earlier work must not be taken for this procedure's.
  SetLastSystemError(0);
  state.procedureStart = Clock::now();
  Write(std::move(event));
}

void LogProcedureEnd(const ProcRecord& record, bool ok) {
  if (!Enabled()) return;
  Json event = Event("procedure_end");
  event["section"] = Utf8(record.sectionName.GetText());
  event["mode"] = Utf8(record.mode.GetText());
  event["result"] = record.result;
  event["outcome"] = ok ? "done" : NotedRunEnd() == RunEnd::kUserStop ? "stopped" : "failed";
  event["duration_ms"] = MillisecondsSince(State().procedureStart);
  Write(std::move(event));
}

void LogOperation(const char* what, const char* source, const char* target, bool ok) {
  if (!Enabled()) return;
  uint32_t error = ok ? 0 : LastSystemError();
  Json event = Event("operation");
  event["operation"] = what;
  event["source"] = Utf8(source);
  if (target && *target) event["target"] = Utf8(target);
  event["ok"] = ok;
  AddSystemError(event, error);
  Write(std::move(event));
  if (!ok) SetLastSystemError(error);
}

void LogMessageFollows(unsigned id, uint32_t system_error) {
  if (!Enabled()) return;
  LogState& state = State();
  state.messageFollows = true;
  state.message = id;
  state.systemError = system_error;
}

void LogBox(const char* text, const char* caption, unsigned style, int answer) {
  if (!Enabled()) return;
  LogState& state = State();
  Json event = Event("box");
  event["caption"] = caption ? caption : "";
  event["style"] = style;
  event["text"] = text ? text : "";
  event["answer"] = answer;
  if (state.messageFollows) {
    event["message"] = state.message;
    event["section"] = Utf8(CurrentSection());
    AddSystemError(event, state.systemError);
    state.messageFollows = false;
  }
  Write(std::move(event));
}

void ResetRunLog() { State() = LogState(); }
