#include "standins/shell_link.h"

#include <optional>

#include "foundation/utf8.h"

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
// CLSID_ShellLink, {00021401-0000-0000-C000-000000000046}, in its stored byte order.
constexpr unsigned char kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
constexpr size_t kShowCommandOffset = 0x3C;
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x01;
// With the two Unicode offsets.
constexpr uint32_t kLinkInfoHeaderSize = 0x24;
constexpr uint32_t kDriveFixed = 3;

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Set32(std::string& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutUtf16(std::string& out, const std::u16string& text) {
  for (char16_t c : text) Put16(out, c);
}

// A counted string of the string data: the count has 16 bits, so longer text is cut.
void PutCounted(std::string& out, const std::string& utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  if (text.size() > 0xFFFF) text.resize(0xFFFF);
  Put16(out, static_cast<uint32_t>(text.size()));
  PutUtf16(out, text);
}

std::string LinkInfo(const ShellLink& link) {
  std::string info(kLinkInfoHeaderSize, '\0');
  size_t volume_id = info.size();
  Put32(info, 0x11);  // VolumeIDSize: the four fields and the empty label
  Put32(info, kDriveFixed);
  Put32(info, 0);     // serial number
  Put32(info, 0x10);  // VolumeLabelOffset
  info += '\0';
  size_t base_path = info.size();
  info.append(link.target_ansi).append(1, '\0');
  size_t suffix = info.size();
  info += '\0';
  size_t base_path_unicode = info.size();
  PutUtf16(info, Utf8ToUtf16(link.target));
  Put16(info, 0);
  size_t suffix_unicode = info.size();
  Put16(info, 0);
  Set32(info, 0, static_cast<uint32_t>(info.size()));
  Set32(info, 4, kLinkInfoHeaderSize);
  Set32(info, 8, kVolumeIdAndLocalBasePath);
  Set32(info, 12, static_cast<uint32_t>(volume_id));
  Set32(info, 16, static_cast<uint32_t>(base_path));
  Set32(info, 20, 0);  // no network location
  Set32(info, 24, static_cast<uint32_t>(suffix));
  Set32(info, 28, static_cast<uint32_t>(base_path_unicode));
  Set32(info, 32, static_cast<uint32_t>(suffix_unicode));
  return info;
}

// Bounds-checked little-endian reads; nothing past the end is ever read.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  std::optional<uint32_t> U16(size_t at) const {
    if (at > bytes_.size() || bytes_.size() - at < 2) return std::nullopt;
    return Byte(at) | Byte(at + 1) << 8;
  }
  std::optional<uint32_t> U32(size_t at) const {
    auto low = U16(at), high = U16(at + 2);
    if (!low || !high) return std::nullopt;
    return *low | *high << 16;
  }
  // A NUL-terminated string of 8-bit or 16-bit units starting at at, before end.
  std::optional<std::string> Terminated(size_t at, size_t end, bool wide) const {
    size_t unit = wide ? 2 : 1;
    std::u16string text;
    for (size_t i = at; i + unit <= end && i + unit <= bytes_.size(); i += unit) {
      uint32_t c = wide ? *U16(i) : Byte(i);
      if (c == 0) {
        return wide ? Utf16ToUtf8(text) : std::string(bytes_.substr(at, i - at));
      }
      text += static_cast<char16_t>(c);
    }
    return std::nullopt;
  }
  size_t size() const { return bytes_.size(); }
  std::string_view Slice(size_t at, size_t n) const { return bytes_.substr(at, n); }

 private:
  uint32_t Byte(size_t at) const { return static_cast<unsigned char>(bytes_[at]); }
  std::string_view bytes_;
};

