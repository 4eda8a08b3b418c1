#include "commands/files/tree.h"

#include <vector>

#include "foundation/paths.h"
#include "platform/files.h"
#include "script/rollback.h"

namespace {

// Where the entries of a copy or move go: the entry path without its first skipItems
// items, under targetBase.
struct TreeTarget {
  int32_t skipItems = 0;
  TextString targetBase;
};

TextString TargetOf(const TextString& entry, const TreeTarget& target) {
  return target.targetBase + "\\" + entry.GetItems(target.skipItems, -1, "\\").GetText();
}

TextString ParentOf(const TextString& path) { return path.GetItems(0, -2, "\\"); }

bool EnsureFolder(const TextString& path) {
  return IsFolder(path.GetText()) || CreateFolder(path.GetText());
}

// A Linux name holding a backslash would name another path, maybe outside the tree.
bool IsPathName(const std::string& name) {
  return LastPathSeparator(name.c_str()) == std::string::npos;
}

// Copies what is in from into to, relative to the open folders: one lookup per entry. A
// link is copied as a link, never followed.
bool CopyContents(FolderHandle from, FolderHandle to) {
  FolderEntry entry;
  while (NextFolderEntry(from, &entry)) {
    const char* name = entry.name.c_str();
    if (!IsPathName(entry.name)) return false;
    bool ok;
    if (entry.kind == kEntryLink) {
      ok = CopyLinkInto(from, name, to);
    } else if (entry.kind == kEntryFolder) {
      FolderHandle source = EnsureFolderIn(to, name) ? OpenFolderIn(from, name, true) : nullptr;
      FolderHandle target = source ? OpenFolderIn(to, name, true) : nullptr;
      ok = target && CopyContents(source, target);
      CloseFolder(target);
      CloseFolder(source);
    } else {
      ok = CopyFileInto(from, name, to);
    }
    if (!ok) return false;
  }
  return true;
}

bool CopyFolder(const TextString& source, const TextString& target) {
  FolderHandle from = OpenFolder(source.GetText());
  FolderHandle to = from ? OpenFolder(target.GetText()) : nullptr;
  bool ok = to && CopyContents(from, to);
  CloseFolder(to);
  CloseFolder(from);
  return ok;
}

// Deletes what is in folder, depth first. A link goes as an entry: what it leads to is
// outside the tree.
bool DeleteContents(FolderHandle folder) {
  FolderEntry entry;
  while (NextFolderEntry(folder, &entry)) {
    const char* name = entry.name.c_str();
    if (!IsPathName(entry.name)) return false;
    bool ok;
    if (entry.kind == kEntryFolder) {
      FolderHandle inner = OpenFolderIn(folder, name, false);
      ok = inner && DeleteContents(inner);
      CloseFolder(inner);
      ok = ok && RemoveFolderIn(folder, name);
    } else {
      ok = RemoveFileIn(folder, name);
    }
    if (!ok) return false;
  }
  return true;
}

bool DeleteFolder(const TextString& path) {
  FolderHandle folder = OpenFolder(path.GetText());
  bool ok = folder && DeleteContents(folder);
  CloseFolder(folder);
  return ok && RemoveFolder(path.GetText());
}

// For what a pattern matches: files one by one, folders with everything in them.
bool CopyVisit(const TextString& entry, WalkEvent event, void* context) {
  const auto& target = *static_cast<const TreeTarget*>(context);
  switch (event) {
    case kWalkLink:
      return CopyLinkTo(entry.GetText(), TargetOf(entry, target).GetText());
    case kWalkFile:
      return CopyFileTo(entry.GetText(), TargetOf(entry, target).GetText());
    case kWalkEnterFolder:
      return EnsureFolder(TargetOf(entry, target)) && CopyFolder(entry, TargetOf(entry, target));
    case kWalkLeaveFolder:
      return true;
  }
  return false;
}

bool MoveVisit(const TextString& entry, WalkEvent event, void* context) {
  const auto& target = *static_cast<const TreeTarget*>(context);
  switch (event) {
    // One replacing move: deleting the target first would lose it when the move failed,
    // and lose the file itself when source and target are one file.
    case kWalkFile:
    case kWalkLink:
      return MoveEntry(entry.GetText(), TargetOf(entry, target).GetText(), true);
    case kWalkEnterFolder:
      return EnsureFolder(TargetOf(entry, target));
    case kWalkLeaveFolder:
      return RemoveFolder(entry.GetText());
  }
  return false;
}

bool DeleteVisit(const TextString& entry, WalkEvent event, void*) {
  switch (event) {
    case kWalkFile:
    case kWalkLink:
      return RemoveFile(entry.GetText());
    case kWalkEnterFolder:
      return DeleteFolder(entry);
    case kWalkLeaveFolder:
      return true;
  }
  return false;
}

bool AttributesVisit(const TextString& entry, WalkEvent event, void* context) {
  switch (event) {
    case kWalkFile:
    case kWalkLink:
      return SetAttributes(entry.GetText(), *static_cast<const uint32_t*>(context));
    case kWalkEnterFolder:
    case kWalkLeaveFolder:
      return true;
  }
  return false;
}

bool IsSingleFile(const TextString& source, bool folder) {
  return !folder && source.GetItem(-1, "\\").CountOccurrences("*") == 0;
}

TreeTarget MakeTreeTarget(const TextString& source, const TextString& destination, bool folder) {
  TreeTarget target;
  if (folder) {
    // Counted as the walk writes the base: without final backslashes, so that "A\" and
    // "A" place the same entries at the same targets. The root ("\") is one empty item.
    TextString base = WithoutTrailingBackslashes(source);
    target.skipItems = base.GetLength() == 0 ? 1 : base.CountItems("\\");
    target.targetBase = WithoutTrailingBackslashes(destination);
  } else {
    target.skipItems = source.CountItems("\\") - 1;
    target.targetBase = destination.GetItems(0, -2, "\\");
  }
  return target;
}

// The folder path without final backslashes; the root ("\\") stays itself.
TextString FolderBase(const TextString& path) {
  TextString base = WithoutTrailingBackslashes(path);
  return base.GetLength() == 0 ? TextString("\\") : base;
}

// A folder whose target is not there yet moves in one step where it can (on the same file
// system): the result of moving its entries one by one, all at once.
bool MoveFolderInOneStep(const TextString& source, const TextString& target) {
  TextString base = WithoutTrailingBackslashes(source);
  return base.GetLength() > 0 && GetPathAttributes(target.GetText()) == kInvalidAttributes &&
         MakePath(ParentOf(target)) && MoveEntry(base.GetText(), target.GetText(), false);
}


// The plans: what each operation is about to change, recorded for its undo before it
// begins. They follow the operations' own walks and target rules.

// A file or link is about to be put at path.
void PlanReplace(UndoBatch& undo, const TextString& path) {
  uint32_t attributes = GetPathAttributes(path.GetText());
  if (attributes == kInvalidAttributes) {
    undo.Created(path);
  } else if (!IsRealFolder(attributes)) {
    undo.Keep(path, KeepHow::kLink, attributes);
  }
}

void PlanEnsureFolder(UndoBatch& undo, const TextString& path) {
  if (IsFolder(path.GetText())) {
    undo.Look(path);
  } else {
    undo.CreatedFolder(path);
  }
}

std::vector<FolderEntry> EntriesOf(const TextString& path) {
  std::vector<FolderEntry> entries;
  FolderHandle folder = OpenFolder(path.GetText());
  FolderEntry entry;
  while (folder && NextFolderEntry(folder, &entry)) entries.push_back(entry);
  CloseFolder(folder);
  return entries;
}

void PlanCopyContents(UndoBatch& undo, const TextString& from, const TextString& to) {
  for (const FolderEntry& entry : EntriesOf(from)) {
    if (!IsPathName(entry.name)) return;  // the copy stops there
    TextString target = to + "\\" + entry.name.c_str();
    if (entry.kind == kEntryFolder) {
      PlanEnsureFolder(undo, target);
      PlanCopyContents(undo, from + "\\" + entry.name.c_str(), target);
    } else {
      PlanReplace(undo, target);
    }
  }
}

struct PlanContext {
  UndoBatch* undo;
  const TreeTarget* target;
};

bool PlanCopyVisit(const TextString& entry, WalkEvent event, void* context) {
  auto& plan = *static_cast<PlanContext*>(context);
  TextString target = TargetOf(entry, *plan.target);
  if (event == kWalkFile || event == kWalkLink) {
    PlanReplace(*plan.undo, target);
  } else if (event == kWalkEnterFolder) {
    PlanEnsureFolder(*plan.undo, target);
    PlanCopyContents(*plan.undo, entry, target);
  }
  return true;
}

// One entry moving from one path to another, replacing a file there.
void PlanMoveEntry(UndoBatch& undo, const TextString& from, const TextString& to) {
  uint32_t attributes = GetPathAttributes(to.GetText());
  if (attributes != kInvalidAttributes && !IsRealFolder(attributes)) {
    undo.Keep(to, KeepHow::kLink);
  }
  undo.Moved(from, to, !IsRealFolder(attributes));
}

bool PlanMoveVisit(const TextString& entry, WalkEvent event, void* context) {
  auto& plan = *static_cast<PlanContext*>(context);
  TextString target = TargetOf(entry, *plan.target);
  if (event == kWalkFile || event == kWalkLink) {
    PlanMoveEntry(*plan.undo, entry, target);
  } else if (event == kWalkEnterFolder) {
    plan.undo->RemovedFolder(entry);
    PlanEnsureFolder(*plan.undo, target);
  }
  return true;
}

bool PlanDeleteVisit(const TextString& entry, WalkEvent event, void* context) {
  if (event != kWalkLeaveFolder) static_cast<UndoBatch*>(context)->RemovesTree(entry, KeepHow::kLink);
  return true;
}

bool PlanAttributesVisit(const TextString& entry, WalkEvent event, void* context) {
  if (event == kWalkFile || event == kWalkLink) static_cast<UndoBatch*>(context)->Look(entry);
  return true;
}

}  // namespace

