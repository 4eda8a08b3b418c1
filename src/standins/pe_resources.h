#ifndef UPDATER_STANDINS_PE_RESOURCES_H_
#define UPDATER_STANDINS_PE_RESOURCES_H_

// The resource section of a PE image (PE32 and PE32+), read and rebuilt as the Windows
// resource functions see it: a tree of types, names and languages over blocks of data.
// Every offset and size read from the file is checked; a malformed file is refused, never
// read or written out of bounds.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A resource type or name: a 16-bit number, or a UTF-16 string.
struct ResourceId {
  bool is_number = false;
  uint16_t number = 0;
  std::u16string text;

  static ResourceId Number(uint16_t n);
  static ResourceId Text(std::u16string s);

  bool operator==(const ResourceId& other) const = default;
  // The order of a resource directory: strings before numbers, strings by UTF-16 code units
  // (a prefix first), numbers ascending.
  bool operator<(const ResourceId& other) const;
};

// Reads a type or name as the Windows resource functions read it: "#" followed by a number
// in decimal (leading blanks, a sign and the digits up to the first other character count,
// as RtlCharToInteger reads them) is that number, which must fit in 16 bits; any other text
// is a string name, upper-cased. False for a "#" number past 16 bits.
bool ParseResourceId(std::u16string_view text, ResourceId* id);
// The same for UTF-8 text; ill-formed bytes read as U+FFFD.
bool ParseResourceId(std::string_view utf8, ResourceId* id);

// The upper case of a UTF-16 unit as Windows upper-cases resource names: the letters of
// ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and the full-width forms; others are
// unchanged.
char16_t UpperCaseUnit(char16_t c);

struct Resource {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  uint32_t code_page = 0;  // kept as the file gave it; 0 for new resources
  std::vector<uint8_t> data;
};

// Replaces the resource with the same type, name and language, or adds it.
void SetResource(std::vector<Resource>* resources, Resource resource);
// Removes the resource with this type, name and language; false when there is none.
bool RemoveResource(std::vector<Resource>* resources, const ResourceId& type,
                    const ResourceId& name, uint16_t language);
// The first resource in the list's order with this type and name (the first language a
// module lists for them), or null.
const Resource* FindFirstLanguage(const std::vector<Resource>& resources, const ResourceId& type,
                                  const ResourceId& name);

// A PE image held in memory.
class PeImage {
 public:
  // Takes the file's bytes and checks the headers and the section table. False when the
  // bytes are no PE image (DOS and PE signatures, optional header of PE32 or PE32+, headers
  // and sections' raw data inside the file, power-of-two alignments) or pass 2 GB.
  bool Parse(std::vector<uint8_t> bytes);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  bool is_pe32_plus() const { return pe32_plus_; }

  // Every resource, in the order of the file's directories; none for an image without a
  // resource directory. False when the resource directory is malformed: an offset or size
  // outside its section, a data block outside the image, directories nested deeper than
  // three levels or shared so that the tree would outgrow the file.
  bool ReadResources(std::vector<Resource>* resources) const;

  // The image's bytes with its resources replaced by these (in any order; each type, name
  // and language once). The new section takes the old one's place when that one begins
  // with the resource directory, holds nothing else and has room (or is the last section,
  // which then grows or shrinks); otherwise a new section ".rsrc" is added after the last.
  // Data after the sections moves with them, and the symbol table, certificate and debug
  // data pointers that lead there follow it. The data directory entry, the section sizes,
  // SizeOfImage, SizeOfInitializedData and a non-zero checksum are brought up to date.
  // False, with *out unchanged, when there is no room for another section header, a
  // section's raw data lies on the headers or the image would pass 2 GB.
  bool WriteResources(std::vector<Resource> resources, std::vector<uint8_t>* out) const;

 private:
  struct Section {
    uint32_t header;  // file offset of its section header
    uint32_t virtual_address, virtual_size, raw_pointer, raw_size;
  };

  uint32_t U16(uint32_t offset) const;
  uint32_t U32(uint32_t offset) const;
  // The file offset of the n bytes at rva, when they lie in one section's raw data; with
  // the bytes of that section's raw data from there on.
  bool RvaToOffset(uint32_t rva, uint32_t n, uint32_t* offset, uint32_t* available = nullptr) const;
  // The section whose raw data holds the file offset, or -1.
  int SectionAtOffset(uint32_t offset) const;
  bool DataDirectory(int index, uint32_t* rva, uint32_t* size) const;
  static uint32_t VirtualEnd(const Section& s, uint32_t section_alignment);

  // The section that the resource directory opens and nothing else uses, or -1.
  int ReusableSection() const;
  bool IsLastInFile(int index) const;
  bool HasRoomInPlace(int index, uint64_t tree_size) const;
  bool Replace(int index, const std::vector<uint8_t>& tree, std::vector<uint8_t>* out) const;
  bool Append(const std::vector<uint8_t>& tree, uint32_t rva, std::vector<uint8_t>* out) const;
  // The headers that depend on the new section; the bytes from moved_from on have moved
  // by delta. replaced: the index of the section that was rebuilt, or -1.
  void FixHeaders(std::vector<uint8_t>& image, int replaced, uint32_t header, uint32_t rva,
                  uint64_t tree_size, uint64_t moved_from, int64_t delta) const;

  std::vector<uint8_t> bytes_;
  bool pe32_plus_ = false;
  uint32_t file_header_ = 0;      // offset of the COFF file header
  uint32_t optional_header_ = 0;  // offset of the optional header
  uint32_t data_directories_ = 0;
  uint32_t directory_count_ = 0;
  uint32_t section_table_ = 0;
  uint32_t file_alignment_ = 0, section_alignment_ = 0;
  std::vector<Section> sections_;
};

// The PE checksum of an image (the one in CheckSum, as CheckSumMappedFile computes it):
// the field itself counts as zero.
uint32_t PeChecksum(const std::vector<uint8_t>& bytes, uint32_t checksum_offset);

#endif  // UPDATER_STANDINS_PE_RESOURCES_H_
