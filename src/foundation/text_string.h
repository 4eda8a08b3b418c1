#ifndef UPDATER_FOUNDATION_TEXT_STRING_H_
#define UPDATER_FOUNDATION_TEXT_STRING_H_

#include <cstdarg>
#include <cstdint>
#include <vector>

// The one text type: an owned, NUL-terminated byte string in the ANSI code page in use,
// with the script language's parsing operations. Lengths and indexes count bytes.
//
// Indexes: wherever a first and a last index are taken, a negative index counts from the
// end (-1 is the last unit) after counting the units; with no units the operation fails
// (Get gives "", Replace changes nothing, Find returns false).
//
// Searches step over whole characters of the code page in use, so the second byte of a
// double-byte character never matches a separator, pattern or delimiter. An empty
// separator, pattern or delimiter never occurs.
//
// Allocation failures: Allocate, SetText and AppendText return false and leave the object
// without text (GetText() null); operations returning a new TextString return "". Every
// other operation reads an object without text as "".
class TextString {
 public:
  TextString();
  TextString(const char* s);  // NOLINT(google-explicit-constructor): texts convert freely.
  TextString(const TextString& other);
  ~TextString();

  // n zero bytes, and a NUL after them; frees the old buffer first. For system calls that
  // write into GetBuffer(). False for a negative n.
  bool Allocate(int32_t n);
  // Reallocates the buffer to length + 1 bytes; on failure the text stays as it was.
  bool Compact();

  const char* GetText() const { return text; }
  char* GetBuffer() { return text; }
  // NUL for an index outside the text.
  char GetAt(int32_t index) const;
  // Null for an index outside the text; the index of the NUL gives the NUL.
  const char* GetPointerAt(int32_t index) const;
  int32_t GetLength() const;

  // The source may be this object's own text or a suffix of it.
  TextString& operator=(const TextString& other);
  TextString& operator=(const char* s);
  TextString& operator+=(const TextString& other);
  TextString& operator+=(const char* s);
  TextString operator+(const TextString& other) const;
  TextString operator+(const char* s) const;

  // Byte-wise equality folding only ASCII letters.
  bool operator==(const TextString& other) const;
  bool operator==(const char* s) const;
  bool operator!=(const TextString& other) const;
  bool operator!=(const char* s) const;

  // Inclusive byte ranges, with the negative-index rule, cut to the text. ReplaceMid of an
  // empty range (last = first - 1) inserts at first.
  TextString Mid(int32_t index) const;
  TextString Mid(int32_t first, int32_t last) const;
  void ReplaceMid(int32_t index, const char* replacement);
  void ReplaceMid(int32_t first, int32_t last, const char* replacement);

  // Words: separated by single spaces; a space inside double quotes does not separate.
  int32_t CountWords() const;
  TextString GetWord(int32_t index) const;
  TextString GetWords(int32_t first, int32_t last) const;
  void ReplaceWord(int32_t index, const char* replacement);
  void ReplaceWords(int32_t first, int32_t last, const char* replacement);

  // Items: separated by sep (any non-empty text); items are not trimmed.
  int32_t CountItems(const char* sep) const;
  TextString GetItem(int32_t index, const char* sep) const;
  TextString GetItems(int32_t first, int32_t last, const char* sep) const;
  void ReplaceItem(int32_t index, const char* sep, const char* replacement);
  void ReplaceItems(int32_t first, int32_t last, const char* sep, const char* replacement);

  // Top-level blocks between open and close, delimiters included.
  int32_t CountBlocks(const char* open, const char* close) const;
  TextString GetBlock(int32_t index, const char* open, const char* close) const;
  TextString GetBlocks(int32_t first, int32_t last, const char* open, const char* close) const;
  void ReplaceBlock(int32_t index, const char* open, const char* close, const char* replacement);
  void ReplaceBlocks(int32_t first, int32_t last, const char* open, const char* close,
                     const char* replacement);

  // Strips whole repetitions of lead from the start and trail from the end (byte-wise,
  // ASCII case ignored).
  void Trim(const char* both);
  void Trim(const char* lead, const char* trail);

  // Replaces every occurrence, searching again from the start after each replacement.
  // False (and no change) when the pattern does not occur. When the replacement holds the
  // pattern, each search resumes after the replacement just made instead. A replacement
  // that forms the pattern again with the text before or after it never ends (the text
  // grows until memory runs out); one that is shorter than the pattern or shares no byte
  // with it always ends.
  bool ReplaceAll(const char* pattern, const char* replacement);

  // printf rules; the result is cut at 1,023 bytes (never in the middle of a character).
  void FormatV(const char* format, va_list args);
  void Format(const char* format, ...);
  // Message id of the program's string table as the format (at most 255 bytes); an id
  // the table lacks gives "".
  void FormatResourceV(unsigned id, va_list args);
  void FormatResource(unsigned id, ...);

  int32_t CountOccurrences(const char* pattern) const;
  // sscanf "%d" / "%x"; 0 when nothing converts. Out of range, ToInt saturates at the
  // nearest 32-bit value and ToHex at 0xFFFFFFFF (a sign negates, as strtoul does).
  int32_t ToInt() const;
  uint32_t ToHex() const;
  bool Contains(const char* pattern) const;
  bool StartsWith(const char* pattern) const;

 private:
  void Init() { text = nullptr; }
  void Release();
  bool SetText(const char* s);
  bool AppendText(const char* s);
  // Spans run from first up to, not including, end. end may lie before first: Extract
  // gives "" and ReplaceSpan keeps the bytes before first and from end on.
  TextString Extract(const char* first, const char* end) const;
  // False, and the text unchanged, when memory runs out.
  bool ReplaceSpan(const char* first, const char* end, const char* replacement);
  bool FindWords(int32_t first, int32_t last, const char** start, const char** end) const;
  bool FindItems(int32_t first, int32_t last, const char* sep, const char** start,
                 const char** end) const;
  bool FindBlocks(int32_t first, int32_t last, const char* open, const char* close,
                  const char** start, const char** end) const;

  char* text;
};

// Every item of text split at sep, in one pass: item i equals text.GetItem(i, sep), and
// there are text.CountItems(sep) of them. For walking long lists in linear time.
std::vector<TextString> SplitItems(const TextString& text, const char* sep);

// Every word of text, in one pass: word i equals text.GetWord(i), and there are
// text.CountWords() of them.
std::vector<TextString> SplitWords(const TextString& text);

#endif  // UPDATER_FOUNDATION_TEXT_STRING_H_
