#include "platform/resources.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standins/pe_test_image.h"
#include "testing/test_support.h"

// Wine 8 keeps a resource that UpdateResourceA writes without data, which Windows removes,
// and refuses to write empty data.
bool UpdatesAsWindowsDoes() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") == nullptr;
}

TEST(RsrcWin32Test, LoaderReadsWhatOurWriterWrote) {
  // Block 2 of a string table holds strings 16 to 31: 17 is "Hello", the others empty.
  std::string block;
  for (int i = 0; i < 16; ++i)
    block += i == 1 ? std::string("\5\0H\0e\0l\0l\0o\0", 12) : std::string(2, '\0');
  for (bool plus : {false, true}) {
    TestImageLayout layout;
    layout.pe32_plus = plus;
    layout.section_after_resources = true;
    std::vector<uint8_t> bytes = WithResources(
        MakeTestImage(layout),
        {TestResource("#6", "#2", 0x411, block), TestResource("custom", "item", 0, "ok")});
    ScopedTempDir dir;
    WriteWholeFile(dir.File("strings.dll"), std::string(bytes.begin(), bytes.end()));
    HMODULE module =
        LoadLibraryExA(dir.File("strings.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module) << plus;
    char text[32] = "";
    EXPECT_EQ(5, LoadStringA(module, 17, text, sizeof text)) << plus;
    EXPECT_STREQ("Hello", text);
    EXPECT_EQ(0, LoadStringA(module, 18, text, sizeof text)) << plus;
    HRSRC found = FindResourceA(module, "Item", "CUSTOM");
    ASSERT_NE(nullptr, found) << plus;
    EXPECT_EQ(2u, SizeofResource(module, found));
    FreeLibrary(module);
  }
}
