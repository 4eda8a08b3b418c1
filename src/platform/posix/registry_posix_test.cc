#include "platform/registry.h"

#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "foundation/registry_key.h"
#include "testing/test_support.h"

namespace {

constexpr const char* kAppPaths =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe";

std::string RegistryFile(const std::string& path) {
  return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\" +
         std::string(kAppPaths) + "]\r\n@=\"/opt/app/app.exe\"\r\n\"Path\"=\"" + path +
         "\"\r\n\"Nothing\"=hex:\r\n\"Dword\"=dword:44434241\r\n";
}

class RegistryPosixTest : public ::testing::Test {
 protected:
  RegistryPosixTest()
      : file_(dir_.File("registry.reg")), variable_("UPDATER_REGISTRY", file_.c_str()) {
    WriteWholeFile(file_, RegistryFile("/opt/app"));
  }

  ScopedTempDir dir_;
  std::string file_;
  ScopedEnvironment variable_;
};

}  // namespace

TEST_F(RegistryPosixTest, RegistryKeyReadsValues) {
  RegistryKey key(kHkeyLocalMachine, kAppPaths);
  TextString out;
  ASSERT_TRUE(key.ReadValue("", out));
  EXPECT_STREQ(out.GetText(), "/opt/app/app.exe");
  EXPECT_EQ(key.openKey, nullptr);
  ASSERT_TRUE(key.ReadValue("PATH", out));
  EXPECT_STREQ(out.GetText(), "/opt/app");
  ASSERT_TRUE(key.ReadValue("Dword", out));  // not a string, yet it ends in the buffer
  EXPECT_STREQ(out.GetText(), "ABCD");

  // A missing or empty value, or a missing key, is never read: out keeps what it held.
  out = "kept";
  EXPECT_FALSE(key.ReadValue("Missing", out));
  EXPECT_FALSE(key.ReadValue("Nothing", out));
  EXPECT_EQ(key.openKey, nullptr);
  RegistryKey missing(kHkeyLocalMachine, "Software\\Microsoft\\Windows\\Nothing");
  EXPECT_FALSE(missing.ReadValue("", out));
  EXPECT_STREQ(out.GetText(), "kept");

  ASSERT_TRUE(key.Open(kKeyRead));
  EXPECT_EQ(key.QueryValueSize(""), sizeof "/opt/app/app.exe");
  EXPECT_EQ(key.QueryValueSize("Missing"), 0u);
  key.Close();
  EXPECT_EQ(key.QueryValueSize(""), 0u);
}

TEST_F(RegistryPosixTest, BackendFollowsTheWindowsCalls) {
  RegistryHandle key = nullptr;
  ASSERT_TRUE(RegistryOpen(kHkeyLocalMachine, "software\\MICROSOFT", kKeyRead, &key));
  RegistryClose(key);
  EXPECT_FALSE(RegistryOpen(kHkeyCurrentUser, "Software", kKeyRead, &key));
  EXPECT_EQ(key, nullptr);

  ASSERT_TRUE(RegistryOpen(kHkeyLocalMachine, kAppPaths, kKeyRead, &key));
  unsigned char small[4] = {'x'};
  unsigned long size = sizeof small;
  EXPECT_FALSE(RegistryQuery(key, "Path", small, &size));  // too small: only the size
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(small[0], 'x');
  size = 7;
  EXPECT_FALSE(RegistryQuery(key, "Missing", nullptr, &size));
  EXPECT_EQ(size, 7u);
  RegistryClose(key);

  // No variable, no file, a folder, a file without a header: no keys at all.
  for (const std::string& path : {std::string(), dir_.File("missing.reg"), dir_.path().string()}) {
    ScopedEnvironment variable("UPDATER_REGISTRY", path.empty() ? nullptr : path.c_str());
    EXPECT_FALSE(RegistryOpen(kHkeyLocalMachine, "", kKeyRead, &key)) << path;
  }
  WriteWholeFile(file_, "[HKEY_LOCAL_MACHINE\\Software]\n");
  EXPECT_FALSE(RegistryOpen(kHkeyLocalMachine, "Software", kKeyRead, &key));
}

TEST_F(RegistryPosixTest, ReloadsWhenTheFileChanges) {
  RegistryKey key(kHkeyLocalMachine, kAppPaths);
  TextString out;
  ASSERT_TRUE(key.ReadValue("Path", out));
  ASSERT_TRUE(key.Open(kKeyRead));
  WriteWholeFile(file_, RegistryFile("/srv/newer"));
  ASSERT_TRUE(key.QueryValue("Path", out));  // an open key reads the new file
  EXPECT_STREQ(out.GetText(), "/srv/newer");
  key.Close();

  // The same size, a later time.
  WriteWholeFile(file_, RegistryFile("/srv/older"));
  std::filesystem::last_write_time(
      file_, std::filesystem::last_write_time(file_) + std::chrono::seconds(5));
  ASSERT_TRUE(key.ReadValue("Path", out));
  EXPECT_STREQ(out.GetText(), "/srv/older");

  std::filesystem::remove(file_);
  EXPECT_FALSE(key.ReadValue("Path", out));
}
