#include "script/script_reader.h"

#include "foundation/globals.h"
#include "script/messages.h"
#include "script/profile_values.h"
#include "script/run_log.h"
#include "script/symbols.h"

namespace {

const char* ScriptPath() {
  const char* path = RunSettings.scriptPath.GetText();
  return path ? path : "";
}

}  // namespace

bool ReadKey(const char* section, const char* key, TextString& out) {
  TextString value;
  if (!ReadProfileText(ScriptPath(), section, key, value)) {
    ShowMessage(kMsgBadFormat, section, key);
    return false;
  }
  if (!ExpandValue(value)) return false;
  LogValueRead(section, key, value);
  out = value;
  return true;
}

bool ReadIntKey(const char* section, const char* key, int32_t& out) {
  if (!ReadProfileInt(ScriptPath(), section, key, out)) {
    ShowMessage(kMsgBadFormat, section, key);
    return false;
  }
  return true;
}
