#include "commands/programs/waitapp.h"

#include "platform/launch.h"
#include "platform/processes.h"
#include "commands/command_check.h"
#include "commands/command_support.h"

ProcRecord* LoadWaitApp(const char* section) {
  auto* record = NewRecord<WAITAPP_INFO>(section, "WAITAPP_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"APP", &record->app}, {"TICK", &record->tick}});
}

bool ExecuteWaitApp(ProcRecord* base) {
  auto* record = static_cast<WAITAPP_INFO*>(base);
  int32_t count = CountListItems(*record, record->app, "APP");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t id = FindRunningProcess(TrimmedItem(record->app, i).GetText());
    if (id != 0) WaitForProcessEnd(id, TrimmedItem(record->tick, i).ToInt());
  }
  record->result = 1;
  return true;
}

void CheckWaitApp(ProcCheck& check) {
  TextString app, tick;
  const bool has_app = check.Text("APP", app);
  const bool has_tick = check.Text("TICK", tick);
  if (!has_app) return;
  const int32_t count = CheckFirstList(check, "APP", app);
  if (!has_tick) return;
  CheckPairedList(check, "APP", count, "TICK", tick, Pairing::kExact);
  for (int32_t i = 0; i < count && i < tick.CountItems(","); ++i) {
    TextString value = TrimmedItem(tick, i);
    if (!IsWholeDecimal(value) || value.ToInt() < -1) {
      check.Error("TICK", ItemName("TICK", i, count) + " " + Quoted(value) +
                              " is not a time in milliseconds or -1; the updater waits " +
                              std::to_string(value.ToInt()) + " ms");
    }
  }
}
