#include "foundation/globals.h"

// Defined together in this order: C++ builds them in this order and destroys them in the
// reverse order.
RunSettingsData RunSettings;
SymbolTableData SymbolTable;
ScriptStateData ScriptState;
