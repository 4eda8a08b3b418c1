#include "standins/pe_resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standins/pe_test_image.h"

namespace {

std::string Data(const Resource& r) { return std::string(r.data.begin(), r.data.end()); }

std::vector<Resource> ReadBack(const std::vector<uint8_t>& bytes) {
  PeImage image;
  std::vector<Resource> resources;
  EXPECT_TRUE(image.Parse(bytes));
  EXPECT_TRUE(image.ReadResources(&resources));
  return resources;
}

struct SectionHeader {
  std::string name;
  uint32_t virtual_size, virtual_address, raw_size, raw_pointer;
};

std::vector<SectionHeader> Sections(const std::vector<uint8_t>& image) {
  TestImageOffsets o = TestOffsets(image);
  std::vector<SectionHeader> out;
  for (uint32_t i = 0; i < TestGet16(image, o.file_header + 2); ++i) {
    uint32_t h = o.section_table + 40 * i;
    std::string name(reinterpret_cast<const char*>(&image[h]), 8);
    out.push_back({name.c_str(), TestGet32(image, h + 8), TestGet32(image, h + 12),
                   TestGet32(image, h + 16), TestGet32(image, h + 20)});
  }
  return out;
}

uint32_t ResourceRva(const std::vector<uint8_t>& image) {
  return TestGet32(image, TestOffsets(image).data_directories + 16);
}

}  // namespace

TEST(PeResourcesTest, IdsAndTheirOrder) {
  // "#" numbers as RtlCharToInteger reads them (wrapping at 32 bits); names upper-cased.
  const char* cases[][2] = {
      {"#123", "123"},     {"#0007", "7"},
      {"#7x", "7"},        {"# 5", "5"},
      {"#+5", "5"},        {"#", "0"},
      {"#65535", "65535"}, {"#4294967297", "1"},
      {"data", "DATA"},    {"123", "123"},
      {"été", "ÉTÉ"},      {"ÿ", "Ÿ"},
      {"мир", "МИР"},      {"ｄａｔａ", "ＤＡＴＡ"},
      {"βς", "ΒΣ"},        {"日本😀", "日本😀"},
  };
  for (auto [text, shown] : cases) {
    ResourceId id;
    ASSERT_TRUE(ParseResourceId(std::string_view(text), &id)) << text;
    EXPECT_EQ(shown, ShowId(id)) << text;
    EXPECT_EQ(text[0] == '#', id.is_number) << text;
  }
  ResourceId id;
  for (const char* bad : {"#65536", "#-1"})
    EXPECT_FALSE(ParseResourceId(std::string_view(bad), &id));
  // Directory order: strings first, by code units with a prefix before its extensions.
  std::vector<ResourceId> order = {TestId("A"), TestId("AB"), TestId("B"),
                                   TestId("é"), TestId("#1"), TestId("#10")};
  for (size_t i = 0; i + 1 < order.size(); ++i) {
    EXPECT_TRUE(order[i] < order[i + 1] && !(order[i + 1] < order[i])) << i;
  }
  // Set replaces the same type, name and language; the first language is the first listed.
  std::vector<Resource> set = {TestResource("#10", "b", 0x409, "en"),
                               TestResource("#10", "B", 0x411, "ja")};
  SetResource(&set, TestResource("#10", "B", 0x411, "ja2"));
  SetResource(&set, TestResource("#10", "B", 0x407, "de"));
  EXPECT_EQ("en", Data(*FindFirstLanguage(set, TestId("#10"), TestId("b"))));
  EXPECT_EQ(nullptr, FindFirstLanguage(set, TestId("#11"), TestId("b")));
  EXPECT_TRUE(RemoveResource(&set, TestId("#10"), TestId("b"), 0x409));
  EXPECT_FALSE(RemoveResource(&set, TestId("#10"), TestId("b"), 0x409));
  EXPECT_EQ("10/B/0411=ja2 10/B/0407=de ", DescribeResources(set));
}

