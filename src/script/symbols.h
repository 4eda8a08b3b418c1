#ifndef UPDATER_SCRIPT_SYMBOLS_H_
#define UPDATER_SCRIPT_SYMBOLS_H_

#include <cstdint>

#include "foundation/text_string.h"

// The most bytes a value may hold once its symbols and queries are replaced, and the most
// that the DEFINE entries may hold together. A script reads at most 32,766 bytes a value,
// so no real script comes near; a runaway expansion (symbols doubling from entry to
// entry, a long symbol named many times, a ?Param range of millions of words) stops here
// with message 6 instead of filling memory for minutes.
constexpr int32_t kMaxExpandedValue = 1 << 20;
constexpr int32_t kMaxSymbolTable = 16 << 20;

// Builds SymbolTable from the script's DEFINE lines and the six built-in folders, then
// expands every entry once in table order. False after message 6 when an entry would grow
// past kMaxExpandedValue or the entries together past kMaxSymbolTable.
bool BuildSymbolTable();

// Sets or adds one entry; a name is written with its angle brackets ("<Win>").
void SetSymbol(const char* name, const TextString& value);
// False when no entry has that name (ASCII case ignored).
bool LookUpSymbol(const char* name, TextString& value);

// ExpandSymbols, ExpandQueries, then CollapseParentSteps, each once: what ReadKey applies
// to every text value. False after message 6 naming the symbol or query whose replacement
// would take the value past kMaxExpandedValue bytes.
bool ExpandValue(TextString& value);

// Replace the top-level <...> or {...} blocks one pass per block of the value as given: a
// block found is replaced and the text put in its place looked at by the next pass; one
// that is not stays as written. False, with the value unchanged and culprit the block as
// written, when a replacement would take the value past limit bytes.
bool ExpandSymbols(TextString& value, int32_t limit, TextString& culprit);
bool ExpandQueries(TextString& value, int32_t limit, TextString& culprit);
// Removes "dir\.." steps after the first two items; true when something was removed.
bool CollapseParentSteps(TextString& value);

#endif  // UPDATER_SCRIPT_SYMBOLS_H_
