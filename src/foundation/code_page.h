#ifndef UPDATER_FOUNDATION_CODE_PAGE_H_
#define UPDATER_FOUNDATION_CODE_PAGE_H_

// The lead-byte rule of the ANSI code page in use, which every text search follows.
// Double-byte code pages: 932 (lead bytes 0x81-0x9F, 0xE0-0xFC) and 936, 949, 950
// (0x81-0xFE). Every other code page, UTF-8 (65001) included, has no lead bytes.

// The code page in use: the system's, read on first use, unless SetCodePage chose one.
unsigned CodePage();
// Chooses the code page in use; 0 makes the next use read the system's again.
void SetCodePage(unsigned cp);

bool IsLeadByte(unsigned char c);

// Bytes of the character at p: 2 for a lead byte followed by a byte other than NUL,
// otherwise 1 (a lone lead byte before the NUL is a character of its own).
int CharLength(const char* p);

// The first occurrence of pattern in text that begins at a character boundary, or null.
// The search steps over whole characters and never reads past text's NUL. An empty
// pattern is never found, so loops over the matches always end.
const char* SearchText(const char* text, const char* pattern);

#endif  // UPDATER_FOUNDATION_CODE_PAGE_H_