TEST(PeResourcesTest, WritesTheDirectoryAsLinkersDo) {
  for (bool plus : {false, true}) {
    TestImageLayout layout;
    layout.pe32_plus = plus;
    std::vector<Resource> set = {
        TestResource("#10", "#7", 0x411, "seven"),   TestResource("#10", "zeta", 0x409, "z"),
        TestResource("#10", "Alpha", 0x411, "a-ja"), TestResource("#10", "alpha", 0x409, "a-en"),
        TestResource("CONFIG", "#1", 0, ""),         TestResource("#6", "#1", 0x409, "strings")};
    std::vector<uint8_t> out = WithResources(MakeTestImage(layout), set);
    // Read back in directory order: named types first, names upper-cased, named first,
    // languages ascending.
    EXPECT_EQ(
        "CONFIG/1/0000= 6/1/0409=strings 10/ALPHA/0409=a-en 10/ALPHA/0411=a-ja "
        "10/ZETA/0409=z 10/7/0411=seven ",
        DescribeImage((out)))
        << plus;
    // The root: one named type, "CONFIG" as length-prefixed UTF-16, then 6 and 10; the
    // data directory covers the whole tree.
    SectionHeader rsrc = Sections(out)[1];
    uint32_t root = rsrc.raw_pointer, name = TestGet32(out, root + 16);
    EXPECT_EQ(0x00020001u, TestGet32(out, root + 12));
    ASSERT_TRUE(name & 0x80000000);
    EXPECT_EQ(0x00430006u, TestGet32(out, root + (name & 0x7FFFFFFF)));  // 6, 'C'
    EXPECT_EQ(6u, TestGet32(out, root + 24));
    EXPECT_EQ(10u, TestGet32(out, root + 32));
    EXPECT_EQ(rsrc.virtual_size, TestGet32(out, TestOffsets(out).data_directories + 20));
  }
}

TEST(PeResourcesTest, EmptyBlockAtTheSectionsEnd) {
  // Some size of the first block puts the empty last one exactly at the end of the raw data.
  std::vector<uint8_t> image = MakeTestImage({});
  bool at_end = false;
  for (size_t n = 0; n < 0x200; n += 8) {
    std::vector<uint8_t> out = WithResources(
        image,
        {TestResource("#10", "#1", 0, std::string(n, 'a')), TestResource("#10", "#2", 0, "")});
    SectionHeader rsrc = Sections(out)[1];
    at_end = at_end || rsrc.virtual_size == rsrc.raw_size;
    ASSERT_EQ(2u, ReadBack(out).size()) << n;
  }
  EXPECT_TRUE(at_end);
}

TEST(PeResourcesTest, ResourceSectionLastGrowsAndShrinks) {
  TestImageLayout layout;
  layout.trailing = "SYMBOLS";
  layout.checksum = 1;
  std::vector<uint8_t> original = MakeTestImage(layout);
  TestImageOffsets o = TestOffsets(original);
  std::vector<Resource> set = {TestResource("#10", "BIG", 0x409, std::string(5000, 'x'))};
  std::vector<uint8_t> grown = WithResources(original, set);
  std::vector<SectionHeader> sections = Sections(grown);
  ASSERT_EQ(2u, sections.size());
  EXPECT_EQ(kTestResourceRva, sections[1].virtual_address);
  EXPECT_EQ(0x600u, sections[1].raw_pointer);
  EXPECT_EQ(0x1400u, sections[1].raw_size);
  EXPECT_EQ(kTestResourceRva, ResourceRva(grown));
  EXPECT_EQ(0x4000u, TestGet32(grown, o.optional_header + 56));  // SizeOfImage
  EXPECT_EQ(0x1400u, TestGet32(grown, o.optional_header + 8));   // SizeOfInitializedData
  // The symbol table moved behind the section, and its pointer with it.
  uint32_t symbols = TestGet32(grown, o.file_header + 8);
  EXPECT_EQ(0x1A00u, symbols);
  EXPECT_EQ("SYMBOLS", std::string(grown.begin() + symbols, grown.end()));
  EXPECT_EQ(PeChecksum(grown, o.optional_header + 64), TestGet32(grown, o.optional_header + 64));
  // The bytes before the section are unchanged but for the headers.
  EXPECT_TRUE(
      std::equal(original.begin() + 0x400, original.begin() + 0x600, grown.begin() + 0x400));

  std::vector<uint8_t> shrunk = WithResources(grown, {TestResource("#10", "SMALL", 0x409, "s")});
  EXPECT_EQ("10/SMALL/0409=s ", DescribeImage((shrunk)));
  EXPECT_EQ(0x200u, Sections(shrunk)[1].raw_size);
  EXPECT_EQ(0x800u + 7, shrunk.size());
  EXPECT_EQ("SYMBOLS", std::string(shrunk.end() - 7, shrunk.end()));
  EXPECT_EQ(0x3000u, TestGet32(shrunk, o.optional_header + 56));
}

