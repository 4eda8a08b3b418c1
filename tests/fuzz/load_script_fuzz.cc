// Fuzz target for loading a whole script: the input is the script file, written into a
// folder of its own beside the program's assumed path. The symbol table is built from it,
// UPDATER is read and every list is loaded, the PROC list and every SWITCH branch below
// it, under a double-byte code page and under UTF-8. Nothing is run: afterwards the
// folder must hold the script and nothing else.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "commands/conditions/switch.h"
#include "foundation/code_page.h"
#include "foundation/globals.h"
#include "fuzz_input.h"
#include "script/procedures.h"
#include "script/startup.h"
#include "script/symbols.h"

namespace {

// A script whose branches name each other loads the same lists again and again.
constexpr int kMaxLoads = 64;

std::filesystem::path folder;
std::filesystem::path script;

std::string CorePath(const std::filesystem::path& path) {
  std::string core = path.string();
  for (char& c : core) {
    if (c == '/') c = '\\';
  }
  return core;
}

// Writes the script and gives it a time of its own, so that the reader's cache, which
// goes by size and time, never answers from the script before.
void WriteScript(const uint8_t* data, size_t size) {
  static long stamp = 0;
  const int fd = open(script.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  FUZZ_CHECK(fd >= 0);
  for (size_t done = 0; done < size;) {
    const ssize_t n = write(fd, data + done, size - done);
    FUZZ_CHECK(n > 0);
    done += static_cast<size_t>(n);
  }
  const struct timespec times[2] = {{++stamp, 0}, {stamp, 0}};
  FUZZ_CHECK(futimens(fd, times) == 0);
  close(fd);
}

// Loads the list, then the branches of each SWITCH in it.
void LoadBranches(const TextString& names, int* loads) {
  const int32_t count = names.CountItems(",");
  if (count == 0 || ++*loads > kMaxLoads) return;
  ProcList list = LoadProcList(names, count);
  if (!list) return;
  for (ProcRecord** record = list; *record; ++record) {
    if ((*record)->mode != "SWITCH") continue;
    const auto* branch = static_cast<const SWITCH_INFO*>(*record);
    LoadBranches(branch->list0, loads);
    LoadBranches(branch->list1, loads);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char name[] = "/tmp/load-script-fuzz-XXXXXX";
  FUZZ_CHECK(mkdtemp(name) != nullptr);
  folder = name;
  script = folder / "updater.ini";
  // Boxes go nowhere instead of asking at the terminal.
  setenv("UPDATER_UNATTENDED", "/dev/null", 1);
  unsetenv("UPDATER_ANSWERS");
  RunSettings.programPath = CorePath(folder / "updater").c_str();
  RunSettings.scriptPath = CorePath(script).c_str();
  RunSettings.commandLine = "/t Title";
  std::atexit([] { std::filesystem::remove_all(folder); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (unsigned code_page : {932u, 65001u}) {
    SetCodePage(code_page);
    WriteScript(data, size);
    BuildSymbolTable();
    if (ReadUpdaterSection()) {
      int loads = 0;
      LoadBranches(ScriptState.procList, &loads);
    }
    FreeAllProcLists();
    FUZZ_CHECK(ScriptState.listCount == 0);
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      FUZZ_CHECK(entry.path() == script);
      ++entries;
    }
    FUZZ_CHECK(entries == 1);
  }
  return 0;
}
