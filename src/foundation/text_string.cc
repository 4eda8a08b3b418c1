#include "foundation/text_string.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/ascii.h"
#include "foundation/code_page.h"
#include "platform/string_table.h"

namespace {

const char* OrEmpty(const char* s) { return s != nullptr ? s : ""; }

char* CopyBytes(const char* s, size_t length) {
  char* copy = static_cast<char*>(std::malloc(length + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, s, length);
  copy[length] = '\0';
  return copy;
}

// Byte by byte: the second byte of a double-byte character folds like an ASCII letter.
bool EqualFolded(const char* a, const char* b, size_t length) {
  return AsciiEqualFold(std::string_view(a, length), std::string_view(b, length));
}

// The negative-index rule: false when an index is negative and there are no units.
template <typename Count>
bool ResolveIndexes(int32_t* first, int32_t* last, Count count) {
  if (*first >= 0 && *last >= 0) return true;
  int32_t units = count();
  if (units == 0) return false;
  if (*first < 0) *first += units;
  if (*last < 0) *last += units;
  return true;
}

// The next space from p, counting the double quotes passed on the way into quotes.
const char* NextSpace(const char* p, int32_t* quotes) {
  for (; *p != '\0'; p += CharLength(p)) {
    if (*p == '"') ++*quotes;
    if (*p == ' ') return p;
  }
  return nullptr;
}

// A single word in double quotes is taken without them; a lone quote leaves an empty span
// that ends before it starts.
void StripQuotes(const char** start, const char** end) {
  const char* word = *start;
  if (word >= *end || *word != '"') return;
  // The last character, found by whole characters so that a second byte is no quote.
  const char* tail = word;
  while (tail + CharLength(tail) < *end) tail += CharLength(tail);
  if (*tail == '"' && tail + 1 == *end) {
    ++*start;
    --*end;
  }
}

// One step of the block walk from p: +1 past an opener, -1 past a closer, 0 when no
// closer is left.
int BlockStep(const char** p, const char* open, const char* close) {
  const char* closer = SearchText(*p, close);
  if (closer == nullptr) return 0;
  const char* opener = SearchText(*p, open);
  if (opener != nullptr && opener < closer) {
    *p = opener + std::strlen(open);
    return 1;
  }
  *p = closer + std::strlen(close);
  return -1;
}

// White space as sscanf skips it in the C locale.
bool IsScanSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Digits from p in the given base, up to the first other byte; the magnitude saturates at
// limit. False when no digit converts.
bool ScanDigits(const char* p, int base, uint64_t limit, uint64_t* value) {
  uint64_t result = 0;
  bool any = false;
  for (int digit; (digit = HexDigitValue(*p)) >= 0 && digit < base; ++p) {
    any = true;
    result = result * base + digit;
    if (result > limit) result = limit;
  }
  *value = result;
  return any;
}

}  // namespace

TextString::TextString() {
  Init();
  SetText("");
}

TextString::TextString(const char* s) {
  Init();
  SetText(s);
}

TextString::TextString(const TextString& other) {
  Init();
  SetText(other.text);
}

TextString::~TextString() { Release(); }

void TextString::Release() {
  std::free(text);
  text = nullptr;
}

bool TextString::Allocate(int32_t n) {
  Release();
  if (n < 0) return false;
  // One byte more than asked: a system call that fills the buffer to its end (or n = 0)
  // still leaves a NUL-terminated text.
  text = static_cast<char*>(std::calloc(static_cast<size_t>(n) + 1, 1));
  return text != nullptr;
}

bool TextString::SetText(const char* s) {
  // Copy first: s may point into the buffer about to be freed.
  s = OrEmpty(s);
  char* copy = CopyBytes(s, std::strlen(s));
  Release();
  text = copy;
  return text != nullptr;
}

bool TextString::AppendText(const char* s) {
  const char* old = OrEmpty(text);
  const char* end = old + std::strlen(old);
  if (ReplaceSpan(end, end, s)) return true;
  Release();
  return false;
}

bool TextString::Compact() {
  if (text == nullptr) return false;
  char* smaller = static_cast<char*>(std::realloc(text, std::strlen(text) + 1));
  if (smaller == nullptr) return false;
  text = smaller;
  return true;
}

char TextString::GetAt(int32_t index) const {
  return index >= 0 && index < GetLength() ? text[index] : '\0';
}

const char* TextString::GetPointerAt(int32_t index) const {
  return text != nullptr && index >= 0 && index <= GetLength() ? text + index : nullptr;
}

int32_t TextString::GetLength() const {
  return text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
}

TextString& TextString::operator=(const TextString& other) {
  if (this == &other) return *this;
  return *this = other.text;
}

TextString& TextString::operator=(const char* s) {
  SetText(s);
  return *this;
}

TextString& TextString::operator+=(const TextString& other) { return *this += other.text; }

TextString& TextString::operator+=(const char* s) {
  AppendText(s);
  return *this;
}

TextString TextString::operator+(const TextString& other) const { return *this + other.text; }

TextString TextString::operator+(const char* s) const {
  TextString result(*this);
  if (!result.AppendText(s)) result.SetText("");
  return result;
}

bool TextString::operator==(const TextString& other) const { return *this == other.text; }

bool TextString::operator==(const char* s) const {
  const char* own = OrEmpty(text);
  s = OrEmpty(s);
  size_t length = std::strlen(own);
  return length == std::strlen(s) && EqualFolded(own, s, length);
}

bool TextString::operator!=(const TextString& other) const { return !(*this == other); }

bool TextString::operator!=(const char* s) const { return !(*this == s); }

TextString TextString::Extract(const char* first, const char* end) const {
  TextString result;
  if (end > first) {
    char* copy = CopyBytes(first, end - first);
    if (copy != nullptr) {
      result.Release();
      result.text = copy;
    }
  }
  return result;
}

bool TextString::ReplaceSpan(const char* first, const char* end, const char* replacement) {
  const char* own = OrEmpty(text);
  replacement = OrEmpty(replacement);
  size_t head = first - own;
  size_t middle = std::strlen(replacement);
  size_t tail = std::strlen(end);
  char* rebuilt = static_cast<char*>(std::malloc(head + middle + tail + 1));
  if (rebuilt == nullptr) return false;
  // Built in full before the old buffer goes: the replacement may point into it.
  std::copy_n(own, head, rebuilt);
  std::copy_n(replacement, middle, rebuilt + head);
  std::copy_n(end, tail + 1, rebuilt + head + middle);
  Release();
  text = rebuilt;
  return true;
}

TextString TextString::Mid(int32_t index) const { return Mid(index, index); }

TextString TextString::Mid(int32_t first, int32_t last) const {
  if (!ResolveIndexes(&first, &last, [this] { return GetLength(); })) return TextString();
  int32_t length = GetLength();
  // Ranges reaching outside the text are cut to it rather than read outside the buffer.
  if (first < 0) first = 0;
  if (last >= length) last = length - 1;
  if (first > last) return TextString();
  return Extract(text + first, text + last + 1);
}

void TextString::ReplaceMid(int32_t index, const char* replacement) {
  ReplaceMid(index, index, replacement);
}

void TextString::ReplaceMid(int32_t first, int32_t last, const char* replacement) {
  if (!ResolveIndexes(&first, &last, [this] { return GetLength(); })) return;
  int32_t length = GetLength();
  if (first < 0) first = 0;
  if (last >= length) last = length - 1;
  // An empty range (last = first - 1) inserts; anything else outside the text is ignored.
  if (first > length || last < first - 1) return;
  const char* own = OrEmpty(text);
  ReplaceSpan(own + first, own + last + 1, replacement);
}

int32_t TextString::CountWords() const {
  const char* p = OrEmpty(text);
  if (*p == '\0') return 0;
  int32_t count = 1;
  int32_t quotes = 0;
  for (const char* space; (space = NextSpace(p, &quotes)) != nullptr; p = space + 1) {
    if (quotes % 2 == 0) ++count;
  }
  return count;
}

bool TextString::FindWords(int32_t first, int32_t last, const char** start,
                           const char** end) const {
  if (!ResolveIndexes(&first, &last, [this] { return CountWords(); })) return false;
  const char* p = OrEmpty(text);
  int32_t index = 0;
  int32_t quotes = 0;
  while (index < first) {
    const char* space = NextSpace(p, &quotes);
    if (space == nullptr) return false;
    if (quotes % 2 == 0) ++index;
    p = space + 1;
  }
  const char* word = p;
  const char* word_end = nullptr;
  while (index <= last) {
    const char* space = NextSpace(p, &quotes);
    if (space == nullptr) {
      word_end = p + std::strlen(p);
      break;
    }
    if (quotes % 2 == 0) {
      if (index == last) {
        word_end = space;
        break;
      }
      ++index;
    }
    p = space + 1;
  }
  if (word_end == nullptr) return false;
  if (first == last) StripQuotes(&word, &word_end);
  *start = word;
  *end = word_end;
  return true;
}

TextString TextString::GetWord(int32_t index) const { return GetWords(index, index); }

TextString TextString::GetWords(int32_t first, int32_t last) const {
  const char* start;
  const char* end;
  if (!FindWords(first, last, &start, &end)) return TextString();
  return Extract(start, end);
}

void TextString::ReplaceWord(int32_t index, const char* replacement) {
  ReplaceWords(index, index, replacement);
}

void TextString::ReplaceWords(int32_t first, int32_t last, const char* replacement) {
  const char* start;
  const char* end;
  if (FindWords(first, last, &start, &end)) ReplaceSpan(start, end, replacement);
}

int32_t TextString::CountItems(const char* sep) const {
  const char* p = OrEmpty(text);
  if (*p == '\0') return 0;
  sep = OrEmpty(sep);
  size_t sep_length = std::strlen(sep);
  int32_t count = 1;
  for (p = SearchText(p, sep); p != nullptr; p = SearchText(p + sep_length, sep)) ++count;
  return count;
}

bool TextString::FindItems(int32_t first, int32_t last, const char* sep, const char** start,
                           const char** end) const {
  if (!ResolveIndexes(&first, &last, [this, sep] { return CountItems(sep); })) return false;
  const char* own = OrEmpty(text);
  sep = OrEmpty(sep);
  size_t sep_length = std::strlen(sep);
  const char* item = first == 0 ? own : nullptr;
  const char* item_end = nullptr;
  int32_t passed = 0;
  for (const char* found = SearchText(own, sep); found != nullptr;) {
    if (passed >= last) {
      item_end = found;
      break;
    }
    const char* next = found + sep_length;
    if (item == nullptr && passed + 1 >= first) item = next;
    ++passed;
    found = SearchText(next, sep);
  }
  if (item == nullptr) return false;
  *start = item;
  *end = item_end != nullptr ? item_end : own + std::strlen(own);
  return true;
}

TextString TextString::GetItem(int32_t index, const char* sep) const {
  return GetItems(index, index, sep);
}

TextString TextString::GetItems(int32_t first, int32_t last, const char* sep) const {
  const char* start;
  const char* end;
  if (!FindItems(first, last, sep, &start, &end)) return TextString();
  return Extract(start, end);
}

void TextString::ReplaceItem(int32_t index, const char* sep, const char* replacement) {
  ReplaceItems(index, index, sep, replacement);
}

void TextString::ReplaceItems(int32_t first, int32_t last, const char* sep,
                              const char* replacement) {
  const char* start;
  const char* end;
  if (FindItems(first, last, sep, &start, &end)) ReplaceSpan(start, end, replacement);
}

int32_t TextString::CountBlocks(const char* open, const char* close) const {
  const char* p = OrEmpty(text);
  open = OrEmpty(open);
  close = OrEmpty(close);
  int32_t depth = 0;
  int32_t count = 0;
  for (int step; (step = BlockStep(&p, open, close)) != 0;) {
    depth += step;
    if (step < 0 && depth == 0) ++count;
  }
  return count;
}

bool TextString::FindBlocks(int32_t first, int32_t last, const char* open, const char* close,
                            const char** start, const char** end) const {
  if (!ResolveIndexes(&first, &last, [this, open, close] { return CountBlocks(open, close); })) {
    return false;
  }
  const char* own = OrEmpty(text);
  open = OrEmpty(open);
  close = OrEmpty(close);
  const char* p = own;
  const char* block = nullptr;
  const char* block_end = nullptr;
  int32_t depth = 0;
  int32_t opened = 0;
  if (last >= 0) {
    while (opened <= last) {
      int step = BlockStep(&p, open, close);
      if (step == 0) break;
      if (step > 0 && depth == 0) ++opened;
      depth += step;
      if (block == nullptr && opened > first) block = p;
    }
    for (int step; block_end == nullptr && (step = BlockStep(&p, open, close)) != 0;) {
      depth += step;
      if (step < 0 && depth == 0) block_end = p;
    }
  }
  if (block == nullptr) return false;
  // The start was taken just past an opener, except when a leftover negative first index
  // took it past a closer: never step back before the text.
  size_t open_length = std::strlen(open);
  *start = static_cast<size_t>(block - own) >= open_length ? block - open_length : own;
  *end = block_end != nullptr ? block_end : own + std::strlen(own);
  return true;
}

TextString TextString::GetBlock(int32_t index, const char* open, const char* close) const {
  return GetBlocks(index, index, open, close);
}

TextString TextString::GetBlocks(int32_t first, int32_t last, const char* open,
                                 const char* close) const {
  const char* start;
  const char* end;
  if (!FindBlocks(first, last, open, close, &start, &end)) return TextString();
  return Extract(start, end);
}

void TextString::ReplaceBlock(int32_t index, const char* open, const char* close,
                              const char* replacement) {
  ReplaceBlocks(index, index, open, close, replacement);
}

void TextString::ReplaceBlocks(int32_t first, int32_t last, const char* open, const char* close,
                               const char* replacement) {
  const char* start;
  const char* end;
  if (FindBlocks(first, last, open, close, &start, &end)) ReplaceSpan(start, end, replacement);
}

void TextString::Trim(const char* both) { Trim(both, both); }

void TextString::Trim(const char* lead, const char* trail) {
  const char* own = OrEmpty(text);
  lead = OrEmpty(lead);
  trail = OrEmpty(trail);
  size_t length = std::strlen(own);
  size_t lead_length = std::strlen(lead);
  size_t trail_length = std::strlen(trail);
  size_t first = 0;
  size_t end = length;
  if (lead_length > 0) {
    while (length - first >= lead_length && EqualFolded(own + first, lead, lead_length)) {
      first += lead_length;
    }
  }
  if (trail_length > 0) {
    while (end - first >= trail_length &&
           EqualFolded(own + end - trail_length, trail, trail_length)) {
      end -= trail_length;
    }
  }
  if (first == 0 && end == length) return;
  *this = Extract(own + first, own + end);
}

bool TextString::ReplaceAll(const char* pattern, const char* replacement) {
  pattern = OrEmpty(pattern);
  replacement = OrEmpty(replacement);
  const char* found = SearchText(OrEmpty(text), pattern);
  if (found == nullptr) return false;
  size_t pattern_length = std::strlen(pattern);
  size_t replacement_length = std::strlen(replacement);
  // A replacement of single-byte characters none of which the pattern holds can never
  // form the pattern with the text beside it, so searching again from the start finds
  // just what one pass from left to right finds: do that pass, linear in the text.
  bool forms_nothing = replacement_length > 0;
  for (const char* r = replacement; forms_nothing && *r != '\0'; ++r) {
    forms_nothing = static_cast<unsigned char>(*r) < 0x80 && std::strchr(pattern, *r) == nullptr;
  }
  if (forms_nothing) {
    std::string result;
    const char* rest = text;
    for (; found != nullptr; found = SearchText(rest, pattern)) {
      result.append(rest, found - rest).append(replacement, replacement_length);
      rest = found + pattern_length;
    }
    result.append(rest);
    return SetText(result.c_str());
  }
  // Searching from the start again would find a pattern inside the replacement forever;
  // then each search resumes after the replacement just made.
  bool resume_after = SearchText(replacement, pattern) != nullptr;
  while (found != nullptr) {
    size_t offset = found - text;
    if (!ReplaceSpan(found, found + pattern_length, replacement)) return false;
    found = SearchText(resume_after ? text + offset + replacement_length : text, pattern);
  }
  return true;
}

void TextString::FormatV(const char* format, va_list args) {
  constexpr int kSize = 1024;
  char buffer[kSize];
  int written = std::vsnprintf(buffer, kSize, OrEmpty(format), args);
  if (written < 0) {
    buffer[0] = '\0';
  } else if (written >= kSize) {
    // Cut at a character boundary: a lead byte whose second byte fell off goes too.
    int keep = 0;
    while (keep < kSize - 1) {
      int length = IsLeadByte(static_cast<unsigned char>(buffer[keep])) ? 2 : 1;
      if (keep + length > kSize - 1) break;
      keep += length;
    }
    buffer[keep] = '\0';
  }
  SetText(buffer);
}

void TextString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(format, args);
  va_end(args);
}

