#include "standins/regedit_file.h"

#include <string>
#include <vector>

#include "foundation/ascii.h"
#include "foundation/utf8.h"
#include "platform/code_page.h"

namespace {

struct Root {
  std::string_view name;
  std::uintptr_t handle;
};

constexpr Root kRoots[] = {
    {"HKEY_CLASSES_ROOT", 0x80000000},  {"HKCR", 0x80000000},
    {"HKEY_CURRENT_USER", 0x80000001},  {"HKCU", 0x80000001},
    {"HKEY_LOCAL_MACHINE", 0x80000002}, {"HKLM", 0x80000002},
    {"HKEY_USERS", 0x80000003},         {"HKU", 0x80000003},
};

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  return AsciiEqualFold(text.substr(0, prefix.size()), prefix);
}

bool IsKnownRoot(std::uintptr_t root) {
  for (const Root& r : kRoots) {
    if (r.handle == root) return true;
  }
  return false;
}

// The map key of a key: the root's handle value and the folded path.
std::string KeyId(std::uintptr_t root, std::string_view path) {
  std::string id = std::to_string(root);
  if (!path.empty()) id += '\\' + AsciiLowered(path);
  return id;
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Converts piece by piece, so that the NULs inside a multi-string survive any converter.
std::string ToAnsi(std::string_view text, bool utf8) {
  if (!utf8) return std::string(text);
  std::string ansi;
  while (true) {
    const size_t nul = text.find('\0');
    ansi += Utf8ToAnsi(text.substr(0, nul));
    if (nul == std::string_view::npos) return ansi;
    ansi += '\0';
    text.remove_prefix(nul + 1);
  }
}

// A double-quoted text at the start of *rest, with the escapes \\ and \"; *rest moves past
// the closing quote. False when the quote is not closed.
bool TakeQuoted(std::string_view* rest, std::string* out) {
  out->clear();
  for (size_t i = 1; i < rest->size(); ++i) {
    const char c = (*rest)[i];
    if (c == '"') {
      rest->remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < rest->size() && ((*rest)[i + 1] == '\\' || (*rest)[i + 1] == '"')) {
      ++i;
    }
    *out += (*rest)[i];
  }
  return false;
}

// 1 to max_digits hexadecimal digits, nothing else.
bool ParseHex(std::string_view text, size_t max_digits, uint32_t* value) {
  if (text.empty() || text.size() > max_digits) return false;
  *value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    *value = *value * 16 + static_cast<uint32_t>(digit);
  }
  return true;
}

// "aa,bb,..." (items may be surrounded by spaces; a trailing comma is allowed).
bool ParseByteList(std::string_view list, std::string* out) {
  out->clear();
  list = Trim(list);
  while (!list.empty()) {
    const size_t comma = list.find(',');
    uint32_t byte;
    if (!ParseHex(Trim(list.substr(0, comma)), 2, &byte)) return false;
    *out += static_cast<char>(byte);
    if (comma == std::string_view::npos) break;
    list = Trim(list.substr(comma + 1));
  }
  return true;
}

// The data of a value line as RegQueryValueExA gives it. Version 5 files hold the string
// types written as byte lists (1 REG_SZ, 2 REG_EXPAND_SZ, 7 REG_MULTI_SZ) in UTF-16LE.
bool ParseData(std::string_view data, bool utf8, std::string* out) {
  if (data.front() == '"') {
    std::string text;
    if (!TakeQuoted(&data, &text)) return false;
    *out = ToAnsi(text, utf8);
    *out += '\0';
    return true;
  }
  if (StartsWithFolded(data, "dword:")) {
    uint32_t value;
    if (!ParseHex(Trim(data.substr(6)), 8, &value)) return false;
    out->clear();
    for (int i = 0; i < 4; ++i) *out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return true;
  }
  if (!StartsWithFolded(data, "hex")) return false;
  data.remove_prefix(3);
  uint32_t type = 3;
  if (!data.empty() && data.front() == '(') {
    const size_t close = data.find(')');
    if (close == std::string_view::npos || !ParseHex(data.substr(1, close - 1), 8, &type)) {
      return false;
    }
    data.remove_prefix(close + 1);
  }
  if (data.empty() || data.front() != ':' || !ParseByteList(data.substr(1), out)) return false;
  if (utf8 && (type == 1 || type == 2 || type == 7)) *out = ToAnsi(Utf16LeToUtf8(*out), true);
  return true;
}

}  // namespace

