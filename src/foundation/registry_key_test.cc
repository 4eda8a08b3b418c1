#include "foundation/registry_key.h"

#include <string>

#include <gtest/gtest.h>

// Cases that hold on every machine; reading real values is tested against a registry
// file by the Linux backend's tests.

namespace {

constexpr const char* kMissingKey = "Software\\UpdaterTests\\No Such Key\\Anywhere";

}  // namespace

TEST(RegistryKeyTest, FailuresLeaveTheKeyClosedAndTheOutputAlone) {
  TextString out("untouched");

  RegistryKey null_root(0, "Software");
  EXPECT_FALSE(null_root.Open(kKeyRead));
  EXPECT_EQ(null_root.openKey, nullptr);
  EXPECT_FALSE(null_root.ReadValue("", out));
  EXPECT_EQ(null_root.openKey, nullptr);

  RegistryKey missing(kHkeyLocalMachine, kMissingKey);
  EXPECT_FALSE(missing.Open(kKeyRead));
  EXPECT_EQ(missing.openKey, nullptr);
  EXPECT_FALSE(missing.ReadValue("", out));
  EXPECT_FALSE(missing.ReadValue("PATH", out));
  EXPECT_EQ(missing.openKey, nullptr);

  // Without an open key nothing is asked and nothing is allocated.
  EXPECT_EQ(missing.QueryValueSize(""), 0u);
  EXPECT_FALSE(missing.QueryValue("", out));
  missing.Close();
  EXPECT_EQ(missing.openKey, nullptr);

  EXPECT_STREQ(out.GetText(), "untouched");
}