TEST(PeResourcesTest, SectionAfterResourcesStaysWhereItIs) {
  for (bool plus : {false, true}) {
    TestImageLayout layout;
    layout.pe32_plus = plus;
    layout.section_after_resources = true;
    layout.trailing = "TAIL";
    std::vector<uint8_t> original = MakeTestImage(layout);
    TestImageOffsets o = TestOffsets(original);
    // What fits stays in the section.
    std::vector<uint8_t> small =
        WithResources(original, {TestResource("#10", "#1", 0x409, "fits")});
    ASSERT_EQ(3u, Sections(small).size());
    EXPECT_EQ(kTestResourceRva, ResourceRva(small));
    EXPECT_EQ(original.size(), small.size());
    // What does not goes to a new section after the last; .reloc keeps its place and bytes.
    std::vector<Resource> set = {TestResource("#10", "#1", 0x409, std::string(0x1800, 'y')),
                                 TestResource("#10", "#2", 0x409, "two")};
    std::vector<uint8_t> moved = WithResources(small, set);
    std::vector<SectionHeader> sections = Sections(moved);
    ASSERT_EQ(4u, sections.size());
    EXPECT_EQ(".reloc", sections[2].name);
    EXPECT_EQ(0x3000u, sections[2].virtual_address);
    EXPECT_EQ(0x800u, sections[2].raw_pointer);
    EXPECT_EQ(".rsrc", sections[3].name);
    EXPECT_EQ(0x4000u, sections[3].virtual_address);
    EXPECT_EQ(0xA00u, sections[3].raw_pointer);
    EXPECT_EQ(0x4000u, ResourceRva(moved));
    EXPECT_EQ(0x6000u, TestGet32(moved, o.optional_header + 56));
    EXPECT_EQ(0x3000u, TestGet32(moved, o.data_directories + 40));  // relocations
    EXPECT_TRUE(
        std::equal(original.begin() + 0x800, original.begin() + 0xA00, moved.begin() + 0x800));
    EXPECT_EQ("TAIL", std::string(moved.end() - 4, moved.end()));
    EXPECT_EQ(moved.size() - 4, TestGet32(moved, o.file_header + 8));
    EXPECT_EQ(std::string(0x1800, 'y') + "two",
              Data(ReadBack(moved)[0]) + Data(ReadBack(moved)[1]));
    // Now last, the new section grows in place the next time.
    set.push_back(TestResource("#10", "#3", 0x409, std::string(0x2000, 'z')));
    std::vector<uint8_t> again = WithResources(moved, set);
    EXPECT_EQ(4u, Sections(again).size());
    EXPECT_EQ(3u, ReadBack(again).size());
  }
}

TEST(PeResourcesTest, RoomInTheFileIsNotRoomInMemory) {
  // The section has 0x1200 bytes in the file but only 0x1000 in memory before .reloc.
  TestImageLayout layout;
  layout.section_after_resources = true;
  layout.resources_raw_size = 0x1200;
  std::vector<uint8_t> original = MakeTestImage(layout);
  ASSERT_EQ(0x3000u, Sections(original)[2].virtual_address);
  std::vector<uint8_t> in_place =
      WithResources(original, {TestResource("#10", "#1", 0, std::string(0xF00, 'a'))});
  EXPECT_EQ(3u, Sections(in_place).size());
  EXPECT_EQ(original.size(), in_place.size());
  std::vector<uint8_t> appended =
      WithResources(original, {TestResource("#10", "#1", 0, std::string(0x1080, 'b'))});
  ASSERT_EQ(4u, Sections(appended).size());
  EXPECT_EQ(0x4000u, ResourceRva(appended));
  EXPECT_EQ(std::string(0x1080, 'b'), Data(ReadBack(appended)[0]));
}

