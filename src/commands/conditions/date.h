#ifndef UPDATER_COMMANDS_CONDITIONS_DATE_H_
#define UPDATER_COMMANDS_CONDITIONS_DATE_H_

#include <cstdint>

#include "script/procedures.h"

class ProcCheck;

struct DATE_INFO : ProcRecord {
  TextString file;  // "FILE": comma list of file paths
  TextString date;  // "DATE": year/month/day, the year in full
};

ProcRecord* LoadDate(const char* section);
// Reports what Load and Execute would make of the keys, running nothing.
void CheckDate(ProcCheck& check);
// Sets the flag at the first file that is dated before DATE or cannot be opened (missing,
// held by another process); later files are not looked at.
bool ExecuteDate(ProcRecord* record);

// True when the file opens and the local day of its last write is on or after the date
// "year/month/day". Each part is read as "%d" does (0 when missing or not a number) and
// compared as an unsigned 16-bit number; the time of day plays no part.
bool IsFileDateOnOrAfter(const char* path, const TextString& date);

// DATE's parts as IsFileDateOnOrAfter reads them.
struct DateParts {
  uint16_t year, month, day;
};
DateParts ReadDateParts(const TextString& date);

#endif  // UPDATER_COMMANDS_CONDITIONS_DATE_H_
