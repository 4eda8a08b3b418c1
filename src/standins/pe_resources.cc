#include "standins/pe_resources.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "foundation/ascii.h"
#include "foundation/utf8.h"

namespace {

constexpr uint16_t kMagicPe32 = 0x10B;
constexpr uint16_t kMagicPe32Plus = 0x20B;
constexpr uint32_t kSectionHeaderSize = 40;
constexpr uint32_t kDirectorySize = 16;
constexpr uint32_t kEntrySize = 8;
constexpr uint32_t kDataEntrySize = 16;
constexpr uint32_t kHighBit = 0x80000000;
constexpr int kResourceDirectory = 2;
constexpr int kSecurityDirectory = 4;  // holds a file offset, not an RVA
constexpr int kDebugDirectory = 6;
constexpr uint32_t kDebugEntrySize = 28;
// Initialized data, readable: what linkers give a resource section.
constexpr uint32_t kResourceCharacteristics = 0x40000040;
// Far below the 4 GB that the 32-bit fields allow, so that no sum of them overflows.
constexpr uint64_t kMaxImage = 0x7FFFFFFF;
constexpr uint32_t kDataAlignment = 8;

uint64_t AlignUp(uint64_t value, uint32_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(uint32_t n) { return n != 0 && (n & (n - 1)) == 0; }

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

bool SameKey(const Resource& r, const ResourceId& type, const ResourceId& name) {
  return r.type == type && r.name == name;
}

// Walks the resource tree of an image; every read is checked against the span that the
// tree's section holds from the root on.
class TreeReader {
 public:
  TreeReader(const std::vector<uint8_t>& bytes, uint32_t root, uint32_t span)
      : bytes_(bytes), root_(root), span_(span), entry_budget_(span / kEntrySize) {}

  // Reads the directory at offset (relative to the root) of depth 0, 1 or 2.
  template <typename DataFn>
  bool Directory(uint32_t offset, int depth, Resource* path, DataFn&& data) {
    if (!Fits(offset, kDirectorySize)) return false;
    uint32_t count = U16(offset + 12) + U16(offset + 14);
    // Shared subdirectories could make a small file describe a huge tree; every entry of
    // a sound file has 8 bytes of its own.
    if (count > entry_budget_) return false;
    entry_budget_ -= count;
    if (!Fits(offset + kDirectorySize, uint64_t{count} * kEntrySize)) return false;
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t entry = offset + kDirectorySize + i * kEntrySize;
      ResourceId id;
      if (!Id(U32(entry), &id)) return false;
      uint32_t target = U32(entry + 4);
      bool is_directory = (target & kHighBit) != 0;
      if (is_directory != (depth < 2)) return false;
      target &= ~kHighBit;
      if (depth == 0) {
        path->type = std::move(id);
      } else if (depth == 1) {
        path->name = std::move(id);
      } else {
        if (!id.is_number || !Fits(target, kDataEntrySize)) return false;
        path->language = id.number;
        if (!data(U32(target), U32(target + 4), U32(target + 8), *path)) return false;
        continue;
      }
      if (!Directory(target, depth + 1, path, data)) return false;
    }
    return true;
  }

 private:
  bool Fits(uint32_t offset, uint64_t n) const { return offset <= span_ && n <= span_ - offset; }
  uint32_t U16(uint32_t offset) const {
    return bytes_[root_ + offset] | bytes_[root_ + offset + 1] << 8;
  }
  uint32_t U32(uint32_t offset) const { return Get32(bytes_, root_ + offset); }

  bool Id(uint32_t raw, ResourceId* id) const {
    if (!(raw & kHighBit)) {
      if (raw > 0xFFFF) return false;
      *id = ResourceId::Number(static_cast<uint16_t>(raw));
      return true;
    }
    uint32_t offset = raw & ~kHighBit;
    if (!Fits(offset, 2)) return false;
    uint32_t length = U16(offset);
    if (!Fits(offset + 2, 2ull * length)) return false;
    std::u16string text(length, u'\0');
    for (uint32_t i = 0; i < length; ++i) text[i] = static_cast<char16_t>(U16(offset + 2 + 2 * i));
    *id = ResourceId::Text(std::move(text));
    return true;
  }

  const std::vector<uint8_t>& bytes_;
  uint32_t root_, span_;
  uint32_t entry_budget_;
};

// The new resource section's bytes, laid out as linkers do: the directories breadth first,
// then the data entries, the names, and the data blocks, each aligned to 8 bytes.
class TreeWriter {
 public:
  // resources: sorted by type, name and language, without duplicates.
  TreeWriter(const std::vector<Resource>& resources, uint32_t section_rva)
      : resources_(resources), rva_(section_rva) {}

