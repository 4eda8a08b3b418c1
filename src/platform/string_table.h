#ifndef UPDATER_PLATFORM_STRING_TABLE_H_
#define UPDATER_PLATFORM_STRING_TABLE_H_

// Copies message `id` of the program's string table, in the code page in use, into
// buffer (at most size - 1 bytes, NUL-terminated) and returns its length; 0 and an empty
// buffer for an id the table does not hold.
int LoadStringTemplate(unsigned id, char* buffer, int size);

#endif  // UPDATER_PLATFORM_STRING_TABLE_H_
