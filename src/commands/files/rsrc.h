#ifndef UPDATER_COMMANDS_FILES_RSRC_H_
#define UPDATER_COMMANDS_FILES_RSRC_H_

#include <cstdint>

#include "platform/resources.h"
#include "script/procedures.h"

class ProcCheck;

struct RSRC_INFO : ProcRecord {
  TextString from;  // "FROM": the module the resources come from
  TextString to;    // "TO": the file whose resources are updated
  TextString type;  // "TYPE": comma list of resource types
  TextString name;  // "NAME": the resource names, paired with TYPE by position
};

ProcRecord* LoadRsrc(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckRsrc(ProcCheck& check);
// Writes each pair's resource from FROM into TO in the first language FROM lists for it
// (0x0411, or the previous pair's, when it lists none); a pair FROM lacks is removed from
// TO in that language. The writes are committed together at the end; a failing write with
// data discards them all. TYPE alone gives the number of pairs. Sets the flag on success.
bool ExecuteRsrc(ProcRecord* record);

// The write and the commit that ExecuteRsrc calls: the platform's, unless a test puts in
// its own to make one fail, which the platform's never do for a resource just read. Null
// restores the platform's.
using ResourceWriteFunction = bool (*)(ResourceUpdate, const char*, const char*, uint16_t,
                                       const void*, uint32_t);
using ResourceEndFunction = bool (*)(ResourceUpdate, bool);
void SetRsrcOperationsForTesting(ResourceWriteFunction write, ResourceEndFunction end);

#endif  // UPDATER_COMMANDS_FILES_RSRC_H_