void TextString::FormatResourceV(unsigned id, va_list args) {
  char format[256];
  if (LoadStringTemplate(id, format, static_cast<int>(sizeof format)) <= 0) format[0] = '\0';
  FormatV(format, args);
}

void TextString::FormatResource(unsigned id, ...) {
  va_list args;
  va_start(args, id);
  FormatResourceV(id, args);
  va_end(args);
}

int32_t TextString::CountOccurrences(const char* pattern) const {
  pattern = OrEmpty(pattern);
  size_t length = std::strlen(pattern);
  int32_t count = 0;
  for (const char* p = SearchText(OrEmpty(text), pattern); p != nullptr;
       p = SearchText(p + length, pattern)) {
    ++count;
  }
  return count;
}

int32_t TextString::ToInt() const {
  const char* p = OrEmpty(text);
  while (IsScanSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  // Out of range saturates at the nearest 32-bit value, as strtol does.
  uint64_t magnitude;
  if (!ScanDigits(p, 10, negative ? 0x80000000u : 0x7FFFFFFFu, &magnitude)) return 0;
  return negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                  : static_cast<int32_t>(magnitude);
}

uint32_t TextString::ToHex() const {
  const char* p = OrEmpty(text);
  while (IsScanSpace(*p)) ++p;
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && HexDigitValue(p[2]) >= 0) p += 2;
  uint64_t magnitude;
  if (!ScanDigits(p, 16, 0xFFFFFFFFu, &magnitude)) return 0;
  // A sign negates in unsigned arithmetic, as strtoul does; the magnitude saturates.
  uint32_t value = static_cast<uint32_t>(magnitude);
  return negative ? 0u - value : value;
}