bool RegeditFile::Parse(std::string_view bytes) {
  parsed_ = false;
  keys_.clear();
  std::string text;
  bool utf8 = false;
  if (bytes.substr(0, 2) == "\xFF\xFE") {
    text = Utf16LeToUtf8(bytes.substr(2));
    utf8 = true;
  } else if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    text = bytes.substr(3);
    utf8 = true;
  } else {
    text = bytes;
  }
  const std::vector<std::string_view> lines = SplitLines(text);
  size_t i = 0;
  while (i < lines.size() && Trim(lines[i]).empty()) ++i;
  if (i == lines.size()) return false;
  const std::string_view header = Trim(lines[i]);
  if (header == kHeader5) {
    utf8 = true;
  } else if (header != kHeader4) {
    return false;
  }
  parsed_ = true;

  std::map<std::string, std::string>* key = nullptr;  // values of the current key
  for (++i; i < lines.size(); ++i) {
    std::string_view line = Trim(lines[i]);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      key = KeyLine(line, utf8);
      continue;
    }
    if (key == nullptr) continue;

    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (line.front() != '"' || !TakeQuoted(&line, &name)) {
      continue;
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') continue;
    std::string data(Trim(line.substr(1)));
    if (data.empty()) continue;
    // Byte lists go on over lines ending in a backslash; a text may itself end in one.
    if (StartsWithFolded(data, "hex")) {
      while (data.back() == '\\' && i + 1 < lines.size()) {
        data.pop_back();
        data += Trim(lines[++i]);
      }
    }
    const std::string value_id = AsciiLowered(ToAnsi(name, utf8));
    std::string bytes_of_value;
    if (data == "-") {
      key->erase(value_id);
    } else if (ParseData(data, utf8, &bytes_of_value)) {
      (*key)[value_id] = std::move(bytes_of_value);
    }
  }
  return true;
}

std::map<std::string, std::string>* RegeditFile::KeyLine(std::string_view line, bool utf8) {
  const size_t close = line.rfind(']');
  if (close == std::string_view::npos) return nullptr;
  std::string_view inner = line.substr(1, close - 1);
  const bool remove = !inner.empty() && inner.front() == '-';
  if (remove) inner.remove_prefix(1);
  const size_t slash = inner.find('\\');
  const std::string_view root_name = inner.substr(0, slash);
  std::uintptr_t root = 0;
  for (const Root& r : kRoots) {
    if (AsciiEqualFold(r.name, root_name)) root = r.handle;
  }
  if (root == 0) return nullptr;
  const std::string id =
      KeyId(root, slash == std::string_view::npos ? std::string()
                                                  : ToAnsi(inner.substr(slash + 1), utf8));
  if (!remove) return &keys_[id];
  const std::string below = id + '\\';
  keys_.erase(id);
  auto it = keys_.lower_bound(below);
  while (it != keys_.end() && it->first.compare(0, below.size(), below) == 0) it = keys_.erase(it);
  return nullptr;
}

bool RegeditFile::HasKey(std::uintptr_t root, std::string_view path) const {
  if (!parsed_ || !IsKnownRoot(root)) return false;
  if (path.empty()) return true;
  const std::string id = KeyId(root, path);
  if (keys_.count(id) != 0) return true;
  const std::string below = id + '\\';
  const auto it = keys_.lower_bound(below);
  return it != keys_.end() && it->first.compare(0, below.size(), below) == 0;
}

const std::string* RegeditFile::FindValue(std::uintptr_t root, std::string_view path,
                                          std::string_view name) const {
  const auto key = keys_.find(KeyId(root, path));
  if (key == keys_.end()) return nullptr;
  const auto value = key->second.find(AsciiLowered(name));
  return value == key->second.end() ? nullptr : &value->second;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                   static_cast<unsigned char>(bytes[i + 1]) << 8);
  }
  return Utf16ToUtf8(units);
}
