#include "platform/file_info.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Any other open of the file, even one sharing everything, makes a share-mode-0 open fail.
void* HoldFileOpen(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot open " << path;
  return handle;
}

void ReleaseHeldFile(void* hold) { CloseHandle(static_cast<HANDLE>(hold)); }

TEST(FileInfoWin32Test, DevicesAreRefused) { EXPECT_EQ(OpenUnsharedFile("NUL"), nullptr); }
