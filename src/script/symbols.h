#ifndef UPDATER_SCRIPT_SYMBOLS_H_
#define UPDATER_SCRIPT_SYMBOLS_H_

#include "foundation/text_string.h"

// Builds SymbolTable from the script's DEFINE lines and the six built-in folders, then
// expands every entry once in table order. Always true.
bool BuildSymbolTable();

// Sets or adds one entry; a name is written with its angle brackets ("<Win>").
void SetSymbol(const char* name, const TextString& value);
// False when no entry has that name (ASCII case ignored).
bool LookUpSymbol(const char* name, TextString& value);

// ExpandSymbols, ExpandQueries, then CollapseParentSteps, each once: what ReadKey applies
// to every text value.
void ExpandValue(TextString& value);
// Each returns true when something was replaced or removed.
bool ExpandSymbols(TextString& value);
bool ExpandQueries(TextString& value);
bool CollapseParentSteps(TextString& value);

#endif  // UPDATER_SCRIPT_SYMBOLS_H_