bool ReadLinkInfo(const Reader& r, size_t at, ShellLink* link, size_t* end) {
  auto size = r.U32(at), header = r.U32(at + 4), flags = r.U32(at + 8);
  if (!size || !header || !flags || *size < 0x1C || *size > r.size() - at) return false;
  *end = at + *size;
  if (!(*flags & kVolumeIdAndLocalBasePath)) return false;
  auto base = r.U32(at + 16);
  if (!base) return false;
  auto ansi = r.Terminated(at + *base, *end, false);
  if (!ansi) return false;
  link->target_ansi = *ansi;
  if (*header >= kLinkInfoHeaderSize) {
    auto base_unicode = r.U32(at + 28);
    if (!base_unicode) return false;
    if (*base_unicode != 0) {
      auto unicode = r.Terminated(at + *base_unicode, *end, true);
      if (!unicode) return false;
      link->target = *unicode;
    }
  }
  return true;
}

// A counted string at *at, moved past it. The Windows shell of Wine counts a final NUL,
// which is not part of the text.
bool ReadCounted(const Reader& r, size_t* at, bool wide, std::string* out) {
  auto count = r.U16(*at);
  if (!count) return false;
  size_t unit = wide ? 2 : 1;
  size_t bytes = *count * unit;
  if (r.size() - (*at + 2) < bytes) return false;
  std::string_view raw = r.Slice(*at + 2, bytes);
  *at += 2 + bytes;
  if (wide) {
    std::u16string text;
    for (size_t i = 0; i < raw.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                    static_cast<unsigned char>(raw[i + 1]) << 8);
    }
    while (!text.empty() && text.back() == 0) text.pop_back();
    *out = Utf16ToUtf8(text);
  } else {
    *out = std::string(raw);
    while (!out->empty() && out->back() == '\0') out->pop_back();
  }
  return true;
}

}  // namespace

std::string WriteShellLink(const ShellLink& link) {
  std::string out;
  Put32(out, kHeaderSize);
  out.append(reinterpret_cast<const char*>(kShellLinkClsid), sizeof kShellLinkClsid);
  // An empty string is left out rather than written with a count of 0, which some readers
  // (liblnk) take for the end of the strings.
  uint32_t flags = kLinkHasLinkInfo | kLinkIsUnicode;
  if (!link.working_folder.empty()) flags |= kLinkHasWorkingDir;
  if (!link.arguments.empty()) flags |= kLinkHasArguments;
  Put32(out, flags);
  out.resize(kHeaderSize, '\0');  // attributes, times, size, icon: none
  Set32(out, kShowCommandOffset, link.show_command);
  out += LinkInfo(link);
  if (flags & kLinkHasWorkingDir) PutCounted(out, link.working_folder);
  if (flags & kLinkHasArguments) PutCounted(out, link.arguments);
  Put32(out, 0);  // the terminal block ends the extra data
  return out;
}

bool ReadShellLink(std::string_view bytes, ShellLink* link) {
  Reader r(bytes);
  *link = ShellLink();
  if (r.U32(0) != kHeaderSize || r.size() < kHeaderSize ||
      bytes.substr(4, 16) != std::string_view(reinterpret_cast<const char*>(kShellLinkClsid), 16))
    return false;
  link->flags = *r.U32(0x14);
  link->show_command = *r.U32(kShowCommandOffset);
  size_t at = kHeaderSize;
  if (link->flags & kLinkHasTargetIdList) {
    auto size = r.U16(at);
    if (!size) return false;
    at += 2 + *size;
  }
  if (!(link->flags & kLinkHasLinkInfo) || !ReadLinkInfo(r, at, link, &at)) return false;
  bool wide = link->flags & kLinkIsUnicode;
  std::string ignored;
  const std::pair<uint32_t, std::string*> strings[] = {{kLinkHasName, &ignored},
                                                       {kLinkHasRelativePath, &ignored},
                                                       {kLinkHasWorkingDir, &link->working_folder},
                                                       {kLinkHasArguments, &link->arguments},
                                                       {kLinkHasIconLocation, &ignored}};
  for (const auto& [flag, out] : strings) {
    if ((link->flags & flag) && !ReadCounted(r, &at, wide, out)) return false;
  }
  return true;
}