  // False when the section would pass the size limit.
  bool Build(std::vector<uint8_t>* out) {
    // [begin, end) ranges of the list: one per type, and one per type and name.
    using Range = std::pair<size_t, size_t>;
    std::vector<Range> types, names;
    std::vector<Range> names_of_type;  // [first, end) indexes into names, per type
    for (size_t i = 0; i < resources_.size();) {
      size_t j = i;
      while (j < resources_.size() && resources_[j].type == resources_[i].type) ++j;
      types.emplace_back(i, j);
      size_t first_name = names.size();
      for (size_t k = i; k < j;) {
        size_t m = k;
        while (m < j && resources_[m].name == resources_[k].name) ++m;
        names.emplace_back(k, m);
        k = m;
      }
      names_of_type.emplace_back(first_name, names.size());
      i = j;
    }
    uint64_t name_dirs = kDirectorySize + kEntrySize * types.size();
    uint64_t language_dirs = name_dirs + kDirectorySize * types.size() + kEntrySize * names.size();
    uint64_t data_entries =
        language_dirs + kDirectorySize * names.size() + kEntrySize * resources_.size();
    uint64_t strings = data_entries + kDataEntrySize * resources_.size();
    uint64_t size = strings;
    for (const Range& t : types) size += StringSize(resources_[t.first].type);
    for (const Range& n : names) size += StringSize(resources_[n.first].name);
    size = AlignUp(size, kDataAlignment);
    uint64_t blocks = size;
    for (const Resource& r : resources_) size = AlignUp(size + r.data.size(), kDataAlignment);
    if (size > kMaxImage) return false;

    out_.assign(size, 0);
    next_string_ = strings;
    uint64_t next_block = blocks;
    size_t leaf = 0;
    size_t named_types = 0;
    while (named_types < types.size() && !resources_[types[named_types].first].type.is_number) {
      ++named_types;
    }
    Directory(0, named_types, types.size());
    for (size_t t = 0; t < types.size(); ++t) {
      auto [first, end] = names_of_type[t];
      Entry(kDirectorySize + t * kEntrySize, resources_[types[t].first].type,
            static_cast<uint32_t>(name_dirs) | kHighBit);
      size_t named = first;
      while (named < end && !resources_[names[named].first].name.is_number) ++named;
      Directory(name_dirs, named - first, end - first);
      for (size_t n = first; n < end; ++n) {
        auto [nb, ne] = names[n];
        Entry(name_dirs + kDirectorySize + (n - first) * kEntrySize, resources_[nb].name,
              static_cast<uint32_t>(language_dirs) | kHighBit);
        Directory(language_dirs, 0, ne - nb);
        for (size_t l = nb; l < ne; ++l, ++leaf) {
          const Resource& r = resources_[l];
          uint64_t data_entry = data_entries + leaf * kDataEntrySize;
          Entry(language_dirs + kDirectorySize + (l - nb) * kEntrySize,
                ResourceId::Number(r.language), static_cast<uint32_t>(data_entry));
          Put32(out_, data_entry, static_cast<uint32_t>(rva_ + next_block));
          Put32(out_, data_entry + 4, static_cast<uint32_t>(r.data.size()));
          Put32(out_, data_entry + 8, r.code_page);
          if (!r.data.empty()) std::memcpy(&out_[next_block], r.data.data(), r.data.size());
          next_block = AlignUp(next_block + r.data.size(), kDataAlignment);
        }
        language_dirs += kDirectorySize + kEntrySize * (ne - nb);
      }
      name_dirs += kDirectorySize + kEntrySize * (end - first);
    }
    *out = std::move(out_);
    return true;
  }

 private:
  static uint64_t StringSize(const ResourceId& id) {
    return id.is_number ? 0 : 2 + 2 * id.text.size();
  }

