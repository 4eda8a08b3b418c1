#include "standins/ini_file.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <unordered_map>

#include "foundation/ascii.h"
#include "foundation/code_page.h"
#include "foundation/utf8.h"
#include "platform/code_page.h"

namespace {

constexpr char16_t kBadUtf8 = kReplacementCharacter;

bool IsBlank(char16_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == 0x1A;
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Names and values are kept as C strings: a NUL ends them.
std::u16string_view UpToNul(std::u16string_view s) { return s.substr(0, s.find(u'\0')); }

// A hash of text with ASCII letters folded, so that names equal by AsciiEqualFold meet.
uint32_t FoldedHash(std::u16string_view text) {
  uint32_t hash = 2166136261u;  // FNV-1a
  for (char16_t c : text) {
    hash = (hash ^ AsciiToLower(c)) * 16777619u;
  }
  return hash;
}

// UTF-8 decoded as Windows' converter does under Wine, whose answers we match: a bad
// second byte that is still a continuation byte is swallowed with the lead byte, and a
// sequence cut by the end of the text takes the rest of the text.
void DecodeUtf8Text(std::string_view in, std::u16string& out) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(in[k]); };
  auto continues = [](unsigned char b) { return b >= 0x80 && b <= 0xBF; };
  size_t i = 0;
  while (i < in.size()) {
    unsigned char b0 = byte(i);
    if (b0 < 0x80) {
      out += static_cast<char16_t>(b0);
      ++i;
      continue;
    }
    size_t length;
    char32_t value;
    unsigned char low = 0x80, high = 0xBF;  // the second byte's range
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      length = 2, value = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      length = 3, value = b0 & 0x0F;
      if (b0 == 0xE0) low = 0xA0;   // overlong
      if (b0 == 0xED) high = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      length = 4, value = b0 & 0x07;
      if (b0 == 0xF0) low = 0x90;
      if (b0 == 0xF4) high = 0x8F;  // past U+10FFFF
    } else {
      out += kBadUtf8;
      ++i;
      continue;
    }
    if (in.size() - i < length) {
      out += kBadUtf8;
      break;
    }
    unsigned char b1 = byte(i + 1);
    if (!continues(b1) || b1 < low || b1 > high) {
      out += kBadUtf8;
      i += continues(b1) ? 2 : 1;
      continue;
    }
    value = value << 6 | (b1 & 0x3F);
    size_t k = 2;
    for (; k < length && continues(byte(i + k)); ++k) value = value << 6 | (byte(i + k) & 0x3F);
    if (k < length) {
      out += kBadUtf8;
    } else {
      AppendUtf16(out, value);
    }
    i += k;
  }
}

// The ANSI code page's characters as UTF-16 and back, one character at a time (the
// answers are cut at character boundaries), remembering what was converted.
class AnsiCodec {
 public:
  static AnsiCodec& Get() {
    static AnsiCodec codec;
    if (codec.code_page_ != CodePage()) codec = AnsiCodec();
    return codec;
  }

  // An argument's lone lead byte at its end is dropped, as Windows does for the names and
  // default value passed in; a file's becomes the default character.
  void Decode(std::string_view in, std::u16string& out, bool argument) {
    if (code_page_ == 65001) return DecodeUtf8Text(in, out);
    for (size_t i = 0; i < in.size();) {
      unsigned char b = static_cast<unsigned char>(in[i]);
      if (b < 0x80) {
        out += static_cast<char16_t>(b);
        ++i;
      } else if (!IsLeadByte(b)) {
        out += DecodeCharacter(in.substr(i++, 1));
      } else if (i + 1 < in.size() && in[i + 1] != '\0') {
        // A lead byte takes whatever follows, even a line end.
        out += DecodeCharacter(in.substr(i, 2));
        i += 2;
      } else {
        if (!argument || i + 1 < in.size()) out += DefaultCharacter();
        ++i;
      }
    }
  }

  // Appends the bytes of text[i] (and of its low surrogate, in UTF-8) and returns the
  // units used.
  size_t Encode(std::u16string_view text, size_t i, std::string& out) {
    char16_t c = text[i];
    if (c < 0x80) {
      out += static_cast<char>(c);
      return 1;
    }
    if (code_page_ == 65001) {
      char32_t code_point;
      const size_t units = DecodeUtf16(text, i, &code_point);
      AppendUtf8(out, code_point);
      return units;
    }
    auto found = encoded_.find(c);
    if (found == encoded_.end()) {
      std::string bytes;
      for (const auto& [byte, unit] : kCp932Extras) {
        if (code_page_ == 932 && unit == c) bytes = std::string(1, static_cast<char>(byte));
      }
      if (bytes.empty()) {
        std::string utf8;
        AppendUtf8(utf8, c);  // a lone surrogate becomes U+FFFD, then "?"
        bytes = Utf8ToAnsi(utf8);
        // A character the code page lacks is one "?", however the converter spells it.
        const bool lead = !bytes.empty() && IsLeadByte(static_cast<unsigned char>(bytes[0]));
        if (bytes.size() != (lead ? 2u : 1u)) bytes = "?";
      }
      found = encoded_.emplace(c, bytes).first;
    }
    out += found->second;
    return 1;
  }

