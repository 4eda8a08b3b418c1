#ifndef UPDATER_TESTING_TEMP_FOLDER_TEST_H_
#define UPDATER_TESTING_TEMP_FOLDER_TEST_H_

// A fixture over a temporary folder addressed with the core's backslash paths.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "foundation/text_string.h"
#include "platform/files.h"
#include "testing/test_support.h"

class TempFolderTest : public ::testing::Test {
 protected:
  void TearDown() override {
    // Windows cannot remove read-only files; clear every attribute first.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_.path(), ignored)) {
      SetAttributes(Core(entry.path().string()).c_str(), kAttrNormal);
    }
  }

  static std::string Core(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }
  static std::string Native(std::string path) {
    if (std::filesystem::path::preferred_separator == '/') {
      std::replace(path.begin(), path.end(), '\\', '/');
    }
    return path;
  }
  // The core path of a name under the folder; names use backslashes.
  std::string P(const std::string& name) const { return Core(dir_.path().string()) + "\\" + name; }
  TextString T(const std::string& name) const { return P(name).c_str(); }

  void Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories(std::filesystem::path(Native(P(name))).parent_path());
    WriteWholeFile(Native(P(name)), text);
  }
  void Folder(const std::string& name) const {
    std::filesystem::create_directories(Native(P(name)));
  }
  std::string Read(const std::string& name) const { return ReadWholeFile(Native(P(name))); }
  bool Exists(const std::string& name) const {
    return std::filesystem::exists(std::filesystem::path(Native(P(name))));
  }
  bool ReadOnly(const std::string& name) const {
    uint32_t attributes = GetPathAttributes(P(name).c_str());
    return attributes != kInvalidAttributes && (attributes & kAttrReadOnly);
  }
  // Gives path a time of last change long past, which no change can give it by chance: the
  // time field of its look (",t" and digits) made one of the earliest.
  static void MakeOld(const std::string& path) {
    std::string look = GetEntryLook(path.c_str());
    size_t time = look.find(",t");
    ASSERT_NE(std::string::npos, time) << path;
    size_t end = look.find(',', time + 2);
    look.replace(time + 2, end == std::string::npos ? std::string::npos : end - time - 2, "1.0");
    ASSERT_TRUE(SetEntryLook(path.c_str(), look)) << path << " " << look;
  }
  void MakeReadOnly(const std::string& name) const {
    ASSERT_TRUE(SetAttributes(P(name).c_str(), kAttrReadOnly)) << name;
  }

  ScopedTempDir dir_;
};

#endif  // UPDATER_TESTING_TEMP_FOLDER_TEST_H_