  void Directory(uint64_t at, size_t named, size_t count) {
    Put16(out_, at + 12, static_cast<uint32_t>(named));
    Put16(out_, at + 14, static_cast<uint32_t>(count - named));
  }

  void Entry(uint64_t at, const ResourceId& id, uint32_t target) {
    if (id.is_number) {
      Put32(out_, at, id.number);
    } else {
      Put32(out_, at, static_cast<uint32_t>(next_string_) | kHighBit);
      Put16(out_, next_string_, static_cast<uint32_t>(id.text.size()));
      for (size_t i = 0; i < id.text.size(); ++i) {
        Put16(out_, next_string_ + 2 + 2 * i, id.text[i]);
      }
      next_string_ += StringSize(id);
    }
    Put32(out_, at + 4, target);
  }

  const std::vector<Resource>& resources_;
  uint32_t rva_;
  std::vector<uint8_t> out_;
  uint64_t next_string_ = 0;
};

}  // namespace

ResourceId ResourceId::Number(uint16_t n) {
  ResourceId id;
  id.is_number = true;
  id.number = n;
  return id;
}

ResourceId ResourceId::Text(std::u16string s) {
  ResourceId id;
  id.text = std::move(s);
  return id;
}

bool ResourceId::operator<(const ResourceId& other) const {
  if (is_number != other.is_number) return !is_number;
  if (is_number) return number < other.number;
  return text < other.text;
}

char16_t UpperCaseUnit(char16_t c) {
  if (c < 0x80) return AsciiToUpper(c);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs, upper case first, except in the two runs that start on an odd unit.
    bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    if (odd_pairs) return (c % 2 == 0) ? c - 1 : c;
    return (c % 2 == 1) ? c - 1 : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) return c - 0x20;
  if (c == 0x3C2) return 0x3A3;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 0x20;
  return c;
}

bool ParseResourceId(std::u16string_view text, ResourceId* id) {
  if (text.empty() || text[0] != u'#') {
    std::u16string upper(text);
    for (char16_t& c : upper) c = UpperCaseUnit(c);
    *id = ResourceId::Text(std::move(upper));
    return true;
  }
  // RtlCharToInteger in base 10: the sum wraps at 32 bits, a minus sign negates it.
  size_t i = 1;
  while (i < text.size() && text[i] != 0 && text[i] <= u' ') ++i;
  bool minus = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) minus = text[i++] == u'-';
  uint32_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = value * 10 + (text[i] - u'0');
  }
  if (minus) value = 0u - value;
  if (value > 0xFFFF) return false;
  *id = ResourceId::Number(static_cast<uint16_t>(value));
  return true;
}

bool ParseResourceId(std::string_view utf8, ResourceId* id) {
  return ParseResourceId(std::u16string_view(Utf8ToUtf16(utf8)), id);
}

void SetResource(std::vector<Resource>* resources, Resource resource) {
  for (Resource& r : *resources) {
    if (SameKey(r, resource.type, resource.name) && r.language == resource.language) {
      r = std::move(resource);
      return;
    }
  }
  resources->push_back(std::move(resource));
}

bool RemoveResource(std::vector<Resource>* resources, const ResourceId& type,
                    const ResourceId& name, uint16_t language) {
  auto it = std::find_if(resources->begin(), resources->end(), [&](const Resource& r) {
    return SameKey(r, type, name) && r.language == language;
  });
  if (it == resources->end()) return false;
  resources->erase(it);
  return true;
}

const Resource* FindFirstLanguage(const std::vector<Resource>& resources, const ResourceId& type,
                                  const ResourceId& name) {
  for (const Resource& r : resources) {
    if (SameKey(r, type, name)) return &r;
  }
  return nullptr;
}

uint32_t PeImage::U16(uint32_t offset) const { return bytes_[offset] | bytes_[offset + 1] << 8; }

uint32_t PeImage::U32(uint32_t offset) const { return Get32(bytes_, offset); }