TEST(PeResourcesTest, PointersToMovedDataFollowIt) {
  // After .rsrc: the symbol table, a certificate and debug data, the last two named by
  // the security directory (a file offset) and a debug directory entry in .text.
  TestImageLayout layout;
  layout.trailing = "SYMBOLS.CERT.DEBUG";
  std::vector<uint8_t> original = MakeTestImage(layout);
  TestImageOffsets o = TestOffsets(original);
  uint32_t trailing = 0x800;
  TestPut32(original, o.data_directories + 32, trailing + 8);  // security
  TestPut32(original, o.data_directories + 36, 5);
  TestPut32(original, o.data_directories + 48, 0x1010);  // debug, at .text + 0x10
  TestPut32(original, o.data_directories + 52, 28);
  TestPut32(original, 0x410 + 24, trailing + 13);
  std::vector<uint8_t> out =
      WithResources(original, {TestResource("#10", "#1", 0, std::string(0x300, 'x'))});
  uint32_t moved = trailing + 0x200;
  EXPECT_EQ(moved, TestGet32(out, o.file_header + 8));
  EXPECT_EQ(moved + 8, TestGet32(out, o.data_directories + 32));
  EXPECT_EQ(moved + 13, TestGet32(out, 0x410 + 24));
  EXPECT_EQ("CERT.", std::string(out.begin() + moved + 8, out.begin() + moved + 13));
  EXPECT_EQ("DEBUG", std::string(out.begin() + moved + 13, out.end()));
}

TEST(PeResourcesTest, SectionSharedWithOtherDataIsLeftAlone) {
  // The import directory lies inside .rsrc: its bytes must survive, so the tree goes to
  // a new section, whose header needs SizeOfHeaders to grow.
  TestImageLayout layout;
  std::vector<uint8_t> tree(32, 0);
  TestPut32(tree, 16, 0x12345678);
  layout.resources = tree;
  std::vector<uint8_t> original = MakeTestImage(layout);
  TestImageOffsets o = TestOffsets(original);
  TestPut32(original, o.data_directories + 8, kTestResourceRva + 16);
  TestPut32(original, o.data_directories + 12, 4);
  TestPut32(original, o.optional_header + 60, 0x1E0);
  std::vector<uint8_t> out = WithResources(original, {TestResource("#10", "#1", 0, "x")});
  ASSERT_EQ(3u, Sections(out).size());
  EXPECT_EQ(0x3000u, ResourceRva(out));
  EXPECT_EQ(0x12345678u, TestGet32(out, 0x600 + 16));
  EXPECT_EQ(0x200u, TestGet32(out, o.optional_header + 60));
  EXPECT_EQ("10/1/0000=x ", DescribeImage((out)));
  // An image with a damaged section whose raw data lies on the headers is not written.
  std::vector<uint8_t> claimed = MakeTestImage({});
  TestPut32(claimed, o.section_table + 40 + 20, o.section_table);
  PeImage image;
  ASSERT_TRUE(image.Parse(claimed));
  EXPECT_FALSE(image.WriteResources({TestResource("#10", "#1", 0, "x")}, &out));
}

