#include "script/symbols.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "foundation/registry_key.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "script/profile_values.h"

namespace {

constexpr unsigned kCsidlDesktop = 0x10;
constexpr unsigned kCsidlCommonDesktop = 0x19;
constexpr unsigned kCsidlPrograms = 0x02;
constexpr unsigned kCsidlCommonPrograms = 0x17;

// The first entry of that name, or null.
const SymbolEntry* FindEntry(std::string_view name, std::string& key) {
  key.assign(name);
  for (char& c : key) c = AsciiToLower(c);
  const auto found = SymbolTable.firstEntry.find(key);
  return found == SymbolTable.firstEntry.end() ? nullptr : &SymbolTable.entries[found->second];
}

void AddEntry(std::string name, std::string value) {
  SymbolTable.firstEntry.emplace(AsciiLowered(name),
                                 static_cast<int32_t>(SymbolTable.entries.size()));
  SymbolTable.entries.push_back({std::move(name), std::move(value)});
}

// A DEFINE line: the name runs to the first "=", the value from there to the end of the
// line, "=" and all, as a name never holds one.
void AddLine(const char* line) {
  const char* equals = SearchText(line, "=");
  if (!equals) {
    AddEntry(line, "");
    return;
  }
  AddEntry(std::string(line, equals), equals + 1);
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
  std::string key;
  const SymbolEntry* entry = FindEntry(name, key);
  const char* text = value.GetText() ? value.GetText() : "";
  if (entry) {
    SymbolTable.entries[entry - SymbolTable.entries.data()].value = text;
  } else {
    AddEntry(name, text);
  }
}

bool LookUpSymbol(const char* name, TextString& value) {
  std::string key;
  const SymbolEntry* entry = FindEntry(name, key);
  if (!entry) return false;
  value = entry->value.c_str();
  return true;
}

bool BuildSymbolTable() {
  SymbolTable = SymbolTableData();
  TextString lines;
  const int32_t count =
      ReadSectionLines(RunSettings.scriptPath.GetText(), "DEFINE", lines);
  if (count > 0) {
    const std::vector<TextString> split = SplitItems(lines, "\n");
    for (int32_t i = 0; i < count; ++i) {
      AddLine(static_cast<size_t>(i) < split.size() ? split[i].GetText() : "");
    }
  }
  SetSymbol("<Win>", WindowsFolder().c_str());
  SetSymbol("<Sys>", SystemFolder().c_str());
  SetSymbol("<Src>", RunSettings.programPath.GetItems(0, -2, "\\"));
  bool nt = IsWindowsNT();
  SetSymbol("<Desktop>", SpecialFolderOrEmpty(nt ? kCsidlCommonDesktop : kCsidlDesktop));
  SetSymbol("<Programs>", SpecialFolderOrEmpty(nt ? kCsidlCommonPrograms : kCsidlPrograms));
  TextString temp = TempPath().c_str();
  if (temp.CountOccurrences("\\") >= 1) temp = temp.GetItems(0, -2, "\\");
  SetSymbol("<Temp>", temp);

  // Each entry once, in order: it sees the expanded entries before it, and itself and the
  // entries after it as written.
  for (SymbolEntry& entry : SymbolTable.entries) {
    TextString value = entry.value.c_str();
    bool changed = ExpandSymbols(value);
    changed = ExpandQueries(value) || changed;
    changed = CollapseParentSteps(value) || changed;
    if (changed) entry.value = value.GetText();
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