bool PeImage::Parse(std::vector<uint8_t> bytes) {
  bytes_ = std::move(bytes);
  sections_.clear();
  uint64_t size = bytes_.size();
  if (size < 0x40 || size > kMaxImage || bytes_[0] != 'M' || bytes_[1] != 'Z') return false;
  uint32_t pe = U32(0x3C);
  if (uint64_t{pe} + 24 > size || U32(pe) != 0x00004550) return false;
  file_header_ = pe + 4;
  uint32_t section_count = U16(file_header_ + 2);
  uint32_t optional_size = U16(file_header_ + 16);
  optional_header_ = file_header_ + 20;
  if (optional_size < 2 || uint64_t{optional_header_} + optional_size > size) return false;
  uint32_t magic = U16(optional_header_);
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) return false;
  pe32_plus_ = magic == kMagicPe32Plus;
  uint32_t fixed = pe32_plus_ ? 112 : 96;  // the fields before the data directories
  if (optional_size < fixed) return false;
  data_directories_ = optional_header_ + fixed;
  directory_count_ = std::min(U32(optional_header_ + fixed - 4), (optional_size - fixed) / 8);
  section_alignment_ = U32(optional_header_ + 32);
  file_alignment_ = U32(optional_header_ + 36);
  if (!IsPowerOfTwo(file_alignment_) || !IsPowerOfTwo(section_alignment_) ||
      file_alignment_ > 0x10000 || section_alignment_ < file_alignment_) {
    return false;
  }
  // The headers lie in the file; a larger claim would make an added section's data start
  // far past the end.
  if (U32(optional_header_ + 60) > size) return false;
  section_table_ = optional_header_ + optional_size;
  if (uint64_t{section_table_} + uint64_t{section_count} * kSectionHeaderSize > size) return false;
  for (uint32_t i = 0; i < section_count; ++i) {
    uint32_t h = section_table_ + i * kSectionHeaderSize;
    Section s{h, U32(h + 12), U32(h + 8), U32(h + 20), U32(h + 16)};
    if (s.raw_size == 0) s.raw_pointer = 0;
    if (uint64_t{s.raw_pointer} + s.raw_size > size) return false;
    if (uint64_t{s.virtual_address} + std::max(s.virtual_size, s.raw_size) > kMaxImage) {
      return false;
    }
    sections_.push_back(s);
  }
  return true;
}

bool PeImage::DataDirectory(int index, uint32_t* rva, uint32_t* size) const {
  if (static_cast<uint32_t>(index) >= directory_count_) return false;
  *rva = U32(data_directories_ + 8 * index);
  *size = U32(data_directories_ + 8 * index + 4);
  return *rva != 0;
}

bool PeImage::RvaToOffset(uint32_t rva, uint32_t n, uint32_t* offset, uint32_t* available) const {
  // A section maps as much of its raw data as its extent in memory holds (the same extent
  // that places a new section after it). An empty block may sit right at the end.
  for (const Section& s : sections_) {
    if (rva < s.virtual_address || (n == 0 && s.raw_size == 0)) continue;
    uint64_t window =
        std::min<uint64_t>(s.raw_size, VirtualEnd(s, section_alignment_) - s.virtual_address);
    if (uint64_t{rva - s.virtual_address} + n <= window) {
      *offset = s.raw_pointer + (rva - s.virtual_address);
      if (available) *available = static_cast<uint32_t>(window - (rva - s.virtual_address));
      return true;
    }
  }
  return false;
}

int PeImage::SectionAtOffset(uint32_t offset) const {
  for (size_t i = 0; i < sections_.size(); ++i) {
    const Section& s = sections_[i];
    if (offset >= s.raw_pointer && offset - s.raw_pointer < s.raw_size) return static_cast<int>(i);
  }
  return -1;
}

uint32_t PeImage::VirtualEnd(const Section& s, uint32_t section_alignment) {
  uint32_t size = s.virtual_size ? s.virtual_size : s.raw_size;
  return static_cast<uint32_t>(AlignUp(uint64_t{s.virtual_address} + size, section_alignment));
}

