#include "script/symbols.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "foundation/registry_key.h"
#include "platform/folders.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "script/messages.h"
#include "script/profile_values.h"

namespace {

constexpr unsigned kCsidlDesktop = 0x10;
constexpr unsigned kCsidlCommonDesktop = 0x19;
constexpr unsigned kCsidlPrograms = 0x02;
constexpr unsigned kCsidlCommonPrograms = 0x17;

// The first entry of that name, or null.
const SymbolEntry* FindEntry(std::string_view name, std::string& key) {
  key.assign(name);
  for (char& c : key) c = AsciiToLower(c);
  const auto found = SymbolTable.firstEntry.find(key);
  return found == SymbolTable.firstEntry.end() ? nullptr : &SymbolTable.entries[found->second];
}

void AddEntry(std::string name, std::string value) {
  SymbolTable.firstEntry.emplace(AsciiLowered(name),
                                 static_cast<int32_t>(SymbolTable.entries.size()));
  SymbolTable.entries.push_back({std::move(name), std::move(value)});
}

// A DEFINE line: the name runs to the first "=", the value from there to the end of the
// line, "=" and all, as a name never holds one.
void AddLine(const char* line) {
  const char* equals = SearchText(line, "=");
  if (!equals) {
    AddEntry(line, "");
    return;
  }
  AddEntry(std::string(line, equals), equals + 1);
}

bool GetSpecialFolder(TextString& out, unsigned csidl) {
  std::string path;
  if (!SpecialFolder(csidl, &path)) return false;
  out = path.c_str();
  return true;
}

bool GetAppPathValue(const TextString& name, TextString& out, bool path_value) {
  RegistryKey key(kHkeyLocalMachine,
                  TextString("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\") + name);
  return key.ReadValue(path_value ? "PATH" : "", out);
}

// A built-in folder the shell cannot resolve is empty, never a neighbour's leftover.
TextString SpecialFolderOrEmpty(unsigned csidl) {
  TextString folder;
  if (!GetSpecialFolder(folder, csidl)) folder = "";
  return folder;
}

enum class Outcome { kKept, kReplaced, kTooLong };

// The lead bytes of the code page in use, as a table: asking for each byte of a long value
// cost more than everything else the walk does.
const bool* LeadBytes() {
  static unsigned table_code_page = 0;
  static bool lead[256];
  const unsigned code_page = CodePage();
  if (code_page != table_code_page) {
    for (int c = 0; c < 256; ++c) lead[c] = IsLeadByte(static_cast<unsigned char>(c));
    table_code_page = code_page;
  }
  return lead;
}

// The character after the one at p, as CharLength counts it.
const char* NextChar(const char* p, const bool* lead) {
  return p + (lead[static_cast<unsigned char>(*p)] && p[1] != '\0' ? 2 : 1);
}

// The words of the command line, split on the first ?Param of a value rather than walked
// again for every word asked for.
class ParamWords {
 public:
  // Word i as GetWord(i) gives it: a negative index counts from the end once.
  std::string_view Word(int64_t i) {
    Split();
    if (i < 0) i += Count();
    return i >= 0 && i < Count() ? std::string_view(words_[i].GetText()) : std::string_view();
  }
  int64_t Count() {
    Split();
    return static_cast<int64_t>(words_.size());
  }

 private:
  void Split() {
    if (split_) return;
    words_ = SplitWords(RunSettings.commandLine);
    split_ = true;
  }

  bool split_ = false;
  std::vector<TextString> words_;
};

// {?Param\a\b}: words a to b joined by ", ", a word past the command line's end empty. Its
// length is known before it is built, so that a range of millions of words is refused at
// once; 64-bit indexes, so that no count written in a script overflows.
Outcome JoinParams(int64_t a, int64_t b, ParamWords& words, size_t room, TextString& q) {
  const int64_t count = words.Count();
  if (a < 0) a += count;
  if (b < 0) b += count;
  if (a > b) {
    q = "";
    return Outcome::kReplaced;
  }
  // Only indexes from -count to count - 1 name a word; every other one adds its separator.
  uint64_t length = 2 * static_cast<uint64_t>(b - a);
  for (int64_t i = std::max(a, -count); i <= std::min(b, count - 1); ++i) {
    length += words.Word(i).size();
  }
  if (length > room) return Outcome::kTooLong;
  std::string joined;
  joined.reserve(length);
  for (int64_t i = a;; ++i) {
    joined += words.Word(i);
    if (i == b) break;
    joined += ", ";
  }
  q = joined.c_str();
  return Outcome::kReplaced;
}

// A query without its braces ("?Param\0") to its result in q; kKept when it is no query
// or gives nothing.
Outcome ExpandQuery(TextString& q, size_t room, ParamWords& words) {
  TextString name = q.GetItem(0, "\\");
  if (name == "?App") {
    return GetAppPathValue(q.GetItem(1, "\\"), q, false) ? Outcome::kReplaced : Outcome::kKept;
  }
  if (name == "?AppPath") {
    if (!GetAppPathValue(q.GetItem(1, "\\"), q, true)) return Outcome::kKept;
    q.Trim("", "\\");
    q.Trim("", ";");
    return Outcome::kReplaced;
  }
  if (name == "?SpFolder") {
    if (!GetSpecialFolder(q, q.GetItem(1, "\\").ToHex())) return Outcome::kKept;
    q.Trim("", "\\");
    return Outcome::kReplaced;
  }
  if (name == "?Param") {
    if (q.CountItems("\\") == 3) {
      return JoinParams(q.GetItem(1, "\\").ToInt(), q.GetItem(2, "\\").ToInt(), words, room, q);
    }
    q = std::string(words.Word(q.GetItem(1, "\\").ToInt())).c_str();
    return Outcome::kReplaced;
  }
  return Outcome::kKept;
}

// A value being expanded: the text already passed over, a gap, and the text still to be
// looked at, in one buffer. A replacement goes in front of the text still to be looked at,
// into the gap, so that no replacement copies the rest of the value; the buffer doubles
// when the gap is too small.
class GapText {
 public:
  explicit GapText(std::string&& text) : buffer_(std::move(text)) {}

  // The text still to be looked at, up to the string's NUL.
  const char* Pending() const { return buffer_.data() + pending_; }
  // Passes over n bytes of the pending text.
  void Keep(size_t n) {
    if (done_ != pending_) std::memmove(buffer_.data() + done_, Pending(), n);
    done_ += n;
    pending_ += n;
  }
  // Drops n bytes of the pending text and puts text before the rest, to be looked at next.
  void Replace(size_t n, std::string_view text) {
    pending_ += n;
    if (pending_ - done_ < text.size()) Grow(text.size());
    pending_ -= text.size();
    std::memcpy(buffer_.data() + pending_, text.data(), text.size());
  }
  // Passes over the rest and gives the whole text.
  std::string Finish() {
    Keep(buffer_.size() - pending_);
    buffer_.resize(done_);
    return std::move(buffer_);
  }

 private:
  void Grow(size_t gap) {
    const size_t rest = buffer_.size() - pending_;
    std::string bigger(std::max(2 * buffer_.size(), done_ + gap + rest), '\0');
    std::memcpy(bigger.data(), buffer_.data(), done_);
    std::memcpy(bigger.data() + bigger.size() - rest, Pending(), rest);
    pending_ = bigger.size() - rest;
    buffer_.swap(bigger);
  }

  std::string buffer_;
  size_t done_ = 0;
  size_t pending_ = 0;
};

// The blocks as CountBlocks, GetBlock and ReplaceBlock find them, for single-byte
// delimiters, with the passes of this loop:
//
//   for (pass = 0, i = 0; pass < value.CountBlocks(open, close); ++pass)
//     if (resolve(value.GetBlock(i))) value.ReplaceBlock(i, replacement); else ++i;
//
// but in one walk: block i of the changed text is the first block from where the last
// replacement began, as everything before it is unchanged and at depth 0. Asking for
// blocks by index from the start, and copying the whole value for every replacement, made
// a value of many symbols quadratic. False, with culprit the block and value spoilt, when
// a replacement would take the value past limit bytes.
template <typename Resolve>
bool ReplaceBlocks(std::string& value, char open, char close, size_t limit,
                   std::string& culprit, Resolve resolve) {
  const bool* lead = LeadBytes();
  // One pass for each closer that brings the depth back to 0.
  size_t passes = 0;
  int64_t depth = 0;
  for (const char* p = value.c_str(); *p; p = NextChar(p, lead)) {
    if (*p == open) {
      ++depth;
    } else if (*p == close && --depth == 0) {
      ++passes;
    }
  }
  if (passes == 0) return true;
  size_t length = value.size();
  GapText gap(std::move(value));
  std::string_view replacement;
  for (; passes > 0; --passes) {
    // The next opener at depth 0; a closer of depth 0 takes the depth below it.
    const char* start = gap.Pending();
    const char* block = start;
    for (depth = 0; *block && !(*block == open && depth == 0); block = NextChar(block, lead)) {
      if (*block == open) ++depth;
      if (*block == close) --depth;
    }
    if (!*block) break;
    // Its end: past the closer back at depth 0, or the end of the text when none is. With
    // no closer after the opener at all, the walk ends before the opener.
    bool any_closer = false;
    const char* end = block + 1;
    for (depth = 1; *end && depth > 0; end = NextChar(end, lead)) {
      if (*end == open) ++depth;
      if (*end == close) {
        any_closer = true;
        --depth;
      }
    }
    if (!any_closer) break;
    const std::string_view found(block, end - block);
    const size_t others = length - found.size();
    const size_t room = others < limit ? limit - others : 0;
    Outcome outcome = resolve(found, room, &replacement);
    if (outcome == Outcome::kReplaced && replacement.size() > room) outcome = Outcome::kTooLong;
    if (outcome == Outcome::kTooLong) {
      culprit = found;
      return false;
    }
    if (outcome == Outcome::kKept) {
      gap.Keep(end - start);
      continue;
    }
    gap.Keep(block - start);
    gap.Replace(found.size(), replacement);
    length = others + replacement.size();
  }
  value = gap.Finish();
  return true;
}

bool ReplaceSymbols(std::string& value, size_t limit, std::string& culprit) {
  std::string key;
  return ReplaceBlocks(value, '<', '>', limit, culprit,
                       [&key](std::string_view block, size_t, std::string_view* replacement) {
                         const SymbolEntry* entry = FindEntry(block, key);
                         if (!entry) return Outcome::kKept;
                         *replacement = entry->value;
                         return Outcome::kReplaced;
                       });
}

bool ReplaceQueries(std::string& value, size_t limit, std::string& culprit) {
  ParamWords words;
  TextString q;
  return ReplaceBlocks(value, '{', '}', limit, culprit,
                       [&](std::string_view block, size_t room, std::string_view* replacement) {
                         q = std::string(block).c_str();
                         q.Trim("{", "}");
                         const Outcome outcome = ExpandQuery(q, room, words);
                         *replacement = q.GetText() ? q.GetText() : "";
                         return outcome;
                       });
}

// The value without its "dir\.." steps into out; false when there are none.
bool CollapseSteps(const char* text, std::string& out) {
  // Byte by byte first: most values hold no "\.." at all.
  if (!text || !std::strstr(text, "\\..")) return false;
  // The items as GetItem gives them.
  const bool* lead = LeadBytes();
  std::vector<std::string_view> items;
  const char* item = text;
  for (const char* p = text;; p = NextChar(p, lead)) {
    if (*p == '\\' || !*p) {
      items.emplace_back(item, p - item);
      if (!*p) break;
      item = p + 1;
    }
  }
  // From the third item on, ".." takes the item before it away with itself, but never the
  // first item: once only that is left, the rest stays as written.
  std::vector<std::string_view> kept(items.begin(),
                                     items.begin() + std::min<size_t>(2, items.size()));
  bool removed = false;
  size_t next = kept.size();
  for (; next < items.size() && kept.size() >= 2; ++next) {
    if (items[next] == "..") {
      kept.pop_back();
      removed = true;
    } else {
      kept.push_back(items[next]);
    }
  }
  if (!removed) return false;
  kept.insert(kept.end(), items.begin() + next, items.end());
  out.clear();
  for (size_t i = 0; i < kept.size(); ++i) {
    if (i > 0) out += '\\';
    out += kept[i];
  }
  return true;
}

// What ExpandValue does, within limit bytes; false after message 6.
bool Expand(std::string& value, size_t limit) {
  std::string culprit;
  if (!ReplaceSymbols(value, limit, culprit) || !ReplaceQueries(value, limit, culprit)) {
    ShowMessage(kMsgBadSymbol, culprit.c_str());
    return false;
  }
  std::string collapsed;
  if (CollapseSteps(value.c_str(), collapsed)) value = std::move(collapsed);
  return true;
}

// Runs one of the Replace functions on a TextString, which changes only on success.
bool ReplaceIn(TextString& value, int32_t limit, TextString& culprit,
               bool (*replace)(std::string&, size_t, std::string&)) {
  std::string text = value.GetText() ? value.GetText() : "";
  std::string block;
  if (!replace(text, static_cast<size_t>(std::max(limit, 0)), block)) {
    culprit = block.c_str();
    return false;
  }
  value = text.c_str();
  return true;
}

}  // namespace

void SetSymbol(const char* name, const TextString& value) {
  std::string key;
  const SymbolEntry* entry = FindEntry(name, key);
  const char* text = value.GetText() ? value.GetText() : "";
  if (entry) {
    SymbolTable.entries[entry - SymbolTable.entries.data()].value = text;
  } else {
    AddEntry(name, text);
  }
}

bool LookUpSymbol(const char* name, TextString& value) {
  std::string key;
  const SymbolEntry* entry = FindEntry(name, key);
  if (!entry) return false;
  value = entry->value.c_str();
  return true;
}

bool BuildSymbolTable() {
  SymbolTable = SymbolTableData();
  TextString lines;
  const int32_t count =
      ReadSectionLines(RunSettings.scriptPath.GetText(), "DEFINE", lines);
  if (count > 0) {
    const std::vector<TextString> split = SplitItems(lines, "\n");
    for (int32_t i = 0; i < count; ++i) {
      AddLine(static_cast<size_t>(i) < split.size() ? split[i].GetText() : "");
    }
  }
  SetSymbol("<Win>", WindowsFolder().c_str());
  SetSymbol("<Sys>", SystemFolder().c_str());
  SetSymbol("<Src>", RunSettings.programPath.GetItems(0, -2, "\\"));
  bool nt = IsWindowsNT();
  SetSymbol("<Desktop>", SpecialFolderOrEmpty(nt ? kCsidlCommonDesktop : kCsidlDesktop));
  SetSymbol("<Programs>", SpecialFolderOrEmpty(nt ? kCsidlCommonPrograms : kCsidlPrograms));
  TextString temp = TempPath().c_str();
  if (temp.CountOccurrences("\\") >= 1) temp = temp.GetItems(0, -2, "\\");
  SetSymbol("<Temp>", temp);

  // Each entry once, in order: it sees the expanded entries before it, and itself and the
  // entries after it as written.
  size_t total = 0;
  for (const SymbolEntry& entry : SymbolTable.entries) total += entry.value.size();
  for (SymbolEntry& entry : SymbolTable.entries) {
    const size_t others = total - entry.value.size();
    const size_t left = others < kMaxSymbolTable ? kMaxSymbolTable - others : 0;
    std::string value = entry.value;
    if (!Expand(value, std::min<size_t>(kMaxExpandedValue, left))) return false;
    total = others + value.size();
    entry.value = std::move(value);
  }
  return true;
}

bool ExpandValue(TextString& value) {
  std::string text = value.GetText() ? value.GetText() : "";
  if (!Expand(text, kMaxExpandedValue)) return false;
  value = text.c_str();
  return true;
}

bool ExpandSymbols(TextString& value, int32_t limit, TextString& culprit) {
  return ReplaceIn(value, limit, culprit, ReplaceSymbols);
}

bool ExpandQueries(TextString& value, int32_t limit, TextString& culprit) {
  return ReplaceIn(value, limit, culprit, ReplaceQueries);
}

bool CollapseParentSteps(TextString& value) {
  std::string collapsed;
  if (!CollapseSteps(value.GetText(), collapsed)) return false;
  value = collapsed.c_str();
  return true;
}
