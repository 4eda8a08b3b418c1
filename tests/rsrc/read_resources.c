/* Lists a module's resources as the Windows loader sees them, one line each:
 * "TYPE NAME LANGUAGE SIZE HASH" (numbers as #n, FNV-1a of the data in hex), in the
 * order the enumeration functions give, then "string N: TEXT" for each string id given.
 *   read_resources.exe MODULE [STRING_ID...]
 * Built with mingw-w64 by cross-check.sh; the same format as dump_resources. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

static void PrintId(const char* id) {
  if (IS_INTRESOURCE(id)) printf("#%u", (unsigned)(ULONG_PTR)id);
  else printf("%s", id);
}

static BOOL CALLBACK Language(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR p) {
  HRSRC found = FindResourceExA(module, type, name, language);
  const unsigned char* data = found ? LockResource(LoadResource(module, found)) : NULL;
  DWORD size = found ? SizeofResource(module, found) : 0;
  unsigned hash = 2166136261u;
  for (DWORD i = 0; data && i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  PrintId(type);
  printf(" ");
  PrintId(name);
  printf(" %04X %lu %08x%s\n", language, (unsigned long)size, hash, data ? "" : " unreadable");
  return TRUE;
}

static BOOL CALLBACK Name(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR p) {
  EnumResourceLanguagesA(module, type, name, Language, 0);
  return TRUE;
}

static BOOL CALLBACK Type(HMODULE module, LPSTR type, LONG_PTR p) {
  EnumResourceNamesA(module, type, Name, 0);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HMODULE module = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) {
    printf("cannot load %s\n", argv[1]);
    return 1;
  }
  EnumResourceTypesA(module, Type, 0);
  for (int i = 2; i < argc; ++i) {
    char text[256] = "";
    int n = LoadStringA(module, (UINT)atoi(argv[i]), text, sizeof text);
    printf("string %s: %.*s\n", argv[i], n, text);
  }
  FreeLibrary(module);
  return 0;
}
