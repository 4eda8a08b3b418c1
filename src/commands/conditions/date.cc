#include "commands/conditions/date.h"

#include "platform/file_info.h"
#include "commands/command_support.h"

ProcRecord* LoadDate(const char* section) {
  auto* record = NewRecord<DATE_INFO>(section, "DATE_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record, {{"FILE", &record->file}, {"DATE", &record->date}});
}

bool ExecuteDate(ProcRecord* base) {
  auto* record = static_cast<DATE_INFO*>(base);
  int32_t count = CountListItems(*record, record->file, "FILE");
  if (count == 0) return false;
  for (int32_t i = 0; i < count; ++i) {
    if (!IsFileDateOnOrAfter(TrimmedItem(record->file, i).GetText(), record->date)) {
      record->result = 1;
      return true;
    }
  }
  return true;
}

bool IsFileDateOnOrAfter(const char* path, const TextString& date) {
  CalendarDate written;
  if (!GetFileWriteDate(path, &written)) return false;
  auto part = [&date](int32_t i) { return static_cast<uint16_t>(date.GetItem(i, "/").ToInt()); };
  uint16_t year = part(0), month = part(1), day = part(2);
  if (written.year != year) return written.year > year;
  if (written.month != month) return written.month > month;
  return written.day >= day;
}
