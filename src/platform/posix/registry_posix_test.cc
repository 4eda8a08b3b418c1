#include "platform/registry.h"

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "foundation/registry_key.h"
#include "testing/test_support.h"

namespace {

constexpr const char* kAppPaths =
    "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe";

const std::string kRegistry =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\app.exe]\r\n"
    "@=\"/opt/app/app.exe\"\r\n"
    "\"Path\"=\"/opt/app\"\r\n"
    "\"Empty\"=\"\"\r\n"
    "\"Nothing\"=hex:\r\n"
    "\"Dword\"=dword:44434241\r\n";

std::string Replacement(const std::string& path) {
  return "REGEDIT4\n[HKLM\\" + std::string(kAppPaths) + "]\n\"Path\"=\"" + path + "\"\n";
}

class RegistryPosixTest : public ::testing::Test {
 protected:
  RegistryPosixTest()
      : file_(dir_.File("registry.reg")), variable_("UPDATER_REGISTRY", file_.c_str()) {
    WriteWholeFile(file_, kRegistry);
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
  ASSERT_TRUE(key.ReadValue("Empty", out));
  EXPECT_STREQ(out.GetText(), "");
  // Not a string: still ends inside the buffer.
  ASSERT_TRUE(key.ReadValue("Dword", out));
  EXPECT_STREQ(out.GetText(), "ABCD");

  // A missing or empty value is never read: the output keeps what it held.
  out = "kept";
  EXPECT_FALSE(key.ReadValue("Missing", out));
  EXPECT_FALSE(key.ReadValue("Nothing", out));
  EXPECT_EQ(key.openKey, nullptr);
  RegistryKey missing(kHkeyLocalMachine, std::string(kAppPaths).append("x").c_str());
  EXPECT_FALSE(missing.ReadValue("", out));
  EXPECT_EQ(missing.openKey, nullptr);
  EXPECT_STREQ(out.GetText(), "kept");

  ASSERT_TRUE(key.Open(kKeyRead));
  EXPECT_NE(key.openKey, nullptr);
  EXPECT_EQ(key.QueryValueSize(""), sizeof "/opt/app/app.exe");
  EXPECT_EQ(key.QueryValueSize("Missing"), 0u);
  ASSERT_TRUE(key.Open(kKeyRead));  // closes the first handle before opening again
  key.Close();
  EXPECT_EQ(key.openKey, nullptr);
  EXPECT_EQ(key.QueryValueSize(""), 0u);
}

TEST_F(RegistryPosixTest, QueryFollowsRegQueryValueEx) {
  RegistryHandle key = nullptr;
  ASSERT_TRUE(RegistryOpen(kHkeyLocalMachine, "software\\MICROSOFT", kKeyRead, &key));
  RegistryClose(key);
  ASSERT_TRUE(RegistryOpen(kHkeyLocalMachine, "", kKeyRead, &key));
  RegistryClose(key);
  key = reinterpret_cast<RegistryHandle>(1);
  EXPECT_FALSE(RegistryOpen(kHkeyCurrentUser, "Software", kKeyRead, &key));
  EXPECT_EQ(key, nullptr);

  ASSERT_TRUE(RegistryOpen(kHkeyLocalMachine, kAppPaths, kKeyRead, &key));
  unsigned long size = 0;
  EXPECT_TRUE(RegistryQuery(key, "path", nullptr, &size));
  EXPECT_EQ(size, 9u);

  unsigned char small[4] = {'x', 'x', 'x', 'x'};
  size = sizeof small;
  EXPECT_FALSE(RegistryQuery(key, "Path", small, &size));
  EXPECT_EQ(size, 9u);
  EXPECT_EQ(small[0], 'x');

  unsigned char exact[9];
  EXPECT_TRUE(RegistryQuery(key, "Path", exact, &size));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(exact), 9), std::string("/opt/app", 9));

  size = 7;
  EXPECT_FALSE(RegistryQuery(key, "Missing", nullptr, &size));
  EXPECT_EQ(size, 7u);
  RegistryClose(key);
}

TEST_F(RegistryPosixTest, NoUsableFileMeansNoKeys) {
  RegistryHandle key = nullptr;
  {
    ScopedEnvironment unset("UPDATER_REGISTRY", nullptr);
    EXPECT_FALSE(RegistryOpen(kHkeyLocalMachine, "", kKeyRead, &key));
  }
  {
    ScopedEnvironment missing("UPDATER_REGISTRY", dir_.File("missing.reg").c_str());
    EXPECT_FALSE(RegistryOpen(kHkeyLocalMachine, "", kKeyRead, &key));
  }
  {
    ScopedEnvironment folder("UPDATER_REGISTRY", dir_.path().string().c_str());
    EXPECT_FALSE(RegistryOpen(kHkeyLocalMachine, "", kKeyRead, &key));
  }
  WriteWholeFile(file_, "[HKEY_LOCAL_MACHINE\\Software]\n");
  EXPECT_FALSE(RegistryOpen(kHkeyLocalMachine, "Software", kKeyRead, &key));
  EXPECT_EQ(key, nullptr);
}

TEST_F(RegistryPosixTest, ReloadsWhenTheFileChanges) {
  RegistryKey key(kHkeyLocalMachine, kAppPaths);
  TextString out;
  ASSERT_TRUE(key.ReadValue("Path", out));
  ASSERT_TRUE(key.Open(kKeyRead));

  WriteWholeFile(file_, Replacement("/srv/new"));
  ASSERT_TRUE(key.QueryValue("Path", out));  // a key opened before the change reads the new file
  EXPECT_STREQ(out.GetText(), "/srv/new");
  key.Close();

  // The same size and a later time: read again.
  WriteWholeFile(file_, Replacement("/srv/old"));
  std::filesystem::last_write_time(
      file_, std::filesystem::last_write_time(file_) + std::chrono::seconds(5));
  ASSERT_TRUE(key.ReadValue("Path", out));
  EXPECT_STREQ(out.GetText(), "/srv/old");

  std::filesystem::remove(file_);
  EXPECT_FALSE(key.ReadValue("Path", out));
  WriteWholeFile(file_, kRegistry);
  ASSERT_TRUE(key.ReadValue("Path", out));
  EXPECT_STREQ(out.GetText(), "/opt/app");
}
