#ifndef UPDATER_FOUNDATION_GLOBALS_H_
#define UPDATER_FOUNDATION_GLOBALS_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/byte_buffer.h"
#include "foundation/text_string.h"

// The objects that live for the whole process. They are built before the entry runs, in
// the order RunSettings, SymbolTable, ScriptState, and destroyed in the reverse order.

struct RunSettingsData {
  TextString commandLine;     // as the program received it
  TextString title;           // the caption of every message box
  bool defaultTitle = false;  // title is the table's default caption, shown in its language
  TextString programPath;     // the program file's full path
  TextString scriptPath;      // the update script's full path
};

struct SymbolEntry {
  std::string name;  // with its angle brackets, as written ("<Win>")
  std::string value;
};

struct SymbolTableData {
  // The DEFINE lines in order, then the built-in folders that no line names.
  std::vector<SymbolEntry> entries;
  // Each name with A-Z folded to a-z, to the first entry of that name: a lookup costs one
  // hash of the name, whatever the size of the table.
  std::unordered_map<std::string, int32_t> firstEntry;
};

struct ScriptStateData {
  TextString name;      // UPDATER NAME
  TextString procList;  // UPDATER PROC
  int32_t listCount = 0;
  ByteBuffer listStack;  // pointers to the procedure lists being run, listCount of them
};

extern RunSettingsData RunSettings;
extern SymbolTableData SymbolTable;
extern ScriptStateData ScriptState;

#endif  // UPDATER_FOUNDATION_GLOBALS_H_