bool CopyPath(const TextString& source, const TextString& destination, UndoBatch* undo) {
  // An empty destination (a missing TO item) would put a tree at the root of the drive.
  if (destination.GetLength() == 0) return false;
  bool folder = IsFolder(source.GetText());
  if (IsSingleFile(source, folder)) {
    if (undo) {
      undo->MakesPath(ParentOf(destination));
      undo->Look(ParentOf(destination));
      PlanReplace(*undo, destination);
      if (!undo->Commit()) return false;
    }
    return MakePath(ParentOf(destination)) && CopyFileTo(source.GetText(), destination.GetText());
  }
  TreeTarget target = MakeTreeTarget(source, destination, folder);
  if (undo) {
    undo->MakesPath(target.targetBase);
    undo->Look(target.targetBase);
    PlanContext plan = {undo, &target};
    if (folder) {
      PlanCopyContents(*undo, FolderBase(source), target.targetBase);
    } else {
      WalkFolder(source, PlanCopyVisit, false, &plan);
    }
    if (!undo->Commit()) return false;
  }
  if (!MakePath(target.targetBase)) return false;
  if (folder) return CopyFolder(FolderBase(source), target.targetBase);
  return WalkFolder(source, CopyVisit, false, &target);
}

bool MovePath(const TextString& source, const TextString& destination, UndoBatch* undo) {
  if (destination.GetLength() == 0) return false;
  bool folder = IsFolder(source.GetText());
  if (IsSingleFile(source, folder)) {
    if (undo) {
      undo->MakesPath(ParentOf(destination));
      undo->Look(ParentOf(source));
      undo->Look(ParentOf(destination));
      PlanMoveEntry(*undo, source, destination);
      if (!undo->Commit()) return false;
    }
    return MakePath(ParentOf(destination)) &&
           MoveEntry(source.GetText(), destination.GetText(), true);
  }
  TreeTarget target = MakeTreeTarget(source, destination, folder);
  TextString base = WithoutTrailingBackslashes(source);
  if (folder && undo && base.GetLength() > 0 &&
      GetPathAttributes(target.targetBase.GetText()) == kInvalidAttributes) {
    undo->MakesPath(ParentOf(target.targetBase));
    undo->Look(ParentOf(base));
    undo->Look(ParentOf(target.targetBase));
    undo->Moved(base, target.targetBase, true);
    if (!undo->Commit()) return false;
  }
  if (folder && MoveFolderInOneStep(source, target.targetBase)) return true;
  // A link is moved itself or not at all: its entries are not in the tree.
  uint32_t attributes = GetPathAttributes(source.GetText());
  if (folder && (attributes & kAttrReparsePoint)) return false;
  if (undo) {
    undo->MakesPath(target.targetBase);
    undo->Look(target.targetBase);
    if (folder) {
      undo->Look(ParentOf(base));
      undo->RemovedFolder(FolderBase(source));
    } else {
      undo->Look(ParentOf(source));
    }
    PlanContext plan = {undo, &target};
    WalkFolder(source, PlanMoveVisit, true, &plan);
    if (!undo->Commit()) return false;
  }
  return MakePath(target.targetBase) && WalkFolder(source, MoveVisit, true, &target) &&
         (!folder || RemoveFolder(source.GetText()));
}

