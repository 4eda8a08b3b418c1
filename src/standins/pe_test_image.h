#ifndef UPDATER_STANDINS_PE_TEST_IMAGE_H_
#define UPDATER_STANDINS_PE_TEST_IMAGE_H_

// Small PE images for the tests of the resource code, laid out as linkers lay them out:
// headers, ".text", ".rsrc" and optionally ".reloc" after it, then optional trailing data
// (where an unstripped image keeps its symbol table); and resources to put in them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "standins/pe_resources.h"
#include "foundation/utf8.h"

constexpr uint32_t kTestResourceRva = 0x2000;

struct TestImageLayout {
  bool pe32_plus = false;
  bool resource_section = true;
  // The .rsrc section's bytes (RVAs based at kTestResourceRva); empty: a bare root.
  std::vector<uint8_t> resources;
  uint32_t resources_raw_size = 0;       // when larger than the contents need
  bool section_after_resources = false;  // ".reloc", named by the relocation directory
  std::string trailing;                  // after the last section; the symbol table
  uint32_t checksum = 0;
  bool full_section_table = false;  // no room for another section header
};

inline void TestPut16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
inline void TestPut32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t TestGet16(const std::vector<uint8_t>& b, size_t at) {
  return b.at(at) | b.at(at + 1) << 8;
}
inline uint32_t TestGet32(const std::vector<uint8_t>& b, size_t at) {
  return TestGet16(b, at) | TestGet16(b, at + 2) << 16;
}

// Offsets of the headers in a test image, for tests that read or damage them.
struct TestImageOffsets {
  uint32_t file_header, optional_header, data_directories, section_table;
};

inline TestImageOffsets TestOffsets(const std::vector<uint8_t>& image) {
  TestImageOffsets o;
  o.file_header = TestGet32(image, 0x3C) + 4;
  o.optional_header = o.file_header + 20;
  bool plus = TestGet16(image, o.optional_header) == 0x20B;
  o.data_directories = o.optional_header + (plus ? 112 : 96);
  o.section_table = o.optional_header + TestGet16(image, o.file_header + 16);
  return o;
}