bool PeImage::ReadResources(std::vector<Resource>* resources) const {
  resources->clear();
  uint32_t rva, size, root;
  if (!DataDirectory(kResourceDirectory, &rva, &size)) return true;
  uint32_t span;
  if (!RvaToOffset(rva, kDirectorySize, &root, &span)) return false;
  // Sound files hold each block once, so all of them together fit in the file. Names are
  // copied into every resource under them; a long one shared by many entries must not
  // turn a small file into gigabytes.
  uint64_t total = 0;
  uint64_t name_units = 0;
  const uint64_t name_limit = (uint64_t{64} << 20) + 4 * uint64_t{bytes_.size()};
  std::vector<Resource> found;
  Resource path;
  TreeReader reader(bytes_, root, span);
  auto data = [&](uint32_t data_rva, uint32_t data_size, uint32_t code_page, const Resource& at) {
    uint32_t offset;
    total += data_size;
    name_units += at.type.text.size() + at.name.text.size();
    if (total > bytes_.size() || 2 * name_units > name_limit ||
        !RvaToOffset(data_rva, data_size, &offset)) {
      return false;
    }
    Resource r{at.type, at.name, at.language, code_page, {}};
    r.data.assign(bytes_.begin() + offset, bytes_.begin() + offset + data_size);
    found.push_back(std::move(r));
    return true;
  };
  if (!reader.Directory(0, 0, &path, data)) return false;
  *resources = std::move(found);
  return true;
}

int PeImage::ReusableSection() const {
  uint32_t rva, size;
  if (!DataDirectory(kResourceDirectory, &rva, &size)) return -1;
  int found = -1;
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].virtual_address == rva && sections_[i].raw_size > 0) {
      found = static_cast<int>(i);
    }
  }
  if (found < 0) return -1;
  // Another directory inside it (imports, debug data...) would be overwritten.
  const Section& r = sections_[found];
  uint32_t end = VirtualEnd(r, section_alignment_);
  for (int d = 0; d < static_cast<int>(directory_count_); ++d) {
    if (d == kResourceDirectory || d == kSecurityDirectory || !DataDirectory(d, &rva, &size)) {
      continue;
    }
    if (rva < end && uint64_t{rva} + size > r.virtual_address) return -1;
  }
  return found;
}

bool PeImage::IsLastInFile(int index) const {
  const Section& r = sections_[index];
  for (const Section& s : sections_) {
    if (&s != &r && s.raw_size && s.raw_pointer + uint64_t{s.raw_size} > r.raw_pointer) {
      return false;
    }
  }
  return true;
}

bool PeImage::HasRoomInPlace(int index, uint64_t tree_size) const {
  const Section& r = sections_[index];
  bool last = IsLastInFile(index);
  uint64_t virtual_end = AlignUp(r.virtual_address + tree_size, section_alignment_);
  // Only the last section grows in the file, moving what follows it; a gap after another
  // may hold data that no header names.
  uint64_t raw_reach = r.raw_pointer + uint64_t{r.raw_size};
  if (!last && AlignUp(tree_size, file_alignment_) > r.raw_size) return false;
  for (size_t i = 0; i < sections_.size(); ++i) {
    const Section& s = sections_[i];
    if (static_cast<int>(i) == index) continue;
    if (s.virtual_address < virtual_end && VirtualEnd(s, section_alignment_) > r.virtual_address) {
      return false;
    }
    if (!last && s.raw_size && s.raw_pointer < raw_reach &&
        s.raw_pointer + uint64_t{s.raw_size} > r.raw_pointer) {
      return false;
    }
  }
  return virtual_end <= kMaxImage;
}

