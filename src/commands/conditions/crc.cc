#include "commands/conditions/crc.h"

#include "foundation/crc32.h"
#include "foundation/globals.h"
#include "platform/code_page.h"
#include "platform/file_info.h"
#include "commands/command_check.h"
#include "commands/command_support.h"
#include "script/show_box.h"

namespace {

// Files are streamed through this much memory, whatever their size: few enough reads
// that the system calls cost little beside the CRC, and small enough to stay in the cache.
constexpr uint32_t kChunkSize = 1024 * 1024;

void ShowCrcBox(unsigned icon, const char* format, const ProcRecord& record, const char* path,
                uint32_t crc = 0) {
  TextString text;
  text.Format(format, record.sectionName.GetText(), path, crc);
  ShowBox(AnsiToUtf8(text.GetText()).c_str(), RunCaption().c_str(), icon);
}

}  // namespace

ProcRecord* LoadCrc(const char* section) {
  auto* record = NewRecord<CRC_INFO>(section, "CRC_INFO");
  if (!record) return nullptr;
  return ReadRecordKeys(record,
                        {{"FILE", &record->file}, {"TYPE", &record->type}, {"CRC", &record->crc}});
}

bool GetFileCrc32(const char* path, ByteBuffer& chunk, uint32_t* crc) {
  if (!chunk.GetData() && !chunk.Allocate(kChunkSize)) return false;
  UnsharedFile* file = OpenUnsharedFile(path);
  if (!file) return false;
  // An empty file counts as unreadable: it never matches and is never shown.
  bool ok = UnsharedFileSize(file) > 0;
  uint32_t value = 0;
  while (ok) {
    int64_t n = ReadUnsharedFile(file, chunk.GetBuffer(), chunk.size);
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    value = UpdateCrc32(value, chunk.GetData(), static_cast<size_t>(n));
  }
  CloseUnsharedFile(file);
  if (ok) *crc = value;
  return ok;
}

bool ExecuteCrc(ProcRecord* base) {
  auto* record = static_cast<CRC_INFO*>(base);
  int32_t count = CountListItems(*record, record->file, "FILE");
  if (count == 0) return false;
  bool is_and = record->type == "AND";
  ByteBuffer chunk;
  for (int32_t i = 0; i < count; ++i) {
    TextString path = TrimmedItem(record->file, i);
    TextString expected = TrimmedItem(record->crc, i);
    uint32_t crc = 0;
    bool read = GetFileCrc32(path.GetText(), chunk, &crc);
    if (expected.GetLength() > 0) {
      bool match = read && crc == expected.ToHex();
      if (is_and && !match) return true;
      if (!is_and && match) {
        record->result = 1;
        return true;
      }
      if (!is_and && i + 1 == count) return true;
    } else if (!read) {
      ShowCrcBox(kIconError, "PROC\t: %s\nFILE\t: %s\nCRC32\t: GetFileData Error.", *record,
                 path.GetText());
      return true;
    } else {
      ShowCrcBox(kIconInformation, "PROC\t: %s\nFILE\t: %s\nCRC32\t: 0x%08X", *record,
                 path.GetText(), crc);
    }
  }
  record->result = 1;
  return true;
}

void CheckCrc(ProcCheck& check) {
  TextString file, type, crc;
  const bool has_file = check.Text("FILE", file);
  const bool has_type = check.Text("TYPE", type);
  const bool has_crc = check.Text("CRC", crc);
  if (has_type && !(type == "AND" || type == "OR" || type.GetLength() == 0)) {
    check.Error("TYPE", "TYPE " + Quoted(type) +
                            " is not AND or OR; the updater takes it as OR (one match is enough)");
  }
  if (!has_file) return;
  const int32_t count = CheckFirstList(check, "FILE", file);
  WarnMissingPaths(check, "FILE", file, count);
  if (!has_crc) return;
  CheckPairedList(check, "FILE", count, "CRC", crc, Pairing::kMayShort);
  for (int32_t i = 0; i < count && i < crc.CountItems(","); ++i) {
    TextString value = TrimmedItem(crc, i);
    if (value.GetLength() != 0 && (!IsWholeHex(value) || value.StartsWith("-"))) {
      TextString read;
      read.Format("0x%08X", value.ToHex());
      check.Error("CRC", ItemName("CRC", i, count) + " " + Quoted(value) +
                             " is not a CRC-32 in hexadecimal; the updater compares with " +
                             read.GetText());
    }
  }
}