void PlanRemoval(const TextString& path, UndoBatch& undo) {
  if (GetPathAttributes(path.GetText()) != kInvalidAttributes) {
    undo.RemovesTree(path, KeepHow::kLink);
  } else {
    undo.Look(ParentOf(path));
    WalkFolder(path, PlanDeleteVisit, false, &undo);
  }
}

bool DeletePath(const TextString& path, UndoBatch* undo) {
  if (!PathExists(path.GetText())) return true;
  uint32_t attributes = GetPathAttributes(path.GetText());
  if (undo) {
    PlanRemoval(path, *undo);
    if (!undo->Commit()) return false;
  }
  // A link named by the script goes itself, never what it leads to.
  if (attributes != kInvalidAttributes && (attributes & kAttrReparsePoint)) {
    return RemoveFile(path.GetText());
  }
  if (IsFolder(path.GetText())) return DeleteFolder(FolderBase(path));
  return WalkFolder(path, DeleteVisit, false, nullptr);
}

bool SetPathAttributes(const TextString& path, uint32_t attributes, UndoBatch* undo) {
  if (undo) {
    WalkFolder(path, PlanAttributesVisit, false, undo);
    if (!undo->Commit()) return false;
  }
  return WalkFolder(path, AttributesVisit, false, &attributes);
}