bool PeImage::WriteResources(std::vector<Resource> resources, std::vector<uint8_t>* out) const {
  if (directory_count_ <= kResourceDirectory) return false;
  std::stable_sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
    if (!(a.type == b.type)) return a.type < b.type;
    if (!(a.name == b.name)) return a.name < b.name;
    return a.language < b.language;
  });
  // A damaged section whose raw data lies on the headers would have them overwritten by
  // whatever is written into it.
  uint64_t headers_end = std::max<uint64_t>(
      U32(optional_header_ + 60), section_table_ + sections_.size() * uint64_t{kSectionHeaderSize});
  for (const Section& s : sections_) {
    if (s.raw_size && s.raw_pointer < headers_end) return false;
  }
  for (size_t i = 0; i < resources.size(); ++i) {
    const Resource& r = resources[i];
    if (r.type.text.size() > 0xFFFF || r.name.text.size() > 0xFFFF) return false;
    if (i > 0 && SameKey(resources[i - 1], r.type, r.name) &&
        resources[i - 1].language == r.language) {
      return false;
    }
  }

  // In memory the headers come first, a new section's header included, whatever
  // SizeOfHeaders claims.
  uint64_t table_end = section_table_ + (sections_.size() + 1) * uint64_t{kSectionHeaderSize};
  uint64_t virtual_end =
      AlignUp(std::max<uint64_t>(U32(optional_header_ + 60), table_end), section_alignment_);
  for (const Section& s : sections_) {
    virtual_end = std::max<uint64_t>(virtual_end, VirtualEnd(s, section_alignment_));
  }
  uint32_t appended_rva = static_cast<uint32_t>(AlignUp(virtual_end, section_alignment_));
  int reuse = ReusableSection();
  std::vector<uint8_t> tree;
  if (reuse >= 0) {
    if (!TreeWriter(resources, sections_[reuse].virtual_address).Build(&tree)) return false;
    if (HasRoomInPlace(reuse, tree.size())) return Replace(reuse, tree, out);
  }
  // Placed anew, the tree's RVAs change.
  if (!TreeWriter(resources, appended_rva).Build(&tree)) return false;
  return Append(tree, appended_rva, out);
}

bool PeImage::Replace(int index, const std::vector<uint8_t>& tree,
                      std::vector<uint8_t>* out) const {
  const Section& r = sections_[index];
  uint64_t raw_size = AlignUp(tree.size(), file_alignment_);
  std::vector<uint8_t> image;
  uint64_t old_end = r.raw_pointer + uint64_t{r.raw_size};
  int64_t delta = 0;
  if (IsLastInFile(index)) {
    if (r.raw_pointer + raw_size + (bytes_.size() - old_end) > kMaxImage) return false;
    // One allocation: growing by insertion would hold two copies of a big image at once.
    image.reserve(r.raw_pointer + raw_size + (bytes_.size() - old_end));
    image.assign(bytes_.begin(), bytes_.begin() + r.raw_pointer);
    image.insert(image.end(), tree.begin(), tree.end());
    image.resize(r.raw_pointer + raw_size, 0);
    image.insert(image.end(), bytes_.begin() + old_end, bytes_.end());
    delta = static_cast<int64_t>(raw_size) - r.raw_size;
  } else {
    // The tree fits in the section's raw data, which belongs to no other section.
    image = bytes_;
    std::fill(image.begin() + r.raw_pointer, image.begin() + old_end, 0);
    std::copy(tree.begin(), tree.end(), image.begin() + r.raw_pointer);
  }
  FixHeaders(image, index, r.header, r.virtual_address, tree.size(), old_end, delta);
  *out = std::move(image);
  return true;
}