TEST(PeResourcesTest, ImageWithoutResourcesGetsASection) {
  TestImageLayout layout;
  layout.resource_section = false;
  std::vector<uint8_t> original = MakeTestImage(layout);
  EXPECT_TRUE(ReadBack(original).empty());
  std::vector<uint8_t> out = WithResources(original, {TestResource("#16", "#1", 0x411, "version")});
  std::vector<SectionHeader> sections = Sections(out);
  ASSERT_EQ(2u, sections.size());
  EXPECT_EQ(".rsrc", sections[1].name);
  EXPECT_EQ(0x2000u, sections[1].virtual_address);
  EXPECT_EQ("16/1/0411=version ", DescribeImage((out)));
  // An empty set still leaves a valid, empty directory.
  EXPECT_TRUE(ReadBack(WithResources(out, {})).empty());

  // Even when SizeOfHeaders and every section claim nothing, the headers hold page 0.
  std::vector<uint8_t> hollow = original;
  TestImageOffsets h = TestOffsets(hollow);
  TestPut32(hollow, h.optional_header + 60, 0);
  for (uint32_t field = 8; field < 24; field += 4) TestPut32(hollow, h.section_table + field, 0);
  std::vector<uint8_t> filled = WithResources(hollow, {TestResource("#10", "#1", 0, "x")});
  EXPECT_EQ(0x1000u, ResourceRva(filled));
  EXPECT_EQ("10/1/0000=x ", DescribeImage((filled)));

  // A section at an unaligned address holds more raw data than its extent in memory; the
  // rest is not where the new section's RVAs lead.
  std::vector<uint8_t> unaligned = original;
  TestPut32(unaligned, h.section_table + 12, 0x1F00);
  EXPECT_EQ("10/1/0000=x ",
            DescribeImage(WithResources(unaligned, {TestResource("#10", "#1", 0, "x")})));

  // The room after the section table holds something (bound imports, say): refused.
  std::vector<uint8_t> occupied = original;
  occupied[TestOffsets(occupied).section_table + 40 + 39] = 1;
  PeImage bound;
  std::vector<uint8_t> none;
  ASSERT_TRUE(bound.Parse(occupied));
  EXPECT_FALSE(bound.WriteResources({TestResource("#10", "#1", 0, "x")}, &none));

  // No room for another section header: refused, nothing written.
  layout.section_after_resources = true;
  layout.resource_section = true;
  layout.full_section_table = true;
  std::vector<uint8_t> crowded = MakeTestImage(layout);
  PeImage image;
  ASSERT_TRUE(image.Parse(crowded));
  std::vector<uint8_t> unchanged = {1, 2, 3};
  EXPECT_TRUE(image.WriteResources({TestResource("#10", "#1", 0, "fits")}, &unchanged));
  unchanged = {1, 2, 3};
  EXPECT_FALSE(
      image.WriteResources({TestResource("#10", "#1", 0, std::string(0x1000, 'x'))}, &unchanged));
  EXPECT_EQ((std::vector<uint8_t>{1, 2, 3}), unchanged);
  // Nor twice the same resource.
  EXPECT_FALSE(image.WriteResources(
      {TestResource("#10", "a", 1, "x"), TestResource("#10", "A", 1, "y")}, &unchanged));
}

TEST(PeResourcesTest, MalformedFilesAreRefused) {
  // The tree of one resource: root at 0, name directory at 0x18 (its entry at 0x28), language
  // directory at 0x30, data entry at 0x48, the name "NAME" at 0x58, the data at 0x68.
  std::vector<uint8_t> good =
      WithResources(MakeTestImage({}), {TestResource("#10", "NAME", 0x409, "data")});
  TestImageOffsets o = TestOffsets(good);
  uint32_t root = 0x600;
  ASSERT_EQ(kTestResourceRva + 0x68, TestGet32(good, root + 0x48)) << "the layout changed";
  struct Damage {
    const char* what;
    bool parses;  // false: Parse refuses it; true: ReadResources does
    uint32_t at;
    int width;  // 0: the file is cut at `at`
    uint32_t value;
  } damages[] = {
      {"truncated headers", false, 0x30, 0, 0},
      {"no MZ", false, 0, 2, 0x5A58},
      {"PE offset past the end", false, 0x3C, 4, 0xFFFFFFF0},
      {"bad magic", false, o.optional_header, 2, 0x107},
      {"optional header too small", false, o.file_header + 16, 2, 0x40},
      {"section table past the end", false, o.file_header + 2, 2, 0xFFFF},
      {"raw data past the end", false, o.section_table + 40 + 16, 4, 0x7FFFFFFF},
      {"file alignment 3", false, o.optional_header + 36, 4, 3},
      {"headers past the end", false, o.optional_header + 60, 4, 0x23000400},
      {"truncated section", false, root + 0x100, 0, 0},
      {"directory RVA unmapped", true, o.data_directories + 16, 4, 0x9000},
      {"directory at the section's last byte", true, o.data_directories + 16, 4, 0x21FF},
      {"entry count past the section", true, root + 14, 2, 0xFFFF},
      {"subdirectory past the section", true, root + 20, 4, 0x80001000},
      {"loop back to the root", true, root + 20, 4, 0x80000000},
      {"data entry at the type level", true, root + 20, 4, 0x10},
      {"string name past the section", true, root + 0x28, 4, 0x80000FFE},
      {"string length past the section", true, root + 0x58, 2, 0xFFFF},
      {"number past 16 bits", true, root + 16, 4, 0x10010},
      {"data block outside the image", true, root + 0x48, 4, 0x7FFFFFF0},
      {"data block too long", true, root + 0x4C, 4, 0x10000000},
  };
  for (const Damage& d : damages) {
    std::vector<uint8_t> bytes = good;
    if (d.width == 0) bytes.resize(d.at);
    if (d.width == 2) TestPut16(bytes, d.at, d.value);
    if (d.width == 4) TestPut32(bytes, d.at, d.value);
    PeImage image;
    std::vector<Resource> resources;
    bool parsed = image.Parse(bytes);
    EXPECT_EQ(d.parses, parsed) << d.what;
    if (parsed) {
      EXPECT_FALSE(image.ReadResources(&resources)) << d.what;
    }
  }
}

