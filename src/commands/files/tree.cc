#include "commands/files/tree.h"

#include "foundation/paths.h"
#include "platform/files.h"

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

bool EnsureFolder(const TextString& path) {
  return IsFolder(path.GetText()) || CreateFolder(path.GetText());
}

bool CopyVisit(const TextString& entry, WalkEvent event, void* context) {
  const auto& target = *static_cast<const TreeTarget*>(context);
  switch (event) {
    case kWalkFile:
      return CopyFileTo(entry.GetText(), TargetOf(entry, target).GetText());
    case kWalkEnterFolder:
      return EnsureFolder(TargetOf(entry, target));
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
      return RemoveFile(entry.GetText());
    case kWalkEnterFolder:
      return true;
    case kWalkLeaveFolder:
      return RemoveFolder(entry.GetText());
  }
  return false;
}

bool AttributesVisit(const TextString& entry, WalkEvent event, void* context) {
  switch (event) {
    case kWalkFile:
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

TextString ParentOf(const TextString& path) { return path.GetItems(0, -2, "\\"); }

}  // namespace

bool CopyPath(const TextString& source, const TextString& destination) {
  // An empty destination (a missing TO item) would put a tree at the root of the drive.
  if (destination.GetLength() == 0) return false;
  bool folder = IsFolder(source.GetText());
  if (IsSingleFile(source, folder)) {
    return MakePath(ParentOf(destination)) && CopyFileTo(source.GetText(), destination.GetText());
  }
  TreeTarget target = MakeTreeTarget(source, destination, folder);
  return MakePath(target.targetBase) && WalkFolder(source, CopyVisit, true, &target);
}

bool MovePath(const TextString& source, const TextString& destination) {
  if (destination.GetLength() == 0) return false;
  bool folder = IsFolder(source.GetText());
  if (IsSingleFile(source, folder)) {
    return MakePath(ParentOf(destination)) &&
           MoveEntry(source.GetText(), destination.GetText(), true);
  }
  TreeTarget target = MakeTreeTarget(source, destination, folder);
  return MakePath(target.targetBase) && WalkFolder(source, MoveVisit, true, &target) &&
         (!folder || RemoveFolder(source.GetText()));
}

bool DeletePath(const TextString& path) {
  if (!PathExists(path.GetText())) return true;
  return WalkFolder(path, DeleteVisit, true, nullptr) &&
         (!IsFolder(path.GetText()) || RemoveFolder(path.GetText()));
}

bool SetPathAttributes(const TextString& path, uint32_t attributes) {
  return WalkFolder(path, AttributesVisit, false, &attributes);
}
