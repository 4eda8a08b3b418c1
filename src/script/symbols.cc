#include "script/symbols.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "foundation/ascii.h"
#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "foundation/registry_key.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "script/profile_values.h"

namespace {

constexpr char kEntrySeparator[] = "\n";
constexpr unsigned kCsidlDesktop = 0x10;
constexpr unsigned kCsidlCommonDesktop = 0x19;
constexpr unsigned kCsidlPrograms = 0x02;
constexpr unsigned kCsidlCommonPrograms = 0x17;

// An entry is name=value; the value runs to the end of the line, "=" and all, as a name
// never holds one.
TextString EntryValue(const TextString& entry) { return entry.GetItems(1, -1, "="); }

void SetEntryValue(TextString& entry, const char* value) { entry.ReplaceItems(1, -1, "=", value); }

// The index of the first entry named name (ASCII case ignored), which goes to entry, or
// -1. Entry i is what entries.GetItem(i, "\n") gives, an entry past the text's last line
// reading as empty, and its name what GetItem(0, "=") gives; but the text is walked once
// and a name compared where it stands: asking GetItem for each entry in turn made every
// lookup quadratic in the size of the table.
int32_t FindEntry(const char* name, TextString& entry) {
  const std::string_view wanted = name;
  const char* line = SymbolTable.entries.GetText();
  for (int32_t i = 0; i < SymbolTable.entryCount; ++i) {
    if (!line) {
      if (!wanted.empty()) continue;
      entry = "";
      return i;
    }
    const char* next = SearchText(line, kEntrySeparator);
    const char* line_end = next ? next : line + std::strlen(line);
    // The line starts on a character, so its characters are those the whole text has.
    const char* name_end = line;
    while (name_end < line_end && *name_end != '=') name_end += CharLength(name_end);
    const std::string_view entry_name(line, std::min(name_end, line_end) - line);
    if (AsciiEqualFold(entry_name, wanted)) {
      entry = std::string(line, line_end).c_str();
      return i;
    }
    line = next ? next + std::strlen(kEntrySeparator) : nullptr;
  }
  return -1;
}

bool GetSpecialFolder(TextString& out, unsigned csidl) {
  std::string path;
  if (!SpecialFolder(csidl, &path)) return false;
  out = path.c_str();
  return true;
}

bool GetAppPathValue(const TextString& name, TextString& out, bool path_value) {
  RegistryKey key(kHkeyLocalMachine,
                  TextString("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + name);
  return key.ReadValue(path_value ? "PATH" : "", out);
}

// A built-in folder the shell cannot resolve is empty, never a neighbour's leftover.
TextString SpecialFolderOrEmpty(unsigned csidl) {
  TextString folder;
  if (!GetSpecialFolder(folder, csidl)) folder = "";
  return folder;
}

bool ExpandQuery(TextString& q) {
  TextString name = q.GetItem(0, "\\");
  if (name == "?App") return GetAppPathValue(q.GetItem(1, "\\"), q, false);
  if (name == "?AppPath") {
    if (!GetAppPathValue(q.GetItem(1, "\\"), q, true)) return false;
    q.Trim("", "\\");
    q.Trim("", ";");
    return true;
  }
  if (name == "?SpFolder") {
    if (!GetSpecialFolder(q, q.GetItem(1, "\\").ToHex())) return false;
    q.Trim("", "\\");
    return true;
  }
  if (name == "?Param") {
    const TextString& line = RunSettings.commandLine;
    if (q.CountItems("\\") == 3) {
      int32_t a = q.GetItem(1, "\\").ToInt();
      int32_t b = q.GetItem(2, "\\").ToInt();
      int32_t words = line.CountWords();
      if (a < 0) a += words;
      if (b < 0) b += words;
      TextString joined;
      while (a <= b) {
        joined += line.GetWord(a);
        if (++a <= b) joined += ", ";
      }
      q = joined;
    } else {
      q = line.GetWord(q.GetItem(1, "\\").ToInt());
    }
    return true;
  }
  return false;
}

}  // namespace

void SetSymbol(const char* name, const TextString& value) {
  TextString& entries = SymbolTable.entries;
  TextString entry;
  const int32_t i = FindEntry(name, entry);
  if (i >= 0) {
    SetEntryValue(entry, value.GetText());
    entries.ReplaceItems(i, i, kEntrySeparator, entry.GetText());
    return;
  }
  if (SymbolTable.entryCount >= 1) entries += kEntrySeparator;
  entries += TextString(name) + "=" + value;
  ++SymbolTable.entryCount;
}

bool LookUpSymbol(const char* name, TextString& value) {
  TextString entry;
  if (FindEntry(name, entry) < 0) return false;
  value = EntryValue(entry);
  return true;
}

bool BuildSymbolTable() {
  SymbolTable.entries = "";
  SymbolTable.entryCount =
      ReadSectionLines(RunSettings.scriptPath.GetText(), "DEFINE", SymbolTable.entries);
  SetSymbol("<Win>", WindowsFolder().c_str());
  SetSymbol("<Sys>", SystemFolder().c_str());
  SetSymbol("<Src>", RunSettings.programPath.GetItems(0, -2, "\\"));
  bool nt = IsWindowsNT();
  SetSymbol("<Desktop>", SpecialFolderOrEmpty(nt ? kCsidlCommonDesktop : kCsidlDesktop));
  SetSymbol("<Programs>", SpecialFolderOrEmpty(nt ? kCsidlCommonPrograms : kCsidlPrograms));
  TextString temp = TempPath().c_str();
  if (temp.CountOccurrences("\\") >= 1) temp = temp.GetItems(0, -2, "\\");
  SetSymbol("<Temp>", temp);

  // Each entry once, in order: it sees the expanded entries before it.
  for (int32_t i = 0; i < SymbolTable.entryCount; ++i) {
    TextString entry = SymbolTable.entries.GetItem(i, kEntrySeparator);
    TextString value = EntryValue(entry);
    bool changed = ExpandSymbols(value);
    changed = ExpandQueries(value) || changed;
    changed = CollapseParentSteps(value) || changed;
    if (changed) {
      SetEntryValue(entry, value.GetText());
      SymbolTable.entries.ReplaceItems(i, i, kEntrySeparator, entry.GetText());
    }
  }
  return true;
}

void ExpandValue(TextString& value) {
  ExpandSymbols(value);
  ExpandQueries(value);
  CollapseParentSteps(value);
}

bool ExpandSymbols(TextString& value) {
  int32_t passes = value.CountBlocks("<", ">");
  bool changed = false;
  for (int32_t pass = 0, i = 0; pass < passes; ++pass) {
    TextString symbol;
    if (LookUpSymbol(value.GetBlock(i, "<", ">").GetText(), symbol)) {
      value.ReplaceBlock(i, "<", ">", symbol.GetText());
      changed = true;
    } else {
      ++i;
    }
  }
  return changed;
}

bool ExpandQueries(TextString& value) {
  int32_t passes = value.CountBlocks("{", "}");
  bool changed = false;
  for (int32_t pass = 0, i = 0; pass < passes; ++pass) {
    TextString q = value.GetBlock(i, "{", "}");
    q.Trim("{", "}");
    if (ExpandQuery(q)) {
      value.ReplaceBlock(i, "{", "}", q.GetText());
      changed = true;
    } else {
      ++i;
    }
  }
  return changed;
}

bool CollapseParentSteps(TextString& value) {
  if (value.CountOccurrences("\\..") == 0) return false;
  int32_t steps = value.CountItems("\\") - 2;
  bool removed = false;
  for (int32_t step = 0, b = 2, k = 0; step < steps && k >= 0; ++step) {
    if (value.GetItem(b, "\\") == "..") {
      value.ReplaceItems(k, b, "\\", value.GetItem(k, "\\").GetText());
      --b, --k;
      removed = true;
    } else {
      ++b, ++k;
    }
  }
  return removed;
}