bool PeImage::Append(const std::vector<uint8_t>& tree, uint32_t rva,
                     std::vector<uint8_t>* out) const {
  uint32_t count = static_cast<uint32_t>(sections_.size());
  if (count >= 0xFFFF) return false;
  uint64_t raw_end = 0, first_raw = UINT32_MAX;
  for (const Section& s : sections_) {
    if (!s.raw_size) continue;
    raw_end = std::max<uint64_t>(raw_end, s.raw_pointer + uint64_t{s.raw_size});
    first_raw = std::min<uint64_t>(first_raw, s.raw_pointer);
  }
  // One more section header: its room must lie before the first section's data, be free,
  // and be covered by SizeOfHeaders.
  uint32_t header = section_table_ + count * kSectionHeaderSize;
  uint64_t table_end = uint64_t{header} + kSectionHeaderSize;
  if (table_end > first_raw || table_end > bytes_.size()) return false;
  for (uint64_t i = header; i < table_end; ++i) {
    if (bytes_[i] != 0) return false;
  }
  uint32_t old_headers = U32(optional_header_ + 60);
  uint64_t headers = old_headers >= table_end ? old_headers : AlignUp(table_end, file_alignment_);
  if (old_headers < table_end && headers > first_raw) return false;
  // The section's data goes after the last section's; whatever follows moves behind it.
  uint64_t overlay = std::max<uint64_t>(raw_end, std::min<uint64_t>(headers, bytes_.size()));
  uint64_t raw_pointer = AlignUp(std::max(overlay, headers), file_alignment_);
  uint64_t raw_size = AlignUp(tree.size(), file_alignment_);
  if (raw_pointer + raw_size + (bytes_.size() - overlay) > kMaxImage ||
      AlignUp(uint64_t{rva} + tree.size(), section_alignment_) > kMaxImage) {
    return false;
  }
  std::vector<uint8_t> image;
  image.reserve(raw_pointer + raw_size + (bytes_.size() - overlay));
  image.assign(bytes_.begin(), bytes_.begin() + overlay);
  image.resize(raw_pointer, 0);
  image.insert(image.end(), tree.begin(), tree.end());
  image.resize(raw_pointer + raw_size, 0);
  image.insert(image.end(), bytes_.begin() + overlay, bytes_.end());

  static const char kName[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
  std::memcpy(&image[header], kName, sizeof kName);
  Put32(image, header + 12, rva);
  Put32(image, header + 20, static_cast<uint32_t>(raw_pointer));
  Put32(image, header + 36, kResourceCharacteristics);
  Put16(image, file_header_ + 2, count + 1);
  Put32(image, optional_header_ + 60, static_cast<uint32_t>(headers));
  int64_t delta = static_cast<int64_t>(raw_pointer + raw_size) - static_cast<int64_t>(overlay);
  FixHeaders(image, -1, header, rva, tree.size(), overlay, delta);
  *out = std::move(image);
  return true;
}

void PeImage::FixHeaders(std::vector<uint8_t>& image, int replaced, uint32_t header, uint32_t rva,
                         uint64_t tree_size, uint64_t moved_from, int64_t delta) const {
  uint32_t raw_size = static_cast<uint32_t>(AlignUp(tree_size, file_alignment_));
  Put32(image, header + 8, static_cast<uint32_t>(tree_size));
  Put32(image, header + 16, raw_size);
  Put32(image, data_directories_ + 8 * kResourceDirectory, rva);
  Put32(image, data_directories_ + 8 * kResourceDirectory + 4, static_cast<uint32_t>(tree_size));

  uint64_t image_end = std::max(AlignUp(U32(optional_header_ + 60), section_alignment_),
                                AlignUp(uint64_t{rva} + tree_size, section_alignment_));
  for (size_t i = 0; i < sections_.size(); ++i) {
    if (static_cast<int>(i) != replaced) {
      image_end = std::max<uint64_t>(image_end, VirtualEnd(sections_[i], section_alignment_));
    }
  }
  Put32(image, optional_header_ + 56, static_cast<uint32_t>(image_end));
  uint32_t old_raw_size = replaced >= 0 ? sections_[replaced].raw_size : 0;
  Put32(image, optional_header_ + 8, U32(optional_header_ + 8) + raw_size - old_raw_size);

  if (delta != 0) {
    auto moved = [&](uint32_t offset) {
      return offset >= moved_from ? static_cast<uint32_t>(offset + delta) : offset;
    };
    uint32_t symbols = U32(file_header_ + 8);
    if (symbols) Put32(image, file_header_ + 8, moved(symbols));
    uint32_t at, size;
    if (DataDirectory(kSecurityDirectory, &at, &size)) {
      Put32(image, data_directories_ + 8 * kSecurityDirectory, moved(at));
    }
    uint32_t debug;
    // The debug directory lies in a section that stays where it was.
    if (DataDirectory(kDebugDirectory, &at, &size) && RvaToOffset(at, size, &debug) &&
        SectionAtOffset(debug) != replaced) {
      for (uint32_t e = 0; e + kDebugEntrySize <= size; e += kDebugEntrySize) {
        uint32_t pointer = U32(debug + e + 24);
        if (pointer) Put32(image, debug + e + 24, moved(pointer));
      }
    }
  }
  uint32_t checksum = optional_header_ + 64;
  if (U32(checksum) != 0) Put32(image, checksum, PeChecksum(image, checksum));
}

uint32_t PeChecksum(const std::vector<uint8_t>& bytes, uint32_t checksum_offset) {
  uint64_t sum = 0;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    if (i == checksum_offset || i == checksum_offset + 2) continue;
    uint32_t word = bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    sum += word;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint32_t>(sum + bytes.size());
}
