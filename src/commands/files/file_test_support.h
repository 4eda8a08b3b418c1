#ifndef UPDATER_COMMANDS_FILES_FILE_TEST_SUPPORT_H_
#define UPDATER_COMMANDS_FILES_FILE_TEST_SUPPORT_H_

// A fixture for the tests of the file helpers and commands: a temporary folder addressed
// with the core's backslash paths, and the unattended transcript of the boxes shown.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "script/message_box.h"
#include "testing/test_support.h"

class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetBoxState();
    RunSettings.title = "T";
  }
  void TearDown() override {
    ResetBoxState();
    RunSettings.title = "";
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
  void MakeReadOnly(const std::string& name) const {
    ASSERT_TRUE(SetAttributes(P(name).c_str(), kAttrReadOnly)) << name;
  }

  std::string Transcript() const { return ReadWholeFile(transcript_); }
  void ClearTranscript() const { WriteWholeFile(transcript_, ""); }
  // The transcript's line for an error box showing message id with its arguments.
  template <typename... Args>
  static std::string ErrorBox(unsigned id, Args... args) {
    TextString text;
    text.FormatResource(id, args...);
    std::string escaped;
    for (char c : AnsiToUtf8(text.GetText())) {
      if (c == '\n' || c == '\t') {
        escaped += c == '\n' ? "\\n" : "\\t";
        continue;
      }
      if (c == '\\' || c == '"') escaped += '\\';
      escaped += c;
    }
    return "{\"caption\": \"T\", \"style\": 16, \"text\": \"" + escaped + "\", \"answer\": 1}\n";
  }

  ScopedTempDir dir_;
  ScopedTempDir aux_;
  std::string transcript_ = aux_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
};

#endif  // UPDATER_COMMANDS_FILES_FILE_TEST_SUPPORT_H_