inline std::vector<uint8_t> MakeTestImage(const TestImageLayout& layout) {
  constexpr uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000;
  auto align = [](uint32_t v, uint32_t a) { return (v + a - 1) / a * a; };
  std::vector<uint8_t> rsrc = layout.resources;
  if (rsrc.empty()) rsrc.assign(16, 0);
  uint32_t optional_size = layout.pe32_plus ? 0xF0 : 0xE0;
  uint32_t sections =
      1 + (layout.resource_section ? 1 : 0) + (layout.section_after_resources ? 1 : 0);
  uint32_t table_size = sections * 40;
  // A crowded header ends its section table less than one header before the first data.
  uint32_t pe = layout.full_section_table ? 0x200 - 8 - table_size - optional_size - 24 : 0x80;
  uint32_t headers = layout.full_section_table ? 0x200 : 0x400;

  std::vector<uint8_t> b(headers, 0);
  b[0] = 'M';
  b[1] = 'Z';
  TestPut32(b, 0x3C, pe);
  TestPut32(b, pe, 0x00004550);
  uint32_t fh = pe + 4, oh = fh + 20;
  TestPut16(b, fh, layout.pe32_plus ? 0x8664 : 0x14C);
  TestPut16(b, fh + 2, sections);
  TestPut16(b, fh + 16, optional_size);
  TestPut16(b, fh + 18, layout.pe32_plus ? 0x22 : 0x102);
  TestPut16(b, oh, layout.pe32_plus ? 0x20B : 0x10B);
  TestPut32(b, oh + 16, 0x1000);  // entry point
  TestPut32(b, oh + 20, 0x1000);  // base of code
  if (layout.pe32_plus) {
    TestPut32(b, oh + 24, 0x40000000);
    TestPut32(b, oh + 28, 0x1);  // image base 0x140000000
  } else {
    TestPut32(b, oh + 28, 0x400000);
  }
  TestPut32(b, oh + 32, kSectionAlignment);
  TestPut32(b, oh + 36, kFileAlignment);
  TestPut16(b, oh + 40, 4);  // operating system version
  TestPut16(b, oh + 48, 4);  // subsystem version
  TestPut32(b, oh + 60, headers);
  TestPut32(b, oh + 64, layout.checksum);
  TestPut16(b, oh + 68, 2);  // GUI
  uint32_t stack_heap[4] = {0x100000, 0x1000, 0x100000, 0x1000};
  for (int i = 0; i < 4; ++i) TestPut32(b, oh + 72 + i * (layout.pe32_plus ? 8 : 4), stack_heap[i]);
  uint32_t dirs = oh + (layout.pe32_plus ? 112 : 96);
  TestPut32(b, dirs - 4, 16);

  uint32_t table = oh + optional_size;
  uint32_t next_va = 0x1000, next_raw = headers, initialized = 0;
  auto add = [&](uint32_t index, const char* name, const std::vector<uint8_t>& data,
                 uint32_t characteristics, uint32_t raw_size) {
    uint32_t h = table + index * 40;
    std::memcpy(&b[h], name, std::strlen(name));
    uint32_t raw = std::max(raw_size, align(static_cast<uint32_t>(data.size()), kFileAlignment));
    TestPut32(b, h + 8, static_cast<uint32_t>(data.size()));
    TestPut32(b, h + 12, next_va);
    TestPut32(b, h + 16, raw);
    TestPut32(b, h + 20, next_raw);
    TestPut32(b, h + 36, characteristics);
    b.resize(next_raw + raw, 0);
    std::memcpy(&b[next_raw], data.data(), data.size());
    uint32_t va = next_va;
    next_va += align(static_cast<uint32_t>(data.size()), kSectionAlignment);
    next_raw += raw;
    return va;
  };
  add(0, ".text", std::vector<uint8_t>(16, 0xC3), 0x60000020, 0);
  uint32_t index = 1;
  if (layout.resource_section) {
    uint32_t va = add(index++, ".rsrc", rsrc, 0x40000040, layout.resources_raw_size);
    TestPut32(b, dirs + 8 * 2, va);
    TestPut32(b, dirs + 8 * 2 + 4, static_cast<uint32_t>(rsrc.size()));
    initialized += TestGet32(b, table + 40 + 16);
  }
  if (layout.section_after_resources) {
    std::vector<uint8_t> relocations(8, 0);  // one empty block for page 0x1000
    TestPut32(relocations, 0, 0x1000);
    TestPut32(relocations, 4, 8);
    uint32_t va = add(index++, ".reloc", relocations, 0x42000040, 0);
    TestPut32(b, dirs + 8 * 5, va);
    TestPut32(b, dirs + 8 * 5 + 4, 8);
    initialized += kFileAlignment;
  }
  TestPut32(b, oh + 4, kFileAlignment);  // size of code
  TestPut32(b, oh + 8, initialized);
  TestPut32(b, oh + 56, next_va);
  if (!layout.trailing.empty()) {
    TestPut32(b, fh + 8, static_cast<uint32_t>(b.size()));
    b.insert(b.end(), layout.trailing.begin(), layout.trailing.end());
  }
  return b;
}

inline ResourceId TestId(const char* utf8) {
  ResourceId id;
  EXPECT_TRUE(ParseResourceId(std::string_view(utf8), &id)) << utf8;
  return id;
}

inline Resource TestResource(const char* type, const char* name, uint16_t language,
                             const std::string& data) {
  return Resource{TestId(type), TestId(name), language, 0,
                  std::vector<uint8_t>(data.begin(), data.end())};
}

// A number in decimal, a name in UTF-8.
inline std::string ShowId(const ResourceId& id) {
  return id.is_number ? std::to_string(id.number) : Utf16ToUtf8(id.text);
}

// "TYPE/NAME/LANGUAGE=data " for each resource, in order; the language in hex.
inline std::string DescribeResources(const std::vector<Resource>& resources) {
  std::string out;
  for (const Resource& r : resources) {
    char language[8];
    std::snprintf(language, sizeof language, "%04X", r.language);
    out += ShowId(r.type) + "/" + ShowId(r.name) + "/" + language + "=" +
           std::string(r.data.begin(), r.data.end()) + " ";
  }
  return out;
}

// The resources of an image as our reader reads them, or "unreadable".
inline std::string DescribeImage(const std::vector<uint8_t>& bytes) {
  PeImage image;
  std::vector<Resource> resources;
  if (!image.Parse(bytes) || !image.ReadResources(&resources)) return "unreadable";
  return DescribeResources(resources);
}

// The image with these resources; a failure fails the test.
inline std::vector<uint8_t> WithResources(const std::vector<uint8_t>& bytes,
                                          const std::vector<Resource>& resources) {
  PeImage image;
  std::vector<uint8_t> out;
  EXPECT_TRUE(image.Parse(bytes));
  EXPECT_TRUE(image.WriteResources(resources, &out));
  return out;
}

#endif  // UPDATER_STANDINS_PE_TEST_IMAGE_H_