bool TextString::Contains(const char* pattern) const {
  return SearchText(OrEmpty(text), OrEmpty(pattern)) != nullptr;
}

bool TextString::StartsWith(const char* pattern) const {
  const char* own = OrEmpty(text);
  return SearchText(own, OrEmpty(pattern)) == own;
}

std::vector<TextString> SplitItems(const TextString& text, const char* sep) {
  std::vector<TextString> items;
  const char* p = text.GetText();
  if (!p || !*p) return items;
  const size_t sep_length = std::strlen(sep);
  for (;;) {
    const char* hit = sep_length ? SearchText(p, sep) : nullptr;
    if (!hit) {
      items.emplace_back(p);
      return items;
    }
    items.emplace_back(std::string(p, hit).c_str());
    p = hit + sep_length;
  }
}

std::vector<TextString> SplitWords(const TextString& text) {
  std::vector<TextString> words;
  const char* p = text.GetText();
  if (!p || !*p) return words;
  int32_t quotes = 0;
  for (const char* word = p;;) {
    const char* space = NextSpace(p, &quotes);
    if (space && quotes % 2 != 0) {
      p = space + 1;
      continue;
    }
    const char* start = word;
    const char* end = space ? space : p + std::strlen(p);
    StripQuotes(&start, &end);
    words.push_back(start < end ? TextString(std::string(start, end).c_str()) : TextString());
    if (!space) return words;
    p = word = space + 1;
  }
}
