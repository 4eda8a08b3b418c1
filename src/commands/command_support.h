#ifndef UPDATER_COMMANDS_COMMAND_SUPPORT_H_
#define UPDATER_COMMANDS_COMMAND_SUPPORT_H_

// What every command's Load and Execute share.

#include <initializer_list>
#include <new>
#include <utility>

#include "foundation/text_string.h"
#include "script/messages.h"
#include "script/procedures.h"
#include "script/script_reader.h"

// A new record for the section, or null after message 3 naming the record.
template <typename Record>
Record* NewRecord(const char* section, const char* record_name) {
  auto* record = new (std::nothrow) Record;
  if (!record) {
    ShowMessage(kMsgNoMemory, record_name);
    return nullptr;
  }
  record->sectionName = section;
  record->result = 0;
  return record;
}

// Reads "MODE" and then the given keys in order with ReadKey. At the first missing key
// (message 2 shown) the record is destroyed and null returned; otherwise the record.
template <typename Record>
Record* ReadRecordKeys(Record* record, std::initializer_list<std::pair<const char*, TextString*>> keys) {
  if (!record) return nullptr;
  const char* section = record->sectionName.GetText();
  bool ok = ReadKey(section, "MODE", record->mode);
  for (auto it = keys.begin(); ok && it != keys.end(); ++it) ok = ReadKey(section, it->first, *it->second);
  if (!ok) {
    delete record;
    return nullptr;
  }
  return record;
}

// Item i of a comma list, trimmed of spaces.
inline TextString TrimmedItem(const TextString& list, int32_t i) {
  TextString item = list.GetItem(i, ",");
  item.Trim(" ", " ");
  return item;
}

// The count of items of a list key; 0 shows message 4 with the section and key.
inline int32_t CountListItems(const ProcRecord& record, const TextString& list, const char* key) {
  int32_t count = list.CountItems(",");
  if (count == 0) ShowMessage(kMsgBadItemCount, record.sectionName.GetText(), key);
  return count;
}

#endif  // UPDATER_COMMANDS_COMMAND_SUPPORT_H_
