#include "commands/conditions/date.h"

#include "platform/file_info.h"
#include "commands/command_check.h"
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

DateParts ReadDateParts(const TextString& date) {
  auto part = [&date](int32_t i) { return static_cast<uint16_t>(date.GetItem(i, "/").ToInt()); };
  return DateParts{part(0), part(1), part(2)};
}

bool IsFileDateOnOrAfter(const char* path, const TextString& date) {
  CalendarDate written;
  if (!GetFileWriteDate(path, &written)) return false;
  const auto [year, month, day] = ReadDateParts(date);
  if (written.year != year) return written.year > year;
  if (written.month != month) return written.month > month;
  return written.day >= day;
}

void CheckDate(ProcCheck& check) {
  TextString file, date;
  const bool has_file = check.Text("FILE", file);
  const bool has_date = check.Text("DATE", date);
  if (has_file) CheckFirstList(check, "FILE", file);
  if (!has_date) return;
  const DateParts parts = ReadDateParts(date);
  bool whole = date.CountItems("/") == 3;
  for (int32_t i = 0; whole && i < 3; ++i) whole = IsWholeDecimal(date.GetItem(i, "/"));
  if (!whole || parts.year < 1601 || parts.month < 1 || parts.month > 12 || parts.day < 1 ||
      parts.day > 31) {
    check.Error("DATE", "DATE " + Quoted(date) +
                            " is not year/month/day with the year in full; the updater reads " +
                            std::to_string(parts.year) + "/" + std::to_string(parts.month) + "/" +
                            std::to_string(parts.day));
  }
}