// A resource tree: a directory of `count` entries at each of the offsets, entry i of
// directory d holding id i + 1 and leading to `to[d]`; the last leads to one data entry.
std::vector<uint8_t> SharedTree(std::vector<uint32_t> counts, uint32_t data_size) {
  std::vector<uint32_t> at = {0};
  for (uint32_t n : counts) at.push_back(at.back() + 16 + 8 * n);
  std::vector<uint8_t> tree(at.back() + 16, 0);
  for (size_t d = 0; d < counts.size(); ++d) {
    TestPut16(tree, at[d] + 14, counts[d]);
    for (uint32_t i = 0; i < counts[d]; ++i) {
      TestPut32(tree, at[d] + 16 + 8 * i, i + 1);
      TestPut32(tree, at[d] + 20 + 8 * i,
                d + 1 < counts.size() ? at[d + 1] | 0x80000000 : at.back());
    }
  }
  TestPut32(tree, at.back(), kTestResourceRva);
  TestPut32(tree, at.back() + 4, data_size);
  return tree;
}

TEST(PeResourcesTest, SharedDirectoriesCannotMultiplyTheTree) {
  auto read = [](const std::vector<uint8_t>& tree, std::vector<Resource>* resources) {
    TestImageLayout layout;
    layout.resources = tree;
    PeImage image;
    EXPECT_TRUE(image.Parse(MakeTestImage(layout)));
    return image.ReadResources(resources);
  };
  std::vector<Resource> resources;
  // 512 types leading to one directory of 512 names: 262,144 walks from 8 KB, were the
  // entries followed blindly; with languages or without.
  EXPECT_FALSE(read(SharedTree({512, 512, 0}, 4), &resources));
  EXPECT_FALSE(read(SharedTree({512, 512, 1}, 4), &resources));
  // Eight names sharing one block of most of the file: more data than the file holds.
  EXPECT_FALSE(read(SharedTree({1, 8, 1}, 0x1F0), &resources));
  ASSERT_TRUE(read(SharedTree({1, 1, 1}, 0x1F0), &resources));
  EXPECT_EQ(1u, resources.size());
  // 4,096 names all pointing at one name of 65,535 units: 512 MB of copies from 160 KB.
  std::vector<uint8_t> tree = SharedTree({1, 4096, 1}, 0);
  uint32_t name = static_cast<uint32_t>(tree.size());
  tree.resize(name + 2 + 2 * 0xFFFF, 'A');
  TestPut16(tree, name, 0xFFFF);
  for (uint32_t i = 0; i < 4096; ++i) TestPut32(tree, 16 + 8 + 16 + 8 * i, name | 0x80000000);
  EXPECT_FALSE(read(tree, &resources));
}

TEST(PeResourcesTest, Checksum) {
  // 16-bit words summed with the carries folded back, the field itself left out, plus the
  // length: 0xFFFF + 0x0001 folds to 0x0001, + 0x007F + 9 bytes.
  std::vector<uint8_t> bytes = {0xFF, 0xFF, 0x01, 0x00, 0xAA, 0xBB, 0xCC, 0xDD, 0x7F};
  EXPECT_EQ(0x0001u + 0x007Fu + 9, PeChecksum(bytes, 4));
}
