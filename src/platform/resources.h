#ifndef UPDATER_PLATFORM_RESOURCES_H_
#define UPDATER_PLATFORM_RESOURCES_H_

#include <cstdint>

// Resources of executable modules, for RSRC. Types and names are texts in the code page
// in use: "#" followed by a decimal number names a numbered type or resource, any other
// text a named one (matched without regard to letter case).

// A module open for reading and a file open for an update; each backend defines what they
// hold.
struct ResourceModuleState;
struct ResourceUpdateState;
using ResourceModule = ResourceModuleState*;
using ResourceUpdate = ResourceUpdateState*;

// Opens a module to read its resources, as a data file: nothing in it runs.
// (LoadLibraryExA with LOAD_LIBRARY_AS_DATAFILE.) Null when the file cannot be read or is
// no PE image.
ResourceModule OpenResourceModule(const char* path);
void CloseResourceModule(ResourceModule module);

// The first language that the module lists for the type and name goes to *language, which
// stays as it was when the module lists none (EnumResourceLanguagesA). True, with *data and
// *size, when the resource of that language can be loaded (FindResourceExA, LoadResource,
// LockResource, SizeofResource); the data stays valid until the module is closed.
bool LoadFirstLanguageResource(ResourceModule module, const char* type, const char* name,
                               uint16_t* language, const void** data, uint32_t* size);

// Opens a file for a resource update that keeps its existing resources
// (BeginUpdateResourceA(path, FALSE)). Null when the file does not exist, is read-only or
// is no PE image.
ResourceUpdate BeginResourceUpdate(const char* path);

// Writes the resource of this type, name and language into the update (UpdateResourceA).
// Null data with size 0 removes it, as on Windows (nothing happens when there is none; Wine 8
// keeps the resource). False for a type or name that cannot be a resource's ("#" and a
// number past 16 bits).
bool WriteResource(ResourceUpdate update, const char* type, const char* name, uint16_t language,
                   const void* data, uint32_t size);

// Ends the update (EndUpdateResourceA): with discard, nothing is written; otherwise every
// write is committed in one step. False when the commit failed; the Linux backend then leaves
// the file exactly as it was (it writes a new file beside it and renames it into place). The
// update is gone either way.
bool EndResourceUpdate(ResourceUpdate update, bool discard);

#endif  // UPDATER_PLATFORM_RESOURCES_H_