 private:
  // Code page 932's single bytes that Windows maps outside the usual tables.
  static constexpr std::pair<unsigned char, char16_t> kCp932Extras[] = {
      {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};

  AnsiCodec() : code_page_(CodePage()) {}

  char16_t DefaultCharacter() const { return code_page_ == 932 ? 0x30FB : u'?'; }

  char16_t DecodeCharacter(std::string_view bytes) {
    unsigned key = bytes.size() == 1 ? static_cast<unsigned char>(bytes[0])
                                     : 0x10000 | static_cast<unsigned char>(bytes[0]) << 8 |
                                           static_cast<unsigned char>(bytes[1]);
    auto found = decoded_.find(key);
    if (found != decoded_.end()) return found->second;
    std::string utf8 = AnsiToUtf8(bytes);
    char32_t c = kBadUtf8;
    if (DecodeUtf8(utf8, 0, &c) != utf8.size() || c > 0xFFFF) c = kBadUtf8;
    if (c == kBadUtf8 && bytes.size() == 1) {
      for (const auto& [byte, unit] : kCp932Extras) {
        if (code_page_ == 932 && byte == static_cast<unsigned char>(bytes[0])) c = unit;
      }
    } else if (c == kBadUtf8) {
      c = DefaultCharacter();
    }
    decoded_.emplace(key, static_cast<char16_t>(c));
    return static_cast<char16_t>(c);
  }

  unsigned code_page_;
  std::unordered_map<unsigned, char16_t> decoded_;
  std::unordered_map<char16_t, std::string> encoded_;
};

std::u16string DecodeAnsi(std::string_view text, bool argument) {
  std::u16string out;
  AnsiCodec::Get().Decode(text, out, argument);
  return out;
}

std::u16string DecodeArgument(const char* text) { return DecodeAnsi(text, true); }

// The text in the code page; ends, when given, receives the byte offset after each
// character.
std::string EncodeAnsi(std::u16string_view text, std::vector<size_t>* ends = nullptr) {
  AnsiCodec& codec = AnsiCodec::Get();
  std::string out;
  for (size_t i = 0; i < text.size();) {
    i += codec.Encode(text, i, out);
    if (ends) ends->push_back(out.size());
  }
  return out;
}

std::u16string DecodeFile(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());  // at most one unit a byte
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    DecodeUtf8Text(bytes.substr(3), text);
  } else if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
    const bool little = bytes[0] == '\xFF';
    for (size_t i = 2; i < bytes.size(); i += 2) {
      unsigned first = static_cast<unsigned char>(bytes[i]);
      // An odd last byte stands alone.
      unsigned second = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
      text += static_cast<char16_t>(little || i + 1 == bytes.size() ? first | second << 8
                                                                    : first << 8 | second);
    }
  } else {
    AnsiCodec::Get().Decode(bytes, text, false);
  }
  return text;
}

// At most limit units of value; a quoted value loses its quotes, and one unit more when
// its inner text is exactly limit units long.
std::u16string_view CutValue(std::u16string_view value, size_t limit) {
  const size_t length = value.size();
  if (length > 1 && (value[0] == '"' || value[0] == '\'') && value[length - 1] == value[0]) {
    const size_t inner = length - 2;
    size_t take = limit < inner ? limit : inner;
    if (limit == inner && inner > 0) take = inner - 1;
    return value.substr(1, take);
  }
  return value.substr(0, limit);
}

unsigned CopyValue(std::u16string_view value, char* buffer, unsigned size) {
  if (size == 0) return 0;
  const std::u16string_view cut = CutValue(value, size - 1);
  std::string bytes = EncodeAnsi(cut);
  if (bytes.size() <= size - 1) {
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    return static_cast<unsigned>(bytes.size());
  }
  // Too long in bytes: encoded again, character by character, to cut between two.
  std::vector<size_t> ends;
  bytes = EncodeAnsi(cut, &ends);
  size_t fit = 0;
  for (size_t end : ends) {
    if (end > size - 1) break;
    fit = end;
  }
  std::memcpy(buffer, bytes.data(), fit);
  buffer[size - 1] = '\0';
  return size - 1;
}

}  // namespace

