// A small program that tests start in place of a real application:
//   test_helper sleep SECONDS        sleeps, so that it can be found while it runs
//   test_helper write FILE [ARGS...] writes each argument and then its working folder to
//                                    FILE, each followed by a line feed
//   test_helper exit CODE            ends with that exit code
// Anything else prints the usage and ends with code 125.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

constexpr int kUsageError = 125;

int Usage() {
  std::fputs("usage: test_helper sleep SECONDS | write FILE [ARGS...] | exit CODE\n", stderr);
  return kUsageError;
}

void SleepSeconds(unsigned seconds) {
#ifdef _WIN32
  Sleep(seconds * 1000);
#else
  // sleep may end early on a signal; what is left is slept again.
  while (seconds > 0) seconds = sleep(seconds);
#endif
}

bool WorkingFolder(char* buffer, int size) {
#ifdef _WIN32
  // The ANSI form, as the updater's paths are.
  DWORD n = GetCurrentDirectoryA(size, buffer);
  return n > 0 && n < static_cast<DWORD>(size);
#else
  return getcwd(buffer, size) != nullptr;
#endif
}

int Write(const char* file, int count, char** args) {
  std::FILE* out = std::fopen(file, "wb");
  if (!out) return 1;
  for (int i = 0; i < count; ++i) std::fprintf(out, "%s\n", args[i]);
  char folder[4096];
  bool ok = WorkingFolder(folder, sizeof folder);
  if (ok) std::fprintf(out, "%s\n", folder);
  ok = std::fclose(out) == 0 && ok;
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage();
  const char* command = argv[1];
  if (std::strcmp(command, "sleep") == 0 && argc == 3) {
    SleepSeconds(static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)));
    return 0;
  }
  if (std::strcmp(command, "write") == 0) return Write(argv[2], argc - 3, argv + 3);
  if (std::strcmp(command, "exit") == 0 && argc == 3) return std::atoi(argv[2]);
  return Usage();
}
