#include "platform/launch.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/command_line.h"

void EndProcessNow(uint32_t id) {
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
  if (!process) return;
  TerminateProcess(process, 255);
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
}

namespace {

// The system's own split, converted back to the ANSI code page.
std::vector<std::string> SystemSplit(const std::string& line) {
  std::wstring wide(line.size() + 1, L'\0');
  int n =
      MultiByteToWideChar(CP_ACP, 0, line.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n - 1 : 0);
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(wide.c_str(), &count);
  std::vector<std::string> out;
  for (int i = 0; words && i < count; ++i) {
    char buffer[1024];
    int m = WideCharToMultiByte(CP_ACP, 0, words[i], -1, buffer, sizeof buffer, nullptr, nullptr);
    out.emplace_back(buffer, m > 0 ? m - 1 : 0);
  }
  LocalFree(words);
  return out;
}

}  // namespace

TEST(LaunchWin32Test, SplitMatchesCommandLineToArgvW) {
  const char* lines[] = {
      "\"C:\\My Apps\\a.exe\" x",
      "a\\\"b c\\\"",
      "\"ab\"c d",
      "\"unterminated x",
      "p \"a b\" c\"d e\" \"\" \tx ",
      "p C:\\d\\ a\\\"b \"a\\\\\"b\" c\" a\\\\\\\"b",
      "p \"a\"\"b\" c",
      "p \"a\"\"\" b\" \"\"\"\"\"\" \"\"\"\"\"\"\" a\"\"\"\"b",
      "p \"\"\" x\"\" y",
      // Double-byte characters whose second byte is a backslash (code page 932).
      "p \x95\x5c\"x\" \"\x95\x5c\" \x83\x5c",
  };
  for (const char* line : lines) EXPECT_EQ(SplitWindowsArguments(line), SystemSplit(line)) << line;
}
