// The program's entry on both platforms: the GUI-subsystem Windows program and the Linux
// program both start here and hand their command-line text to the same entry function.
#include <string>

#include "foundation/command_line.h"
#include "platform/program.h"
#include "script/startup.h"
#include "updater_version.h"

int main(int argc, char** argv) {
  std::string command_line = CommandLineText(argc, argv);
  // Answered before anything of a script is read, so that asking for the version runs
  // nothing.
  if (IsVersionRequest(command_line.c_str())) {
    ReportVersion(UPDATER_PRODUCT_NAME " " UPDATER_VERSION);
    return 0;
  }
  return UpdaterMain(command_line.c_str());
}
