#include "commands/command_check.h"

#include <cctype>

#include "commands/command_support.h"
#include "script/messages.h"

namespace {

// Digits of the kind after an optional sign (decimal) or "0x" (hexadecimal), spaces around.
bool IsWhole(const TextString& text, bool hex) {
  const char* p = text.GetText() ? text.GetText() : "";
  while (*p == ' ' || *p == '\t') ++p;
  if (*p == '+' || *p == '-') ++p;
  if (hex && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
      std::isxdigit(static_cast<unsigned char>(p[2]))) {
    p += 2;
  }
  const char* digits = p;
  while (hex ? std::isxdigit(static_cast<unsigned char>(*p))
             : std::isdigit(static_cast<unsigned char>(*p)))
    ++p;
  if (p == digits) return false;
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '\0';
}

}  // namespace

bool IsWholeDecimal(const TextString& text) { return IsWhole(text, false); }
bool IsWholeHex(const TextString& text) { return IsWhole(text, true); }

std::string ItemName(const char* key, int32_t index, int32_t count) {
  if (count <= 1) return key;
  return "item " + std::to_string(index + 1) + " of " + key;
}

int32_t CheckFirstList(ProcCheck& check, const char* key, const TextString& list,
                       const char* message_key) {
  const int32_t count = list.CountItems(",");
  if (count == 0) {
    check.Error(key, std::string(key) + " is empty; the procedure stops the run",
                MessageText(kMsgBadItemCount, check.Section(), message_key ? message_key : key));
  }
  return count;
}

void CheckPairedList(ProcCheck& check, const char* first_key, int32_t count, const char* key,
                     const TextString& list, Pairing pairing) {
  const int32_t items = list.CountItems(",");
  if (items == count || count == 0 || (pairing == Pairing::kMayShort && items < count)) return;
  std::string text = std::string(key) + " has " + std::to_string(items) + " item" +
                     (items == 1 ? "" : "s") + " but " + first_key + " has " +
                     std::to_string(count) + "; they pair by position";
  if (items < count) {
    text += ", so item " + std::to_string(items + 1) + " of " + first_key + " gets an empty " + key;
  } else {
    text += ", so the items of " + std::string(key) + " past " + std::to_string(count) +
            " are never used";
  }
  if (pairing == Pairing::kLoose) {
    check.Warning(key, text);
  } else {
    check.Error(key, text);
  }
}

void WarnMissingPath(ProcCheck& check, const char* key, const TextString& path) {
  if (path.GetLength() == 0 || path.Contains("*") || path.Contains("?")) return;
  if (!check.Exists(path)) check.Warning(key, Quoted(path) + " does not exist on this machine");
}

void WarnMissingPaths(ProcCheck& check, const char* key, const TextString& list, int32_t count) {
  for (int32_t i = 0; i < count; ++i) WarnMissingPath(check, key, TrimmedItem(list, i));
}

void NoteMadePaths(ProcCheck& check, const TextString& list, int32_t count) {
  for (int32_t i = 0; i < count; ++i) check.Makes(TrimmedItem(list, i));
}

void CheckSourceTargetLists(ProcCheck& check) {
  TextString from, to;
  const bool has_from = check.Text("FROM", from);
  const bool has_to = check.Text("TO", to);
  if (!has_from) return;
  const int32_t count = CheckFirstList(check, "FROM", from);
  if (has_to) CheckPairedList(check, "FROM", count, "TO", to, Pairing::kExact);
  WarnMissingPaths(check, "FROM", from, count);
  if (has_to) NoteMadePaths(check, to, count);
}
