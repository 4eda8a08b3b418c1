#ifndef UPDATER_STANDINS_INI_FILE_H_
#define UPDATER_STANDINS_INI_FILE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// An INI file parsed once, answering exactly as GetPrivateProfileStringA and
// GetPrivateProfileSectionA do under Wine, which the Windows build calls:
// - Encoding: a UTF-8, UTF-16LE or UTF-16BE byte-order mark chooses it, otherwise the text
//   is in the ANSI code page in use. Everything is matched as UTF-16; answers are converted
//   back to the code page.
// - Lines end at CR or LF. Blanks (space, tab, LF, VT, FF, CR and 0x1A) are trimmed around
//   lines, names and values. A NUL inside a name or value ends it.
// - "[name]" opens a section (up to the last "]"; a line without "]" is a key line). The
//   lines before the first header belong to a section with an empty name. A later header
//   naming an earlier section opens a section that is never found: the first one wins.
// - A key line is name=value split at the first "="; a line without "=" is a key without a
//   value, which answers as a missing key. The first key of a name wins, even without a
//   value. A line with an empty name directly after a key whose name is empty is dropped.
// - Names match ignoring ASCII letter case only.
class IniFile {
 public:
  // An absent file: every value is the default and every section is empty.
  IniFile() = default;
  explicit IniFile(std::string_view bytes);

  // The value of key in section (both trimmed), or default_value without its trailing
  // spaces. One pair of matching surrounding quotes (" or ') is removed. The answer is cut
  // to size - 1 UTF-16 units first (a quoted value of exactly size - 1 inner units loses
  // its last one), then to size - 1 bytes: only whole characters are copied, the bytes
  // after them up to buffer[size - 1] are left as they were, buffer[size - 1] becomes NUL
  // and size - 1 is returned. Otherwise returns the bytes copied, NUL not counted. Nothing
  // is written when size is 0.
  unsigned ReadString(const char* section, const char* key, const char* default_value, char* buffer,
                      unsigned size) const;

  // The lines of section (not trimmed; ASCII case ignored) as name=value, or the name of a
  // key without a value; comment keys (names beginning with ";") are left out. Each line
  // is ended by a NUL, the whole by a second NUL; returns the bytes without that last NUL.
  // When the lines need more than size bytes they are cut at size - 2 bytes (even inside
  // a character), two NULs follow and size - 2 is returned (size 1: one NUL, 0).
  unsigned ReadSection(const char* section, char* buffer, unsigned size) const;

  // Every section and key line as written, in file order, with its line number (lines
  // counted from 1 as an editor counts them: LF, CR LF or a lone CR ends one). Section 0
  // holds the lines before the first header and has line 0. Names are in the code page;
  // a later section of an earlier name is listed too, though ReadString never finds it.
  struct OutlineKey {
    std::string name;
    uint32_t line = 0;
    bool has_value = false;  // false: the line has no "=", and reads as a missing key
  };
  struct OutlineSection {
    std::string name;
    uint32_t line = 0;
    std::vector<OutlineKey> keys;
  };
  std::vector<OutlineSection> Outline() const;

 private:
  // Names and values are stretches of text_: parsing allocates nothing per line, and a
  // section's keys lie together, next to the following section's. Offsets are 32-bit, so
  // that large scripts stay compact: a text of 4 Gi units is refused as too large to hold.
  struct Span {
    uint32_t begin = 0;
    uint32_t size = 0;
  };
  struct Key {
    Span name;
    Span value;
    bool has_value = false;
    uint32_t line = 0;
  };
  struct Section {
    Span name;
    uint32_t hash = 0;       // of the name, ASCII letters folded
    uint32_t first_key = 0;  // into keys_
    uint32_t key_count = 0;
    uint32_t line = 0;
  };
  // An open-addressing slot of the section index; section 0 marks an empty one.
  struct Slot {
    uint32_t hash = 0;
    uint32_t section = 0;  // index into sections_ + 1
  };

  std::u16string_view View(Span span) const {
    return std::u16string_view(text_).substr(span.begin, span.size);
  }
  void IndexSections();
  const Section* FindSection(std::u16string_view name) const;

  std::u16string text_;
  std::vector<Section> sections_;
  std::vector<Key> keys_;
  // Each name (ASCII letters folded) to the first section of that name, in one flat
  // table: a script of thousands of procedures looks up every key among all its sections.
  std::vector<Slot> index_;
};

#endif  // UPDATER_STANDINS_INI_FILE_H_
