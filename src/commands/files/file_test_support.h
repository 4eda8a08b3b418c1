#ifndef UPDATER_COMMANDS_FILES_FILE_TEST_SUPPORT_H_
#define UPDATER_COMMANDS_FILES_FILE_TEST_SUPPORT_H_

// A fixture for the tests of the file commands: a temporary folder and the unattended
// transcript of the boxes shown.

#include <string>

#include "foundation/globals.h"
#include "foundation/text_string.h"
#include "platform/code_page.h"
#include "script/show_box.h"
#include "testing/temp_folder_test.h"

class FileTest : public TempFolderTest {
 protected:
  void SetUp() override {
    ResetBoxState();
    RunSettings.title = "T";
  }
  void TearDown() override {
    ResetBoxState();
    RunSettings.title = "";
    TempFolderTest::TearDown();
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

  ScopedTempDir aux_;
  std::string transcript_ = aux_.File("boxes.jsonl");
  ScopedEnvironment unattended_{"UPDATER_UNATTENDED", transcript_.c_str()};
};

#endif  // UPDATER_COMMANDS_FILES_FILE_TEST_SUPPORT_H_