IniFile::IniFile(std::string_view bytes) : text_(DecodeFile(bytes)) {
  if (text_.size() > UINT32_MAX) throw std::bad_alloc();
  const std::u16string_view all = text_;
  auto span = [&](std::u16string_view part) {
    return Span{static_cast<uint32_t>(part.data() - all.data()),
                static_cast<uint32_t>(part.size())};
  };
  // The lines before the first header.
  sections_.push_back(Section{Span{}, FoldedHash(u""), 0, 0, 0});
  uint32_t line_number = 1;  // of the line at pos
  for (size_t pos = 0; pos < all.size();) {
    size_t end = all.find_first_of(u"\r\n", pos);
    if (end == std::u16string_view::npos) end = all.size();
    std::u16string_view line = Trim(all.substr(pos, end - pos));
    const uint32_t this_line = line_number;
    // CR LF ends one line; the empty line the reader sees between them counts for nothing.
    if (end < all.size() && !(all[end] == '\r' && end + 1 < all.size() && all[end + 1] == '\n')) {
      ++line_number;
    }
    pos = end + 1;
    if (line.empty()) continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      if (close != std::u16string_view::npos) {
        const std::u16string_view name = UpToNul(Trim(line.substr(1, close - 1)));
        sections_.push_back(Section{span(name), FoldedHash(name),
                                    static_cast<uint32_t>(keys_.size()), 0, this_line});
        continue;
      }
    }
    size_t equals = line.find('=');
    std::u16string_view name = Trim(line.substr(0, equals));
    Section& section = sections_.back();
    if (name.empty() && section.key_count > 0 && keys_.back().name.size == 0) continue;
    Key key;
    key.line = this_line;
    key.name = span(UpToNul(name));
    key.has_value = equals != std::u16string_view::npos;
    if (key.has_value) key.value = span(UpToNul(Trim(line.substr(equals + 1))));
    keys_.push_back(key);
    ++section.key_count;
  }
  IndexSections();
}

void IniFile::IndexSections() {
  size_t capacity = 16;
  while (capacity < 2 * sections_.size()) capacity *= 2;
  index_.assign(capacity, Slot{});
  for (size_t i = 0; i < sections_.size(); ++i) {
    const Section& section = sections_[i];
    for (size_t at = section.hash & (capacity - 1);; at = (at + 1) & (capacity - 1)) {
      Slot& slot = index_[at];
      if (slot.section == 0) {
        slot = Slot{section.hash, static_cast<uint32_t>(i + 1)};
        break;
      }
      // A later section of the same name is never found.
      if (slot.hash == section.hash &&
          AsciiEqualFold(View(sections_[slot.section - 1].name), View(section.name))) {
        break;
      }
    }
  }
}

const IniFile::Section* IniFile::FindSection(std::u16string_view name) const {
  if (index_.empty()) return nullptr;  // an absent file
  const uint32_t hash = FoldedHash(name);
  const size_t mask = index_.size() - 1;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const Slot& slot = index_[at];
    if (slot.section == 0) return nullptr;
    if (slot.hash != hash) continue;
    const Section& section = sections_[slot.section - 1];
    if (AsciiEqualFold(View(section.name), name)) return &section;
  }
}

unsigned IniFile::ReadString(const char* section, const char* key, const char* default_value,
                             char* buffer, unsigned size) const {
  const Section* found = FindSection(Trim(DecodeArgument(section)));
  if (found != nullptr) {
    const std::u16string name = DecodeArgument(key);
    const std::u16string_view trimmed = Trim(name);
    for (size_t i = found->first_key; i < found->first_key + found->key_count; ++i) {
      const Key& k = keys_[i];
      if (!AsciiEqualFold(View(k.name), trimmed)) continue;
      if (k.has_value) return CopyValue(View(k.value), buffer, size);
      break;
    }
  }
  std::u16string fallback = DecodeArgument(default_value);
  while (!fallback.empty() && fallback.back() == ' ') fallback.pop_back();
  return CopyValue(fallback, buffer, size);
}

unsigned IniFile::ReadSection(const char* section, char* buffer, unsigned size) const {
  if (size == 0) return 0;
  std::u16string lines;
  if (const Section* found = FindSection(DecodeArgument(section))) {
    for (size_t i = found->first_key; i < found->first_key + found->key_count; ++i) {
      const Key& key = keys_[i];
      const std::u16string_view name = View(key.name);
      if ((name.empty() && !key.has_value) || name.starts_with(u';')) continue;
      lines += name;
      if (key.has_value) {
        lines += u'=';
        lines += View(key.value);
      }
      lines += u'\0';
    }
  }
  const std::string bytes = EncodeAnsi(lines);
  if (bytes.empty() || size == 1) {
    buffer[0] = '\0';
    if (size > 1) buffer[1] = '\0';
    return 0;
  }
  if (bytes.size() + 2 <= size) {
    std::memcpy(buffer, bytes.data(), bytes.size());
    buffer[bytes.size()] = '\0';
    return static_cast<unsigned>(bytes.size());
  }
  std::memcpy(buffer, bytes.data(), size - 2);
  buffer[size - 2] = buffer[size - 1] = '\0';
  return size - 2;
}

std::vector<IniFile::OutlineSection> IniFile::Outline() const {
  std::vector<OutlineSection> outline;
  outline.reserve(sections_.size());
  for (const Section& section : sections_) {
    OutlineSection& out = outline.emplace_back();
    out.name = EncodeAnsi(View(section.name));
    out.line = section.line;
    for (size_t i = section.first_key; i < section.first_key + section.key_count; ++i) {
      out.keys.push_back(OutlineKey{EncodeAnsi(View(keys_[i].name)), keys_[i].line,
                                    keys_[i].has_value});
    }
  }
  return outline;
}
