#include "commands/files/rsrc.h"

#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/rollback.h"
#include "script/run_log.h"

namespace {

constexpr uint16_t kJapanese = 0x0411;

// Only a failed allocation leaves a text without bytes.
const char* Text(const TextString& text) { return text.GetText() ? text.GetText() : ""; }

ResourceWriteFunction write_resource = WriteResource;
ResourceEndFunction end_update = EndResourceUpdate;

}  // namespace

void SetRsrcOperationsForTesting(ResourceWriteFunction write, ResourceEndFunction end) {
  write_resource = write ? write : WriteResource;
  end_update = end ? end : EndResourceUpdate;
}

ProcRecord* LoadRsrc(const char* section) {
  auto* record = NewRecord<RSRC_INFO>(section, "RSRC_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FROM", &record->from},
                                 {"TO", &record->to},
                                 {"TYPE", &record->type},
                                 {"NAME", &record->name}});
}

bool ExecuteRsrc(ProcRecord* base) {
  auto* record = static_cast<RSRC_INFO*>(base);
  int32_t count = CountListItems(*record, record->type, "TYPE");
  if (count == 0) return false;
  const char* from = Text(record->from);
  const char* to = Text(record->to);
  uint16_t language = kJapanese;
  ResourceModule source = OpenResourceModule(from);
  if (!source) {
    LogOperation("RSRC open source", from, "", false);
    ShowMessage(kMsgFileNotFound, from);
    return false;
  }
  // The target is written in place on Windows: it is kept by a copy.
  if (UndoBatch* undo = RunUndo()) {
    undo->Look(record->to.GetItems(0, -2, "\\"));
    undo->Keep(record->to, KeepHow::kRewrite);
    if (!undo->Commit()) {
      LogOperation("RSRC keep target", to, "", false);
      CloseResourceModule(source);
      ShowMessage(kMsgResourceFailed, from, to);
      return false;
    }
  }
  ResourceUpdate update = BeginResourceUpdate(to);
  if (!update) {
    LogOperation("RSRC open target", to, "", false);
    CloseResourceModule(source);
    ShowMessage(kMsgFileNotFound, to);
    return false;
  }
  for (int32_t i = 0; i < count; ++i) {
    TextString type = TrimmedItem(record->type, i);
    TextString name = TrimmedItem(record->name, i);
    const void* data = nullptr;
    uint32_t size = 0;
    // A pair the source lacks is written without data: its removal from the target.
    if (!LoadFirstLanguageResource(source, Text(type), Text(name), &language, &data, &size)) {
      data = nullptr;
      size = 0;
    }
    if (!write_resource(update, Text(type), Text(name), language, data, size) && data) {
      LogOperation("RSRC write", from, to, false);
      CloseResourceModule(source);
      end_update(update, true);
      ShowMessage(kMsgResourceFailed, from, to);
      return false;
    }
  }
  CloseResourceModule(source);
  // A commit that fails leaves the target without the resources: the run must not go on
  // as if they were there.
  bool ok = end_update(update, false);
  LogOperation("RSRC", from, to, ok);
  if (!ok) {
    ShowMessage(kMsgResourceFailed, from, to);
    return false;
  }
  record->result = 1;
  return true;
}

void CheckRsrc(ProcCheck& check) {
  TextString from, to, type, name;
  const bool has_from = check.Text("FROM", from);
  const bool has_to = check.Text("TO", to);
  const bool has_type = check.Text("TYPE", type);
  const bool has_name = check.Text("NAME", name);
  if (!has_type) return;
  const int32_t count = CheckFirstList(check, "TYPE", type);
  if (has_name) CheckPairedList(check, "TYPE", count, "NAME", name, Pairing::kExact);
  if (count == 0) return;
  // One path each: a comma is part of it.
  if (has_from) WarnMissingPath(check, "FROM", from);
  if (has_to) WarnMissingPath(check, "TO", to);
}
