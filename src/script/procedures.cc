#include "script/procedures.h"

#include <cstdlib>
#include <new>

#include "foundation/globals.h"
#include "script/command_table.h"
#include "script/messages.h"
#include "script/run_log.h"
#include "script/script_reader.h"

namespace {

TextString current_section;

}  // namespace

const char* CurrentSection() {
  const char* name = current_section.GetText();
  return name ? name : "";
}

ProcList LoadProcList(const TextString& list, int32_t count) {
  if (count <= 0) {
    ShowMessage(kMsgBadProcCount);
    return nullptr;
  }
  auto procs =
      static_cast<ProcList>(std::calloc(static_cast<size_t>(count) + 1, sizeof(ProcRecord*)));
  if (!procs) {
    ShowMessage(kMsgNoMemory, "ProcList");
    return nullptr;
  }
  const std::vector<TextString> names = SplitItems(list, ",");
  for (int32_t i = 0; i < count; ++i) {
    TextString name = static_cast<size_t>(i) < names.size() ? names[i] : TextString();
    name.Trim(" ", " ");
    current_section = name;
    TextString mode;
    if (!ReadKey(name.GetText(), "MODE", mode)) {
      FreeProcList(procs);
      return nullptr;
    }
    const Command* command = FindCommand(mode);
    if (!command || !command->load) {
      ShowMessage(kMsgBadSymbol, mode.GetText());
      FreeProcList(procs);
      return nullptr;
    }
    procs[i] = command->load(name.GetText());
    if (!procs[i]) {
      FreeProcList(procs);
      return nullptr;
    }
  }
  if (!PushProcList(procs)) {
    ShowMessage(kMsgNoMemory, "ProcListArray");
    FreeProcList(procs);
    return nullptr;
  }
  return procs;
}

bool RunProcList(ProcList list) {
  for (ProcRecord** record = list; *record; ++record) {
    current_section = (*record)->sectionName;
    const Command* command = FindCommand((*record)->mode);
    if (!command || !command->execute) continue;
    LogProcedureBegin(**record);
    bool ok = command->execute(*record);
    LogProcedureEnd(**record, ok);
    if (!ok) return false;
  }
  current_section = "";
  return true;
}

bool LoadAndRunProcList(const TextString& list, int32_t count) {
  if (!LoadProcList(list, count)) return false;
  if (!RunProcList(TopProcList())) return false;
  FreeProcList(TopProcList());
  return true;
}

bool PushProcList(ProcList list) {
  if (!list || ScriptState.listCount >= kMaxListDepth) return false;
  if (!ScriptState.listStack.AppendPointer(list)) {
    // The stack's block is gone with the failed append; so are the lists on it.
    ScriptState.listCount = 0;
    return false;
  }
  ++ScriptState.listCount;
  return true;
}

ProcList TopProcList() {
  if (ScriptState.listCount <= 0) return nullptr;
  return static_cast<ProcList>(ScriptState.listStack.PointerAt(ScriptState.listCount - 1));
}

int32_t RemoveProcList(ProcList list) {
  for (int32_t i = ScriptState.listCount - 1; i >= 0; --i) {
    if (ScriptState.listStack.PointerAt(i) == list) {
      ScriptState.listStack.DeletePointer(i);
      --ScriptState.listCount;
      break;
    }
  }
  return ScriptState.listCount;
}

ProcRecord* FindProcRecord(ProcList list, const TextString& name) {
  if (!list) return nullptr;
  for (ProcRecord** record = list; *record; ++record) {
    if ((*record)->sectionName == name) return *record;
  }
  return nullptr;
}

int32_t FreeProcList(ProcList list) {
  if (!list) return 0;
  int32_t left = RemoveProcList(list);
  for (ProcRecord** record = list; *record; ++record) delete *record;
  std::free(list);
  return left;
}

void FreeAllProcLists() {
  while (FreeProcList(TopProcList()) != 0) {
  }
}
